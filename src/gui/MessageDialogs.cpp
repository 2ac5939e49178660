#include "MessageDialogs.h"

#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/QuillError.h"

template <typename Show> MsgButton MessageDialogs::showGuarded(Show&& show) {
    try {
        return show();
    } catch (const std::exception& e) {
        if (m_log && !m_reportingOwnFailure) {
            m_reportingOwnFailure = true;
            m_log->logError({LogUnit::Main, LogRoutine::MessageBox, messageOf(e)});
            m_reportingOwnFailure = false;
        }
    } catch (...) {
    }
    return MsgButton::Cancel;
}

MsgButton MessageDialogs::messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) {
    return showGuarded([&] { return m_dialogs.messageDlg(text, kind, buttons); });
}

void MessageDialogs::plainMessage(const QString& text) {
    showGuarded([&] {
        m_dialogs.plainMessage(text);
        return MsgButton::OK;
    });
}

std::optional<FontChoice> MessageDialogs::chooseFont(const FontChoice& initial) {
    std::optional<FontChoice> chosen;
    showGuarded([&] {
        chosen = m_dialogs.chooseFont(initial);
        return MsgButton::OK;
    });
    return chosen;
}
