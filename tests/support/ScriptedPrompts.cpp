#include "ScriptedPrompts.h"

#include "platform/QuillError.h"

void ScriptedPrompts::expect(const QString& textPart, MsgButton answer) {
    m_script.append({textPart, answer, false, {}, false, std::nullopt, std::nullopt});
}

void ScriptedPrompts::expectFailure(const QString& textPart, const QString& message) {
    m_script.append({textPart, MsgButton::None, false, message, false, std::nullopt, std::nullopt});
}

void ScriptedPrompts::expectPlain(const QString& textPart) {
    m_script.append({textPart, MsgButton::OK, true, {}, false, std::nullopt, std::nullopt});
}

void ScriptedPrompts::expectFont(std::optional<FontChoice> answer) {
    m_script.append(
        {QStringLiteral("(font dialog)"), MsgButton::OK, false, {}, true, std::move(answer), std::nullopt});
}

std::optional<FontChoice> ScriptedPrompts::chooseFont(const FontChoice& initial) {
    const QString question = QStringLiteral("(font dialog)");
    m_asked.append({question, MsgKind::Information, MsgButton::OK, false});
    lastFontShown = initial;
    const Step step = take(question, false);
    if (!step.font)
        m_problems.append(QStringLiteral("the font dialog was not expected"));
    return step.fontAnswer;
}

void ScriptedPrompts::expectSaveFile(std::optional<QString> file) {
    m_script.append(
        {QStringLiteral("(save dialog)"), MsgButton::OK, false, {}, false, std::nullopt, std::move(file)});
}

void ScriptedPrompts::expectFolder(std::optional<QString> folder) {
    m_script.append({QStringLiteral("(folder dialog)"),
                     MsgButton::OK,
                     false,
                     {},
                     false,
                     std::nullopt,
                     std::move(folder)});
}

std::optional<QString> ScriptedPrompts::chooseSaveFile(SaveDialogState& state) {
    const QString question = QStringLiteral("(save dialog)");
    m_asked.append({question, MsgKind::Information, MsgButton::OK, false});
    lastSaveDialog = state;
    const Step step = take(question, false);
    if (step.textPart != question)
        return std::nullopt; // take() has recorded the mismatch
    if (step.fileAnswer)
        state.remember(*step.fileAnswer);
    return step.fileAnswer;
}

std::optional<QString> ScriptedPrompts::chooseFolder(const QString& caption, const QString& initial) {
    const QString question = QStringLiteral("(folder dialog)");
    m_asked.append({question + QLatin1Char(' ') + caption + QLatin1Char(' ') + initial, MsgKind::Information,
                    MsgButton::OK, false});
    const Step step = take(question, false);
    if (step.textPart != question)
        return std::nullopt; // take() has recorded the mismatch
    return step.fileAnswer;
}

ScriptedPrompts::Step ScriptedPrompts::take(const QString& text, bool plain) {
    if (m_script.isEmpty()) {
        m_problems.append(QStringLiteral("unscripted question: ") + text);
        return {{}, MsgButton::Cancel, plain, {}, false, std::nullopt, std::nullopt};
    }
    Step step = m_script.takeFirst();
    if (!text.contains(step.textPart) || step.plain != plain ||
        (step.font && !text.startsWith(QLatin1Char('('))))
        m_problems.append(QStringLiteral("expected \"%1\" but was asked \"%2\"").arg(step.textPart, text));
    return step;
}

MsgButton ScriptedPrompts::messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) {
    m_asked.append({text, kind, buttons, false});
    const Step step = take(text, false);
    if (!step.failure.isEmpty())
        throw QuillError(step.failure);
    return step.answer;
}

void ScriptedPrompts::plainMessage(const QString& text) {
    m_asked.append({text, MsgKind::Information, MsgButton::OK, true});
    take(text, true);
}

void ScriptedPrompts::clear() {
    m_script.clear();
    m_asked.clear();
    m_problems.clear();
}
