#pragma once

#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QString>
#include <QUrl>

// The compose-window route could not reach any mail program.
inline const QString MailLaunchFailedText =
    QStringLiteral("Quillnote was unable to launch the default e-mail application.");

// The text for a result code of the compose-window route (the Simple MAPI codes); a code without a
// text of its own gives unknownMailErrorText.
QString mailErrorText(int code);
QString unknownMailErrorText(int code);

// The warning shown when the mail program refused or failed to create the message.
QString mailErrorMessage(const QString& errorText);

// E-mail through the desktop's mail program.
class MailRoutes {
public:
    MailRoutes(IShell& shell, IPrompts& prompts);

    // The mailto route. Every piece is percent-encoded (RFC 6068), so text cannot add headers or
    // recipients; line breaks and tabs in subject or body arrive as such in the mail program.
    void openMailtoMessage(const QString& address, const QString& subject, const QString& body);

    static QUrl mailtoUrl(const QString& address, const QString& subject, const QString& body);

private:
    IShell& m_shell;
    IPrompts& m_prompts;
};
