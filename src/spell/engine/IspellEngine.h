#pragma once

#include "spell/engine/CodePages.h"
#include "spell/engine/IspellLine.h"
#include "spell/engine/SpellEngine.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QQueue>
#include <QSet>
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
// the words of each line of text together, in one line of the exchange (IspellLine); the program
// runs from the engine's creation to its end.
//
// A round trip costs far more than the program's own work, so the lines ahead (the rest of the
// segment and the text behind it) go out many at a time, and their answers are read only as the
// check reaches them: the program works on them while the user looks at a finding. Answers are kept
// by word; a word accepted or added during the check makes every kept finding stale (it may have
// been that word, or a form of it), so those are asked about again.
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
    void setTextAhead(QStringView text) override { m_textAhead = text; }
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
    // What is known about a word: one entry serves the answer and the lines still out for it.
    struct Answer {
        int pending = 0; // lines sent that hold the word and are not answered yet
        bool answered = false;
        bool misspelled = false;
        QString reply; // the line that decides, for a misspelled word
    };
    // Words sent ahead of their answers, at most; and how many a refill looks through.
    static constexpr int WordsInFlight = 1024;
    static constexpr int RefillScanLimit = 4 * WordsInFlight;
    // Words one refill sends at most, besides the one the check needs: small sends keep the program
    // busy from the first line on, and each costs us little.
    static constexpr int RefillWords = 256;
    static constexpr int MaxKeptAnswers = 100000;
    // Characters a word and its gap take in prose, about; for sizing the table of answers.
    static constexpr int AverageWordSpan = 6;

    SpellResult checkSegment(const QString& buffer, int& errorLength, int& errorStart);
    // Whether the options leave the word to the program.
    bool isAsked(const QString& word) const;
    bool isAllCaps(const QString& word) const;
    // The program's answer; nullptr when the engine was disabled on the way.
    const Answer* answerFor(const QString& word, QStringView segment, int from);
    // Sends the words from `from` on (then from the text ahead) that are neither known nor pending,
    // a line of the exchange for each line of text.
    void askAhead(QStringView segment, int from);
    // Adds the word to the last of the lines to send, or to a line of its own, and counts it as
    // pending; a word that cannot be asked about is known to be correct at once.
    void enqueueWord(const QString& word, Answer& entry, bool alone, QList<IspellLine>& lines);
    bool askAbout(const QString& word);
    // Reads the answer to the oldest pending line into m_answers; false when the engine was disabled.
    bool readAnswer();
    // Findings kept from before an accept may be stale.
    void forgetFindings();
    // Sends a command line ("*word", "@word", "#").
    void sendLine(const QString& line);
    void disable(const QString& why);

    int pendingOf(const QString& word) const;
    // Counts an answered line off its words' entries.
    void settlePending(const QStringList& words);

    QHash<QString, Answer> m_answers;
    struct Pending {
        IspellLine line;
        quint64 generation;
    };
    QQueue<Pending> m_pending;
    int m_wordsInFlight = 0;
    // Words whose answer in a line could not be placed: they go out on lines of their own.
    QSet<QString> m_askAlone;
    // Counts the accepts and adds: an answer asked for before the last one may be stale.
    quint64 m_generation = 0;
    QStringView m_textAhead;
    // Where the last scan of the text ahead ended; the text may have changed since (then the mark
    // lies outside it and the scan starts again).
    const QChar* m_aheadMark = nullptr;
    const QLocale m_locale = QLocale::system();
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
