#include "MailCommands.h"

#include "gui/WaitCursor.h"
#include "store/TextTrim.h"

#include "output/MailClient.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"

QString MailCommands::trimmedForMail(const QString& text) {
    return trimmedOfBlanksAndControls(text);
}

void MailCommands::sendNote(const QString& title, const QString& body, const QString& mailFooter) {
    WaitCursor hourglass; // starting the helper can take a moment on a busy machine
    m_client.sendMail(trimmedForMail(title), trimmedForMail(body) + mailFooter, QString(), QString());
}

void MailCommands::sendFeedback() {
    m_client.sendMail(QStringLiteral("Quillnote Feedback (v. ") + RunningVersion::text() +
                          QStringLiteral(")"),
                      QStringLiteral("Please enter your comments before sending."),
                      QStringLiteral("Quillnote Feedback"), FeedbackAddress);
}
