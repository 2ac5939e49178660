#include "ScriptedSpeller.h"

namespace {
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'\'';
}
} // namespace

QStringList SpellScript::buffers() const {
    QStringList result;
    for (const Check& check : checks)
        result << (check.start ? QStringLiteral("S:") : QStringLiteral("C:")) + check.buffer;
    return result;
}

ScriptedSpeller::ScriptedSpeller(std::shared_ptr<SpellScript> script, TSpellerType type, TLanguage language,
                                 TSpellOptions options, TSpellChecker* checker)
    : TAbstractSpeller(language, options, checker), m_script(std::move(script)) {
    SpellerType = type;
    Disabled = m_script->disabled;
    LangName = QStringLiteral("scripted");
}

TSpellChecker::SpellerFactory ScriptedSpeller::factory(std::shared_ptr<SpellScript> script,
                                                       TSpellerType type) {
    return [script, type](TLanguage language, TSpellOptions options,
                          TSpellChecker* checker) -> std::unique_ptr<TAbstractSpeller> {
        if (!script->failCreate.isEmpty())
            throw ESpellError(script->failCreate);
        script->created.push_back(language);
        return std::make_unique<ScriptedSpeller>(script, type, language, options, checker);
    };
}

TSpellReturnCode ScriptedSpeller::CheckBufferStart(const QString& buffer, int& errorLength, int& errorStart) {
    return check(buffer, true, errorLength, errorStart);
}

TSpellReturnCode ScriptedSpeller::CheckBufferContinued(const QString& buffer, int& errorLength,
                                                       int& errorStart) {
    return check(buffer, false, errorLength, errorStart);
}

TSpellReturnCode ScriptedSpeller::check(const QString& buffer, bool start, int& errorLength,
                                        int& errorStart) {
    m_script->checks.push_back({Language, buffer, start});
    if (!m_script->failCheck.isEmpty() && buffer.contains(m_script->failCheck))
        throw ESpellError(QStringLiteral("Spelling error No 3"));
    if (Disabled)
        return TSpellReturnCode::srNoErrors;
    int best = -1;
    const SpellScript::Entry* found = nullptr;
    QString foundText;
    for (const auto& [text, entry] : m_script->entries) {
        if (m_accepted.contains(text.mid(entry.offset, entry.length)))
            continue;
        const bool wordStart = isWordChar(text.front());
        const bool wordEnd = isWordChar(text.back());
        for (qsizetype at = buffer.indexOf(text); at >= 0; at = buffer.indexOf(text, at + 1)) {
            const qsizetype after = at + text.size();
            if (wordStart && at > 0 && isWordChar(buffer.at(at - 1)))
                continue;
            if (wordEnd && after < buffer.size() && isWordChar(buffer.at(after)))
                continue;
            if (best < 0 || at < best) {
                best = int(at);
                found = &entry;
                foundText = text;
            }
            break;
        }
    }
    if (!found)
        return TSpellReturnCode::srNoErrors;
    const int length = found->length < 0 ? int(foundText.size()) : found->length;
    errorStart = best + found->offset;
    errorLength = length;
    m_errorWord = foundText.mid(found->offset, length);
    m_changeTo = found->changeTo;
    return found->code;
}

void ScriptedSpeller::ChangeOnce(const QString& word, const QString& replacement) {
    m_script->calls.push_back({QStringLiteral("ChangeOnce"), word, replacement});
}

void ScriptedSpeller::ChangeAlways(const QString& word, const QString& replacement) {
    m_script->calls.push_back({QStringLiteral("ChangeAlways"), word, replacement});
}

void ScriptedSpeller::AddWord(const QString& word) {
    m_script->calls.push_back({QStringLiteral("AddWord"), word, {}});
    m_accepted << word;
}

void ScriptedSpeller::IgnoreAlways(const QString& word) {
    m_script->calls.push_back({QStringLiteral("IgnoreAlways"), word, {}});
    m_accepted << word;
}

void ScriptedSpeller::GetSuggestions(const QString& word, QStringList& list) {
    m_script->calls.push_back({QStringLiteral("GetSuggestions"), word, {}});
    list.clear();
    const auto entry = m_script->entries.find(word);
    if (entry != m_script->entries.end())
        list = entry->second.suggestions;
}

QString ScriptedSpeller::GetChangeTo() {
    return m_changeTo;
}

QString ScriptedSpeller::GetErrorWord() {
    return m_errorWord;
}
