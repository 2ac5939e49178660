#pragma once

#include "platform/Prompts.h"

#include <QObject>
#include <QString>

class IErrorReporter;
class QProcess;

// The compose-window route: hands a finished message to the desktop's mail program through
// xdg-email, which opens the program's compose window. The helper runs on without the user
// interface waiting for it; its result is shown when it ends.
class MailClient final : public QObject {
    Q_OBJECT

public:
    // `program` is the xdg-email to run, looked up on PATH unless it holds a slash.
    explicit MailClient(IPrompts& prompts, QString program = QStringLiteral("xdg-email"),
                        QObject* parent = nullptr);
    ~MailClient() override;

    // Failures of the route go to this log (unit "Main", method "sendMail").
    void setErrorLog(IErrorReporter* log) { m_log = log; }

    // Starts the helper and returns at once. An empty subject or body is left out; with no address
    // the mail program asks for a recipient. xdg-email takes no display name, so `recipientName`
    // is not passed on. Never throws: failures are logged.
    void sendMail(const QString& subject, const QString& body, const QString& recipientName,
                  const QString& recipientAddress);

signals:
    // A helper ended and its result was shown: its exit code, or -1 when it could not be started or
    // was killed.
    void finished(int exitCode);

private:
    void helperEnded(QProcess* helper, int exitCode, bool normalExit);
    void helperNotStarted(QProcess* helper);
    void report(int exitCode, bool normalExit);
    void logFailure(const QString& message);

    IPrompts& m_prompts;
    QString m_program;
    IErrorReporter* m_log = nullptr;
};
