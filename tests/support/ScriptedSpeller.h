#pragma once

#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellEngine.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

// What a test tells the scripted engines and what they report back: texts to flag with a result,
// suggestions and a change-to word, and a record of every call. Shared by all engines a checker
// makes from one factory, so it outlives the checker's engine cache.
struct SpellScript {
    struct Entry {
        SpellResult code = SpellResult::UnknownInputWord;
        QStringList suggestions;
        QString changeTo;
        int offset = 0;  // the finding within the flagged text
        int length = -1; // -1: all of it
    };
    struct Check {
        LanguageId language = 0;
        QString buffer;
        bool start = false; // checkSegmentStart rather than checkSegmentContinued
    };
    struct Call {
        QString operation; // "ChangeOnce", "ChangeAlways", "AddWord", "IgnoreAlways", "fillSuggestions"
        QString word;
        QString replacement;
        bool operator==(const Call&) const = default;
    };

    // Flags every occurrence of `text` (whole words where it begins or ends with a word character).
    void flag(const QString& text, SpellResult code, QStringList suggestions = {}, QString changeTo = {}) {
        entries[text] = Entry{code, std::move(suggestions), std::move(changeTo)};
    }
    // Flags only `length` characters from `offset` within each occurrence of `text` (a repeated
    // word, extra spaces).
    void flagPart(const QString& text, SpellResult code, int offset, int length) {
        entries[text] = Entry{code, {}, {}, offset, length};
    }
    // The buffers handed over, as "S:text" (paragraph start) or "C:text".
    QStringList buffers() const;

    std::map<QString, Entry> entries;
    std::vector<Check> checks;
    std::vector<Call> calls;
    std::vector<LanguageId> created; // the language of each engine made
    bool disabled = false;           // engines are made Disabled
    QString failCreate;              // when set, making an engine throws SpellError with this text
    QString failCheck;               // a buffer holding this text makes the check throw SpellError
};

// An engine that answers from a SpellScript: the earliest flagged text in a buffer is the finding,
// unless the word was added or ignored in this run.
class ScriptedSpeller : public SpellEngine {
public:
    ScriptedSpeller(std::shared_ptr<SpellScript> script, EngineType type, LanguageId language,
                    SpellOptionFlags options, SpellChecker* checker);

    // A factory for SpellChecker::setEngineFactory.
    static SpellChecker::EngineFactory factory(std::shared_ptr<SpellScript> script,
                                               EngineType type = EngineType::Ispell);

    SpellResult checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) override;
    SpellResult checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) override;
    void changeOnce(const QString& word, const QString& replacement) override;
    void changeAlways(const QString& word, const QString& replacement) override;
    void addWord(const QString& word) override;
    void ignoreAlways(const QString& word) override;
    void fillSuggestions(const QString& word, QStringList& list) override;
    QString changeTo() override;
    QString errorWord() override;

private:
    SpellResult check(const QString& buffer, bool start, int& errorLength, int& errorStart);

    std::shared_ptr<SpellScript> m_script;
    QStringList m_accepted; // added or ignored
    QString m_errorWord;
    QString m_changeTo;
};
