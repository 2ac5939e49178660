#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What an ispell-compatible program answered about one input line. One line can hold several
// words for the program (a hyphen or a digit splits them), so an answer is every line up to the
// empty line that ends it: "*", "+ root" and "-" for correct pieces, "& word n offset: s1, s2" near
// misses, "? word 0 offset: g1, g2" guesses and "# word offset" for nothing found. In terse mode
// the correct pieces are left out.
struct IspellAnswer {
    bool misspelled = false;
    // The line that decides: the first "&" line, else the first "?" line, else the first "#" line;
    // empty for a correct word.
    QString reply;

    // nullopt when a line is none of the above: the program is not speaking this protocol, or the
    // exchange is out of step.
    static std::optional<IspellAnswer> parse(const QStringList& lines);

    // The suggestions of a "&" or "?" line: the comma-separated list behind the first ':'.
    static QStringList suggestionsOf(const QString& reply);
};
