#include "app/MailCommands.h"

#include "output/MailClient.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"

#include <QApplication>

namespace {

// Starting the helper can take a moment on a busy machine.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

bool isBlankOrControl(QChar c) {
    return c.isSpace() || c.category() == QChar::Other_Control;
}

} // namespace

QString MailCommands::trimmedForMail(const QString& text) {
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && isBlankOrControl(text.at(first)))
        ++first;
    while (end > first && isBlankOrControl(text.at(end - 1)))
        --end;
    return text.mid(first, end - first);
}

void MailCommands::actSendMailExecute(const QString& title, const QString& body, const QString& mailFooter) {
    BusyCursor hourglass;
    m_client.SendMailMAPI(trimmedForMail(title), trimmedForMail(body) + mailFooter, QString(), QString());
}

void MailCommands::Sendfeedback1Click() {
    m_client.SendMailMAPI(QStringLiteral("Quillnote Feedback (v. ") + RunningVersion::text() +
                              QStringLiteral(")"),
                          QStringLiteral("Please enter your comments before sending."),
                          QStringLiteral("Quillnote Feedback"), FeedbackAddress);
}
