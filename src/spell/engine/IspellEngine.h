#pragma once

#include "spell/engine/CodePages.h"
#include "spell/engine/SpellEngine.h"

#include <QList>
#include <QString>
#include <memory>
#include <utility>

class IspellEncoding;
class IspellPipe;
struct IspellSection;

// The engine that asks an external ispell-compatible program (ispell, hunspell, aspell in "-a" pipe
// mode). The program and its dictionary come from the first section of the ispell.ini files in the
// ispell folder that matches the language: by "LangNo", or for language 0 by the section name the
// checker's picker chose. The engine cuts segments into words itself (WordSplitter) and asks about
// one word per line; the program runs from the engine's creation to its end.
class IspellEngine : public SpellEngine {
public:
    IspellEngine(LanguageId language, SpellOptionFlags options, SpellChecker* checker);
    ~IspellEngine() override;

    SpellResult checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) override;
    SpellResult checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) override;
    void changeOnce(const QString& word, const QString& replacement) override;
    void changeAlways(const QString& word, const QString& replacement) override;
    void addWord(const QString& word) override;
    void ignoreAlways(const QString& word) override;
    void fillSuggestions(const QString& word, QStringList& list) override;
    QString changeTo() override { return isDisabled() ? QString() : m_changeTo; }
    QString errorWord() override { return isDisabled() ? QString() : m_currentWord; }

    // The running program's process id; 0 when none was started.
    qint64 processId() const;
    bool stoppedAnswering() const override { return m_stoppedAnswering; }
    QString failure() const override { return m_failure; }
    QString programName() const override { return m_programName; }

    // The folder the program sees as HOME, where it keeps its personal dictionary: the ispell folder
    // when it is writable, else our own folder in the user's data folder (created).
    static QString homeFolder(const QString& ispellDirectory);

private:
    bool findSection(const QString& ispellDirectory);
    void startProgram(const QString& ispellDirectory, const QString& rawCmd);
    // true: correct (or not checkable); false: misspelled, m_currentWord set.
    bool checkWord(const QString& word);
    // Sends a command line ("*word", "@word", "#").
    void sendLine(const QString& line);
    void disable(const QString& why);

    QString m_lastReply;
    QString m_changeTo;
    QString m_currentWord;
    QList<std::pair<QString, QString>> m_sessionChanges;
    // Empty (no pairs, no character set): the dictionary's encoding is applied by m_encoding.
    ConversionTable m_wordTable;
    std::unique_ptr<IspellEncoding> m_encoding;
    std::unique_ptr<IspellPipe> m_pipe;
    QString m_rawCmd;
    QString m_failure;
    QString m_programName;
    bool m_stoppedAnswering = false;
};
