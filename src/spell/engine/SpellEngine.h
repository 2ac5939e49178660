#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <QStringList>
#include <QStringView>

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
    virtual ~SpellEngine() = default;
    SpellEngine(const SpellEngine&) = delete;
    SpellEngine& operator=(const SpellEngine&) = delete;

    // A segment that begins a paragraph.
    virtual SpellResult checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) = 0;
    // A segment that continues a paragraph.
    virtual SpellResult checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) = 0;
    // The text behind the next segment, up to the end of the checked range, for an engine that asks
    // about the words ahead while the user decides. Valid only until the next check call returns.
    virtual void setTextAhead(QStringView text) { Q_UNUSED(text); }
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

    // The language of the dictionary in use; 0 for an ispell dictionary that names none.
    LanguageId language() const { return m_language; }
    EngineType engineType() const { return m_engineType; }
    bool isDisabled() const { return m_disabled; }
    SpellOptionFlags options() const { return m_options; }
    // The name shown for the language.
    const QString& languageText() const { return m_languageText; }
    // The ispell section in use: its command line as run, character set, surrogate and flag.
    const QString& command() const { return m_command; }
    const QString& charset() const { return m_charset; }
    const QString& surrogate() const { return m_surrogate; }
    const QString& flag() const { return m_flag; }

protected:
    // The subclass finds its resources, marking itself disabled when they are missing.
    SpellEngine(EngineType type, LanguageId language, SpellOptionFlags options, SpellChecker* checker)
        : m_language(language), m_engineType(type), m_options(options), m_checker(checker) {}

    SpellChecker* checker() const { return m_checker; }
    void setLanguage(LanguageId language) { m_language = language; }
    void setDisabled(bool disabled) { m_disabled = disabled; }
    void setLanguageText(const QString& text) { m_languageText = text; }
    void setSection(const QString& command, const QString& charset, const QString& surrogate,
                    const QString& flag) {
        m_command = command;
        m_charset = charset;
        m_surrogate = surrogate;
        m_flag = flag;
    }

private:
    LanguageId m_language = 0;
    EngineType m_engineType = EngineType::Library;
    SpellOptionFlags m_options = 0;
    SpellChecker* m_checker = nullptr; // not owned
    bool m_disabled = false;
    QString m_languageText;
    QString m_command;
    QString m_charset;
    QString m_surrogate;
    QString m_flag;
};
