#include "ErrorLog.h"

#include "output/MailRoutes.h"
#include "store/DayNumber.h"

#include <QFile>

namespace {

const QString FileLineEnd = QStringLiteral("\r\n");
const QString Banner = QStringLiteral("******************** LOG INFO **********************");

} // namespace

ErrorLog::ErrorLog(QString logPath, const IClock& clock, const LocaleFormats& formats, IPrompts& prompts,
                   MailRoutes& mail, std::function<QString()> runningVersion)
    : m_logPath(std::move(logPath)), m_clock(clock), m_formats(formats), m_prompts(prompts), m_mail(mail),
      m_runningVersion(std::move(runningVersion)) {}

QString ErrorLog::version() const {
    // Failures during start-up come before the version is known.
    return m_runningVersion ? m_runningVersion() : QString();
}

QString ErrorLog::timeStamp() const {
    return DayNumber::displayText(m_clock.now(), m_formats);
}

QString ErrorLog::record(const ErrorInfo& info) const {
    const QStringList lines = {
        Banner,
        QString(),
        timeStamp(),
        QString(),
        QStringLiteral("The following error occured in Quillnote v. ") + version() + QLatin1Char(':'),
        QString(),
        QStringLiteral("Unit Name:\t") + info.unitName,
        QStringLiteral("Method Name:\t") + info.methodName,
        // Written as given: a message with line breaks runs on over several lines.
        QStringLiteral("Error Message:\t") + info.message,
        QString(52, QLatin1Char('*')),
        QString(),
    };
    return lines.join(FileLineEnd) + FileLineEnd;
}

QString ErrorLog::reportSubject() const {
    return QStringLiteral("Error Report from Quillnote v.") + version();
}

// Real control characters: the mail route escapes the whole body, which turns them into the %0D%0A
// and %09 a mail program expects.
QString ErrorLog::reportBody(const ErrorInfo& info) const {
    const QString crlf = QStringLiteral("\r\n");
    const QString tabs = QStringLiteral("\t\t");
    return QStringLiteral("The following error was encountered in Quillnote:") + crlf + crlf + crlf +
           QStringLiteral("Date:") + tabs + timeStamp() + crlf + QStringLiteral("Unit:") + tabs +
           info.unitName + crlf + QStringLiteral("Method:") + tabs + info.methodName + crlf +
           QStringLiteral("Error:") + tabs + info.message + crlf + crlf +
           QStringLiteral("Please add a brief description of what you were doing, as well as which operating "
                          "system and version you're using.");
}

bool ErrorLog::writeRecord(const ErrorInfo& info) {
    // UTF-8 on disk: no character of a message is lost, whatever the locale.
    const QByteArray bytes = record(info).toUtf8();
    QFile file(m_logPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    if (!file.flush())
        return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}

void ErrorLog::showFallback(const ErrorInfo& info, bool recordWritten) {
    const QString heading =
        recordWritten
            ? QStringLiteral("The following error occurred in Quillnote:")
            : QStringLiteral(
                  "The following error occurred in Quillnote and was unable to be written to the log file:");
    const QString text = heading + QStringLiteral("\n\nUnit:\t") + info.unitName +
                         QStringLiteral("\nMethod:\t") + info.methodName + QStringLiteral("\nError:\n") +
                         info.message;
    try {
        m_prompts.messageDlg(text, MsgKind::Error, MsgButton::OK);
    } catch (...) {
        // Nothing is left to tell the user with; the writers must not throw.
    }
}

void ErrorLog::logError(const ErrorInfo& given) {
    // Our own copy: the caller's object may change while the question is open.
    const ErrorInfo info = given;
    bool written = false;
    try {
        written = writeRecord(info);
        if (written) {
            const MsgButton answer = m_prompts.messageDlg(
                QStringLiteral("An error has occurred in Quillnote and has been logged.\n\n"
                               "Would you like to report this error via e-mail?"),
                MsgKind::Error, MsgButton::Yes | MsgButton::No);
            if (answer == MsgButton::Yes)
                m_mail.openMailtoMessage(FeedbackAddress, reportSubject(), reportBody(info));
            return;
        }
    } catch (...) {
        // Reported below with the failure the caller handed us.
    }
    showFallback(info, written);
}

void ErrorLog::logErrorQuietly(const ErrorInfo& given) {
    const ErrorInfo info = given;
    try {
        if (writeRecord(info))
            return;
    } catch (...) {
        // Reported below.
    }
    showFallback(info, false);
}
