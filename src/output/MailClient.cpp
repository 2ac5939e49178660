#include "MailClient.h"

#include "output/MailRoutes.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/QuillError.h"

#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <exception>
#include <unistd.h>

namespace {

const QString UnitName = LogUnit::Main;
const QString MethodName = LogRoutine::SendMail;

// xdg-email's exit codes.
enum XdgExit { Success = 0, Syntax = 1, FileMissing = 2, NoTool = 3, Failed = 4, NoPermission = 5 };

// The Simple MAPI result codes whose texts stand for the helper's failures.
enum MapiResult { GeneralFailure = 2, AccessDenied = 6, AttachmentNotFound = 11, InvalidMessage = 17 };

QStringList composeArguments(const QString& subject, const QString& body, const QString& address) {
    QStringList args{QStringLiteral("--utf8")};
    if (!subject.isEmpty())
        args << QStringLiteral("--subject") << subject;
    if (!body.isEmpty())
        args << QStringLiteral("--body") << body;
    if (!address.isEmpty())
        args << address;
    return args;
}

QString errorTextFor(int exitCode, bool normalExit) {
    if (!normalExit)
        return mailErrorText(GeneralFailure);
    switch (exitCode) {
    case Syntax: // an option or an address without '@' was refused: the message as built is unusable
        return mailErrorText(InvalidMessage);
    case FileMissing:
        return mailErrorText(AttachmentNotFound);
    case Failed:
        return mailErrorText(GeneralFailure);
    case NoPermission:
        return mailErrorText(AccessDenied);
    default:
        return unknownMailErrorText(exitCode);
    }
}

} // namespace

MailClient::MailClient(IPrompts& prompts, QString program, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_program(std::move(program)) {}

MailClient::~MailClient() {
    // Only the helper is ended (quietly, with no message at exit); a mail program it started has its
    // own process and session and stays open.
    for (QProcess* helper : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        helper->disconnect(this);
        if (helper->state() != QProcess::NotRunning) {
            helper->kill();
            helper->waitForFinished(1000);
        }
    }
}

void MailClient::sendMail(const QString& subject, const QString& body, const QString& recipientName,
                          const QString& recipientAddress) {
    Q_UNUSED(recipientName);
    try {
        // Owned by this object, not by the call: destroying a QProcess kills the helper.
        auto* helper = new QProcess(this);
        helper->setProgram(m_program);
        helper->setArguments(composeArguments(subject, body, recipientAddress));
        // The mail program inherits these streams and may outlive us: no pipes back to this process,
        // and a session of its own, so a signal to our terminal does not close the compose window.
        helper->setStandardInputFile(QProcess::nullDevice());
        helper->setProcessChannelMode(QProcess::ForwardedChannels);
        helper->setChildProcessModifier([] { ::setsid(); });
        connect(helper, &QProcess::finished, this, [this, helper](int exitCode, QProcess::ExitStatus status) {
            helperEnded(helper, exitCode, status == QProcess::NormalExit);
        });
        // Queued, so that a helper failing at once is not reported inside this call.
        QPointer<QProcess> watched(helper);
        connect(
            helper, &QProcess::errorOccurred, this,
            [this, watched](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart && watched)
                    helperNotStarted(watched);
            },
            Qt::QueuedConnection);
        helper->start();
    } catch (const std::exception& e) {
        logFailure(messageOf(e));
    } catch (...) {
        logFailure(QStringLiteral("Unknown failure while starting the mail program"));
    }
}

void MailClient::helperEnded(QProcess* helper, int exitCode, bool normalExit) {
    helper->deleteLater();
    report(exitCode, normalExit);
    emit finished(normalExit ? exitCode : -1);
}

void MailClient::helperNotStarted(QProcess* helper) {
    helper->deleteLater();
    report(NoTool, true);
    emit finished(-1);
}

void MailClient::report(int exitCode, bool normalExit) {
    // Runs from the event loop: nothing may escape into Qt.
    try {
        if (normalExit && exitCode == Success)
            return;
        if (normalExit && exitCode == NoTool)
            m_prompts.messageDlg(MailLaunchFailedText, MsgKind::Warning, MsgButton::OK);
        else
            m_prompts.messageDlg(mailErrorMessage(errorTextFor(exitCode, normalExit)), MsgKind::Warning,
                                 MsgButton::OK);
    } catch (const std::exception& e) {
        logFailure(messageOf(e));
    } catch (...) {
        logFailure(QStringLiteral("Unknown failure while reporting the mail program's result"));
    }
}

void MailClient::logFailure(const QString& message) {
    if (m_log)
        m_log->logError({UnitName, MethodName, message});
    else
        qWarning("%s: %s", qPrintable(MethodName), qPrintable(message));
}
