#pragma once

#include <QList>
#include <QStringView>

// Cuts text into words: runs of letters, digits, combining marks and apostrophes (' and U+2019).
// Characters are taken by code point, so that a letter outside the Basic Multilingual Plane stays
// whole. Everything else ends a word: blanks, line breaks, hyphens and dashes, markup characters,
// punctuation (typographic quotes too, so that replacing a word keeps its quotes) and symbols.
// Positions and lengths count QString characters.
class WordSplitter {
public:
    struct Word {
        int start = 0;
        int length = 0;
        bool operator==(const Word&) const = default;
    };

    static bool isWordCharacter(char32_t c);
    // Whether the character that ends at `position` (the one before a caret there) is part of a word.
    static bool endsInWord(QStringView text, int position);
    static QList<Word> words(QStringView text);
    // The first word that starts at or after `from`; length 0 when there is none.
    static Word next(QStringView text, int from);
    // Whether the text is exactly one word.
    static bool isSingleWord(QStringView text);
};
