#!/usr/bin/env python3
"""Writes a notes file of COUNT realistic notes to PATH, the same bytes for the same COUNT.

Titles of 10 to 60 characters, bodies of 50 to 2,000 characters with line breaks, a few non-ASCII
words and some '<', '>' and '&', stored the way the program stores them.
"""
import random
import sys
from xml.sax.saxutils import escape

WORDS = ("plan meeting garden call budget idea travel book recipe code music tax letter shop "
         "monday window paint doctor train ticket school invoice phone project review draft "
         "holiday birthday present car repair insurance bank password router printer").split()
FOREIGN = ["Äpfel", "Straße", "café", "naïve", "Ørsted", "señor", "Zürich", "crème", "日本", "москва"]
SYMBOLS = ["<b>", "a < b", "x > 3", "R&D", "Tom & Jerry", "->", "<=", "&amp;"]


def phrase(rng, low, high):
    target = rng.randint(low, high)
    parts, size = [], 0
    while size < target:
        roll = rng.random()
        if roll < 0.02:
            word = rng.choice(FOREIGN)
        elif roll < 0.03:
            word = rng.choice(SYMBOLS)
        else:
            word = rng.choice(WORDS)
        if parts and rng.random() < 0.04:
            word = "\n" + word
        parts.append(word)
        size += len(word) + 1
    return " ".join(parts)[:target].rstrip() or "note"


def body_field(text):
    # In the file a line break is "^M" and a body's angle brackets are entities of their own.
    text = text.replace("\n", "^M").replace("<", "&lt;").replace(">", "&gt;")
    return escape(text)


def main():
    count, path = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(4711 + count)
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n<Notes>\n']
    # Notes are appended as they are written: the file is in order of creation.
    created = 39000.0
    for _ in range(count):
        title = phrase(rng, 10, 60).replace("\n", " ")
        body = phrase(rng, 50, 2000)
        created += rng.random() * 7000 / count
        modified = created + rng.random() * 30
        out.append("\t<Note>\n\t\t<Title>%s</Title>\n\t\t<Text>%s</Text>\n\t\t<DateTime>%.10f</DateTime>\n"
                   "\t\t<LastModified>%.10f</LastModified>\n\t</Note>\n"
                   % (escape(title), body_field(body), created, modified))
    out.append("</Notes>\n")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(out))


if __name__ == "__main__":
    main()
