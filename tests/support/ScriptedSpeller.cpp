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

ScriptedSpeller::ScriptedSpeller(std::shared_ptr<SpellScript> script, EngineType type, LanguageId language,
                                 SpellOptionFlags options, SpellChecker* checker)
    : SpellEngine(type, language, options, checker), m_script(std::move(script)) {
    setDisabled(m_script->disabled);
    setLanguageText(QStringLiteral("scripted"));
}

SpellChecker::EngineFactory ScriptedSpeller::factory(std::shared_ptr<SpellScript> script, EngineType type) {
    return [script, type](LanguageId language, SpellOptionFlags options,
                          SpellChecker* checker) -> std::unique_ptr<SpellEngine> {
        if (!script->failCreate.isEmpty())
            throw SpellError(script->failCreate);
        script->created.push_back(language);
        return std::make_unique<ScriptedSpeller>(script, type, language, options, checker);
    };
}

SpellResult ScriptedSpeller::checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) {
    return check(buffer, true, errorLength, errorStart);
}

SpellResult ScriptedSpeller::checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) {
    return check(buffer, false, errorLength, errorStart);
}

SpellResult ScriptedSpeller::check(const QString& buffer, bool start, int& errorLength, int& errorStart) {
    m_script->checks.push_back({language(), buffer, start});
    if (!m_script->failCheck.isEmpty() && buffer.contains(m_script->failCheck))
        throw SpellError(QStringLiteral("Spelling error No 3"));
    if (isDisabled())
        return SpellResult::NoErrors;
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
        return SpellResult::NoErrors;
    const int length = found->length < 0 ? int(foundText.size()) : found->length;
    errorStart = best + found->offset;
    errorLength = length;
    m_errorWord = foundText.mid(found->offset, length);
    m_changeTo = found->changeTo;
    return found->code;
}

void ScriptedSpeller::changeOnce(const QString& word, const QString& replacement) {
    m_script->calls.push_back({QStringLiteral("ChangeOnce"), word, replacement});
}

void ScriptedSpeller::changeAlways(const QString& word, const QString& replacement) {
    m_script->calls.push_back({QStringLiteral("ChangeAlways"), word, replacement});
}

void ScriptedSpeller::addWord(const QString& word) {
    m_script->calls.push_back({QStringLiteral("AddWord"), word, {}});
    m_accepted << word;
}

void ScriptedSpeller::ignoreAlways(const QString& word) {
    m_script->calls.push_back({QStringLiteral("IgnoreAlways"), word, {}});
    m_accepted << word;
}

void ScriptedSpeller::fillSuggestions(const QString& word, QStringList& list) {
    m_script->calls.push_back({QStringLiteral("GetSuggestions"), word, {}});
    list.clear();
    const auto entry = m_script->entries.find(word);
    if (entry != m_script->entries.end())
        list = entry->second.suggestions;
}

QString ScriptedSpeller::changeTo() {
    return m_changeTo;
}

QString ScriptedSpeller::errorWord() {
    return m_errorWord;
}
