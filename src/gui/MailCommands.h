#pragma once

#include <QString>

class MailClient;

// The two commands that open the mail program's compose window: "Send Note as E-Mail" and
// Help > "Send Feedback...". Failures are logged by the mail client; the caller's guard catches the
// rest.
class MailCommands {
public:
    explicit MailCommands(MailClient& client) : m_client(client) {}

    // Sends the note as it stands in the editors, with no recipient: the compose window asks for one.
    void sendNote(const QString& title, const QString& body, const QString& mailFooter);
    // A message to the vendor's feedback address, subject naming the running version.
    void sendFeedback();

    // Without the blanks and control characters at both ends; those inside stay.
    static QString trimmedForMail(const QString& text);

private:
    MailClient& m_client;
};
