#include "ScriptedSpellDialog.h"

#include "spell/engine/SpellTexts.h"

ScriptedSpellDialog::ScriptedSpellDialog(TSpellChecker& checker) : m_checker(checker) {}

ScriptedSpellDialog::~ScriptedSpellDialog() {
    if (m_checker.Dialog() == this)
        m_checker.DialogDestroyed();
}

void ScriptedSpellDialog::install() {
    m_checker.setDialogFactory([this](TSpellChecker&) -> ISpellDialog* { return this; });
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::skip() {
    return [](TSpellChecker& checker, ScriptedSpellDialog&) { checker.ContinueCheck(); };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::skipAll() {
    return [](TSpellChecker& checker, ScriptedSpellDialog&) {
        checker.IgnoreErrorWord();
        checker.ContinueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::add() {
    return [](TSpellChecker& checker, ScriptedSpellDialog&) {
        checker.AddErrorWord();
        checker.ContinueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::del() {
    return [](TSpellChecker& checker, ScriptedSpellDialog&) {
        checker.DeleteRepeatedWord();
        checker.ContinueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::cancel() {
    return [](TSpellChecker& checker, ScriptedSpellDialog& dialog) {
        checker.Cancelled = true;
        if (checker.OnCancel)
            checker.OnCancel(&dialog);
        checker.FinishCheck();
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
    return [text](TSpellChecker& checker, ScriptedSpellDialog& dialog) {
        const QString replacement = chosen(text, dialog);
        if (checker.LastResult() == TSpellReturnCode::srUnknownInputWord)
            checker.ChangeWord(replacement);
        else
            checker.ChangeWordOnce(replacement);
        checker.ContinueCheck();
    };
}

ScriptedSpellDialog::Answer ScriptedSpellDialog::changeAll(const QString& text) {
    return [text](TSpellChecker& checker, ScriptedSpellDialog& dialog) {
        checker.ChangeWordAll(chosen(text, dialog));
        checker.ContinueCheck();
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

void ScriptedSpellDialog::PresentA(const QString& message) {
    present('A', message);
}

void ScriptedSpellDialog::PresentB(const QString& message) {
    present('B', message);
}

void ScriptedSpellDialog::PresentC() {
    present('C', SpellTexts[17]);
}

void ScriptedSpellDialog::present(char kind, const QString& message) {
    Presentation p;
    p.kind = kind;
    p.message = message;
    p.result = m_checker.LastResult();
    p.errorWord = m_checker.ErrorWord();
    p.errorPos = m_checker.ErrorPos();
    p.errorLen = m_checker.ErrorLen();
    p.caption = m_caption;
    int lineStart = 0;
    m_checker.GetLineAt(p.errorPos, lineStart, p.line);
    if (kind == 'A') {
        using RC = TSpellReturnCode;
        const TLanguage language = m_checker.CurrentSpeller() ? m_checker.CurrentSpeller()->Language : 0;
        switch (p.result) {
        case RC::srUnknownInputWord:
        case RC::srReturningChangeOnce:
        case RC::srInvalidHyphenation:
            m_checker.GetSuggestions(p.errorWord, p.suggestions, language);
            if (p.result == RC::srReturningChangeOnce && m_checker.CurrentSpeller()) {
                const QString changeTo = m_checker.CurrentSpeller()->GetChangeTo();
                if (!p.suggestions.contains(changeTo))
                    p.suggestions.prepend(changeTo);
            }
            break;
        case RC::srErrorCapitalization:
        case RC::srNoSentenceStartCap:
            p.suggestions = QStringList{m_checker.CapitalizeFirst(p.errorWord)};
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
    if (m_checker.ModalDialog && !m_inModal)
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
