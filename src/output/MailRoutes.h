#pragma once

#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QString>
#include <QUrl>

// E-mail through the desktop's mail program.
class MailRoutes {
public:
    MailRoutes(IShell& shell, IPrompts& prompts);

    // The mailto route. Every piece is percent-encoded (RFC 6068), so text cannot add headers or
    // recipients; line breaks and tabs in subject or body arrive as such in the mail program.
    void SendEMailMessage(const QString& address, const QString& subject, const QString& body);

    static QUrl mailtoUrl(const QString& address, const QString& subject, const QString& body);

private:
    IShell& m_shell;
    IPrompts& m_prompts;
};
