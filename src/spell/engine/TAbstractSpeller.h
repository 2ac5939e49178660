#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <QStringList>

class TSpellChecker;

// What the checker knows of a spelling engine. The checker hands an engine one segment at a time
// (text between line breaks, markup and language changes) and asks it for the findings, the
// suggestions and the replacements. A disabled engine reports no findings, returns empty strings and
// ignores every request.
//
// Text at this interface is Unicode; positions and lengths count QString characters of the segment.
// Each engine converts to its dictionary's encoding at its own boundary.
class TAbstractSpeller {
public:
    // The subclass sets SpellerType and finds its resources, marking itself Disabled when they are
    // missing.
    TAbstractSpeller(TLanguage language, TSpellOptions options, TSpellChecker* checker)
        : Language(language), Options(options), Checker(checker) {}
    virtual ~TAbstractSpeller() = default;
    TAbstractSpeller(const TAbstractSpeller&) = delete;
    TAbstractSpeller& operator=(const TAbstractSpeller&) = delete;

    // A segment that begins a paragraph.
    virtual TSpellReturnCode CheckBufferStart(const QString& buffer, int& errorLength, int& errorStart) = 0;
    // A segment that continues a paragraph.
    virtual TSpellReturnCode CheckBufferContinued(const QString& buffer, int& errorLength,
                                                  int& errorStart) = 0;
    virtual void ChangeOnce(const QString& word, const QString& replacement) = 0;
    virtual void ChangeAlways(const QString& word, const QString& replacement) = 0;
    // Adds the word to the user dictionary.
    virtual void AddWord(const QString& word) = 0;
    // Accepts the word for the rest of the session.
    virtual void IgnoreAlways(const QString& word) = 0;
    // Clears the list and fills it.
    virtual void GetSuggestions(const QString& word, QStringList& list) = 0;
    // The replacement proposed by the engine for srReturningChangeAlways and srReturningChangeOnce.
    virtual QString GetChangeTo() = 0;
    // The text of the last finding.
    virtual QString GetErrorWord() = 0;

    // A Disabled engine either never worked (its program or dictionary is missing) or broke down in
    // use: its program died, flooded us or fell silent. Only the second is a failure to report.
    virtual bool stoppedAnswering() const { return false; }
    // Why the engine is disabled, for the error log; empty when it works.
    virtual QString failure() const { return {}; }
    // The file name of the program the engine talks to; empty for an engine inside our process.
    virtual QString programName() const { return {}; }

    TLanguage Language = 0;
    TSpellerType SpellerType = TSpellerType::sptMSOffice;
    QString Cmd;
    QString Charset;
    QString Surrogate;
    QString Flag;
    QString LangName;
    TSpellOptions Options = 0;
    TSpellChecker* Checker = nullptr; // not owned
    bool Disabled = false;
};
