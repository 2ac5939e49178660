#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <QStringList>

class SpellChecker;

// What the checker knows of a spelling engine. The checker hands an engine one segment at a time
// (text between line breaks, markup and language changes) and asks it for the findings, the
// suggestions and the replacements. A disabled engine reports no findings, returns empty strings and
// ignores every request.
//
// Text at this interface is Unicode; positions and lengths count QString characters of the segment.
// Each engine converts to its dictionary's encoding at its own boundary.
class SpellEngine {
public:
    // The subclass sets SpellerType and finds its resources, marking itself Disabled when they are
    // missing.
    SpellEngine(LanguageId language, SpellOptionFlags options, SpellChecker* checker)
        : language(language), options(options), checker(checker) {}
    virtual ~SpellEngine() = default;
    SpellEngine(const SpellEngine&) = delete;
    SpellEngine& operator=(const SpellEngine&) = delete;

    // A segment that begins a paragraph.
    virtual SpellResult checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) = 0;
    // A segment that continues a paragraph.
    virtual SpellResult checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) = 0;
    virtual void changeOnce(const QString& word, const QString& replacement) = 0;
    virtual void changeAlways(const QString& word, const QString& replacement) = 0;
    // Adds the word to the user dictionary.
    virtual void addWord(const QString& word) = 0;
    // Accepts the word for the rest of the session.
    virtual void ignoreAlways(const QString& word) = 0;
    // Clears the list and fills it.
    virtual void fillSuggestions(const QString& word, QStringList& list) = 0;
    // The replacement proposed by the engine for ReturningChangeAlways and ReturningChangeOnce.
    virtual QString changeTo() = 0;
    // The text of the last finding.
    virtual QString errorWord() = 0;

    // A Disabled engine either never worked (its program or dictionary is missing) or broke down in
    // use: its program died, flooded us or fell silent. Only the second is a failure to report.
    virtual bool stoppedAnswering() const { return false; }
    // Why the engine is disabled, for the error log; empty when it works.
    virtual QString failure() const { return {}; }
    // The file name of the program the engine talks to; empty for an engine inside our process.
    virtual QString programName() const { return {}; }

    LanguageId language = 0;
    EngineType SpellerType = EngineType::Library;
    QString cmd;
    QString charset;
    QString surrogate;
    QString flag;
    QString languageText;
    SpellOptionFlags options = 0;
    SpellChecker* checker = nullptr; // not owned
    bool disabled = false;
};
