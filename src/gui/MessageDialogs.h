#pragma once

#include "platform/Prompts.h"

class IErrorReporter;

// The main window's message box: every question of the main window goes through here. A failure
// of the dialog itself is logged (method "showMessage") and answers Cancel; a failure while that
// failure is being reported is not logged again, so the two can never call each other endlessly.
class MessageDialogs final : public IPrompts {
public:
    explicit MessageDialogs(IPrompts& dialogs) : m_dialogs(dialogs) {}
    void setErrorLog(IErrorReporter* log) { m_log = log; }

    MsgButton messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) override;
    void plainMessage(const QString& text) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;

private:
    template <typename Show> MsgButton showGuarded(Show&& show);

    IPrompts& m_dialogs;
    IErrorReporter* m_log = nullptr;
    bool m_reportingOwnFailure = false;
};
