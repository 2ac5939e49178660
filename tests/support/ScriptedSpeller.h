#pragma once

#include "spell/engine/TAbstractSpeller.h"
#include "spell/engine/TSpellChecker.h"

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
        TSpellReturnCode code = TSpellReturnCode::srUnknownInputWord;
        QStringList suggestions;
        QString changeTo;
        int offset = 0;  // the finding within the flagged text
        int length = -1; // -1: all of it
    };
    struct Check {
        TLanguage language = 0;
        QString buffer;
        bool start = false; // CheckBufferStart rather than CheckBufferContinued
    };
    struct Call {
        QString operation; // "ChangeOnce", "ChangeAlways", "AddWord", "IgnoreAlways", "GetSuggestions"
        QString word;
        QString replacement;
        bool operator==(const Call&) const = default;
    };

    // Flags every occurrence of `text` (whole words where it begins or ends with a word character).
    void flag(const QString& text, TSpellReturnCode code, QStringList suggestions = {},
              QString changeTo = {}) {
        entries[text] = Entry{code, std::move(suggestions), std::move(changeTo)};
    }
    // Flags only `length` characters from `offset` within each occurrence of `text` (a repeated
    // word, extra spaces).
    void flagPart(const QString& text, TSpellReturnCode code, int offset, int length) {
        entries[text] = Entry{code, {}, {}, offset, length};
    }
    // The buffers handed over, as "S:text" (paragraph start) or "C:text".
    QStringList buffers() const;

    std::map<QString, Entry> entries;
    std::vector<Check> checks;
    std::vector<Call> calls;
    std::vector<TLanguage> created; // the language of each engine made
    bool disabled = false;          // engines are made Disabled
    QString failCreate;             // when set, making an engine throws ESpellError with this text
    QString failCheck;              // a buffer holding this text makes the check throw ESpellError
};

// An engine that answers from a SpellScript: the earliest flagged text in a buffer is the finding,
// unless the word was added or ignored in this run.
class ScriptedSpeller : public TAbstractSpeller {
public:
    ScriptedSpeller(std::shared_ptr<SpellScript> script, TSpellerType type, TLanguage language,
                    TSpellOptions options, TSpellChecker* checker);

    // A factory for TSpellChecker::setSpellerFactory.
    static TSpellChecker::SpellerFactory factory(std::shared_ptr<SpellScript> script,
                                                 TSpellerType type = TSpellerType::sptISpell);

    TSpellReturnCode CheckBufferStart(const QString& buffer, int& errorLength, int& errorStart) override;
    TSpellReturnCode CheckBufferContinued(const QString& buffer, int& errorLength, int& errorStart) override;
    void ChangeOnce(const QString& word, const QString& replacement) override;
    void ChangeAlways(const QString& word, const QString& replacement) override;
    void AddWord(const QString& word) override;
    void IgnoreAlways(const QString& word) override;
    void GetSuggestions(const QString& word, QStringList& list) override;
    QString GetChangeTo() override;
    QString GetErrorWord() override;

private:
    TSpellReturnCode check(const QString& buffer, bool start, int& errorLength, int& errorStart);

    std::shared_ptr<SpellScript> m_script;
    QStringList m_accepted; // added or ignored
    QString m_errorWord;
    QString m_changeTo;
};
