#include "ScriptedSpellDialog.h"

#include "spell/engine/SpellTexts.h"

ScriptedSpellDialog::ScriptedSpellDialog(SpellChecker& checker) : m_checker(checker) {}

ScriptedSpellDialog::~ScriptedSpellDialog() {
    if (m_checker.dialog() == this)
        m_checker.dialogDestroyed();
}

void ScriptedSpellDialog::install() {
    m_checker.setDialogFactory([this](SpellChecker&) -> ISpellDialog* { return this; });
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::skip() {
    return [](SpellChecker& checker, ScriptedSpellDialog&) { checker.continueCheck(); };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::skipAll() {
    return [](SpellChecker& checker, ScriptedSpellDialog&) {
        checker.ignoreErrorWord();
        checker.continueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::add() {
    return [](SpellChecker& checker, ScriptedSpellDialog&) {
        checker.addErrorWord();
        checker.continueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::del() {
    return [](SpellChecker& checker, ScriptedSpellDialog&) {
        checker.deleteRepeatedWord();
        checker.continueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::cancel() {
    return [](SpellChecker& checker, ScriptedSpellDialog& dialog) {
        checker.cancel(&dialog);
        checker.finishCheck();
    };
}

namespace {
QString chosen(const QString& text, const ScriptedSpellDialog& dialog) {
    if (!text.isEmpty() || dialog.presentations.empty())
        return text;
    const QStringList& list = dialog.presentations.back().suggestions;
    return list.isEmpty() ? QString() : list.front();
}
} // namespace

ScriptedSpellDialog::Answer ScriptedSpellDialog::change(const QString& text) {
    return [text](SpellChecker& checker, ScriptedSpellDialog& dialog) {
        const QString replacement = chosen(text, dialog);
        if (checker.lastStatus() == SpellResult::UnknownInputWord)
            checker.changeWord(replacement);
        else
            checker.changeWordOnce(replacement);
        checker.continueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::changeAll(const QString& text) {
    return [text](SpellChecker& checker, ScriptedSpellDialog& dialog) {
        checker.changeWordAll(chosen(text, dialog));
        checker.continueCheck();
    };
}

bool ScriptedSpellDialog::answerNext() {
    if (m_answers.empty())
        return false;
    Answer answer = std::move(m_answers.front());
    m_answers.pop_front();
    answer(m_checker, *this);
    return true;
}

void ScriptedSpellDialog::presentSuggestions(const QString& message) {
    present('A', message);
}

void ScriptedSpellDialog::presentSkipOrEdit(const QString& message) {
    present('B', message);
}

void ScriptedSpellDialog::presentRepeatedWord() {
    present('C', spellText(SpellText::RepeatedWord));
}

void ScriptedSpellDialog::present(char kind, const QString& message) {
    Presentation p;
    p.kind = kind;
    p.message = message;
    p.result = m_checker.lastStatus();
    p.errorWord = m_checker.errorWord();
    p.errorPos = m_checker.errorPosition();
    p.errorLen = m_checker.errorLength();
    p.caption = m_caption;
    int lineStart = 0;
    m_checker.lineAt(p.errorPos, lineStart, p.line);
    if (kind == 'A') {
        using RC = SpellResult;
        const LanguageId language = m_checker.currentEngine() ? m_checker.currentEngine()->language() : 0;
        switch (p.result) {
        case RC::UnknownInputWord:
        case RC::ReturningChangeOnce:
        case RC::InvalidHyphenation:
            m_checker.fillSuggestions(p.errorWord, p.suggestions, language);
            if (p.result == RC::ReturningChangeOnce && m_checker.currentEngine()) {
                const QString changeTo = m_checker.currentEngine()->changeTo();
                if (!p.suggestions.contains(changeTo))
                    p.suggestions.prepend(changeTo);
            }
            break;
        case RC::ErrorCapitalization:
        case RC::NoSentenceStartCap:
            p.suggestions = QStringList{m_checker.capitalizeFirst(p.errorWord)};
            break;
        default:
            break;
        }
    }
    presentations.push_back(p);
    if (!m_visible)
        showDialog();
}

void ScriptedSpellDialog::showDialog() {
    m_visible = true;
    ++shows;
    if (m_checker.isModalDialog() && !m_inModal)
        runModal();
}

void ScriptedSpellDialog::runModal() {
    m_inModal = true;
    while (m_visible) {
        if (!answerNext()) {
            ++unanswered;
            cancel()(m_checker, *this);
        }
    }
    m_inModal = false;
}
