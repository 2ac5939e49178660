#pragma once

#include "spell/engine/IspellAnswer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class IspellEncoding;

// One line of words for an ispell-compatible program ("^w1 w2 ..."), and the placing of the
// program's answer on those words.
//
// The line holds our words only, each once, separated by one blank: the program sees no punctuation,
// markup or addresses that its own filters could treat differently, and a word of ours never
// begins with a command character. The program may still split a word of ours into pieces (at a
// digit or an apostrophe); a piece it reports marks the word of ours that holds it. The offsets it
// reports count characters (hunspell, aspell), bytes, or a mix of the two (ispell counts a character
// its dictionary knows as one, any other as its bytes), so a finding is placed where its text stands
// in our words at an offset between the two counts. A finding that cannot be placed leaves the
// whole line unsettled: its words are to be asked about alone. A line of one word needs no placing.
class IspellLine {
public:
    // Most words a line carries: every answer line costs up to a few hundred bytes, and the whole
    // answer to one line must stay under the pipe's cap.
    static constexpr int MaxWords = 32;

    explicit IspellLine(const IspellEncoding& encoding);

    // Appends a word and its bytes in the program's encoding; false (and nothing appended) when
    // the line is full.
    bool append(const QString& word, const QByteArray& bytes);
    bool isEmpty() const { return m_words.isEmpty(); }
    const QStringList& words() const { return m_words; }
    // The line as sent, without its line end.
    const QByteArray& bytes() const { return m_bytes; }

    struct Placed {
        // False when a finding could not be placed: then no word is settled, and answers is empty.
        bool complete = true;
        // The answer for each word, in the order of words().
        QList<IspellAnswer> answers;
    };
    // Places the answer's lines (decoded, without the empty line that ends it). nullopt when a line
    // is outside the protocol.
    std::optional<Placed> place(const QStringList& answerLines) const;

private:
    struct Finding {
        QString piece;
        int offset = -1; // -1: none given
    };
    static std::optional<Finding> findingOf(const QString& line);
    // The index of the word holding the finding at or after (word, at), and where in it the piece
    // starts; false when it stands nowhere its offset allows.
    bool locate(const Finding& finding, int& word, int& at) const;

    const IspellEncoding* m_encoding;
    QStringList m_words;
    QByteArray m_bytes = "^";
    QList<int> m_charStarts; // code points before each word, "^" included
    QList<int> m_byteStarts; // bytes before each word, "^" included
    int m_chars = 1;
};
