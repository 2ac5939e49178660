#include "ScriptedPrompts.h"

#include "platform/QuillError.h"

void ScriptedPrompts::expect(const QString& textPart, MsgButton answer) {
    m_script.append({textPart, answer, false, {}});
}

void ScriptedPrompts::expectFailure(const QString& textPart, const QString& message) {
    m_script.append({textPart, MsgButton::None, false, message});
}

void ScriptedPrompts::expectPlain(const QString& textPart) {
    m_script.append({textPart, MsgButton::OK, true, {}});
}

ScriptedPrompts::Step ScriptedPrompts::take(const QString& text, bool plain) {
    if (m_script.isEmpty()) {
        m_problems.append(QStringLiteral("unscripted question: ") + text);
        return {{}, MsgButton::Cancel, plain, {}};
    }
    Step step = m_script.takeFirst();
    if (!text.contains(step.textPart) || step.plain != plain)
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
