#pragma once

#include <QList>
#include <QStringView>

#include <optional>

// One link inside a line of text: the characters [start, start + length).
struct UrlSpan {
    qsizetype start = 0;
    qsizetype length = 0;

    qsizetype end() const { return start + length; }
    friend bool operator==(const UrlSpan&, const UrlSpan&) = default;
};

// Finds the links in one line of text. The rule:
// - A link begins with one of the prefixes http://, https://, ftp://, file://, mailto:, news: or a bare
//   "www.", in any letter case.
// - It begins at a word boundary: the character before it is none of a letter, digit, combining mark,
//   '_', '.', '-', '/' or '@' (so "xhttp://", "user@www.host" and "a.www.host" hold no link).
// - It runs up to the first blank or control character, '<', '>' or '"', or the end of the line.
// - Characters that commonly end a sentence are then dropped from its end, repeatedly: . , ; : ! ? '
//   and a closing ')', ']' or '}' that has no opening partner left inside the link.
// - A prefix with nothing left after it ("http://", "www.", "mailto:") is no link.
// The scan is linear in the length of the line.
class UrlFinder {
public:
    static QList<UrlSpan> find(QStringView line);

    // The link holding the character at `index`; only the run of text around it that is free of link
    // terminators is scanned, so this stays cheap on very long lines.
    static std::optional<UrlSpan> linkAt(QStringView line, qsizetype index);

    // A character that no link can hold: blanks, control characters, '<', '>' and '"'.
    static bool isTerminator(QChar c);
};
