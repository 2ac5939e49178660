// Runs the single-instance guard in a real process for tst_instance.
// Usage: quill_instance_driver KEY RESULT_FILE LISTEN_MS EXPECTED FORWARD_MS
//   KEY "-" derives the key from this executable's own path.
//   A first copy writes "first", then one "activation" line per request, and ends after LISTEN_MS or once
//   EXPECTED requests arrived. A refused copy writes "second" and "forward-ok" or "forward-failed".
//   A refused copy forwards the request line in QUILL_DRIVER_REQUEST (default: a bare activation); the
//   first copy writes any request other than that after "activation".
//   With QUILL_DRIVER_GO set, every copy waits for that file before registering, so starts coincide.
#include "platform/SingleInstanceGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QTimer>

namespace {

void appendLine(const QString& path, const QByteArray& line) {
    QFile file(path);
    if (file.open(QIODevice::Append)) {
        file.write(line + '\n');
        file.flush();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 64;
    const QString key = args[1] == QLatin1String("-")
                            ? SingleInstanceGuard::keyForExecutable(app.applicationFilePath())
                            : args[1];
    const QString result = args[2];
    const int listenMs = args[3].toInt();
    const int expected = args[4].toInt();
    const int forwardMs = args[5].toInt();

    const QString go = qEnvironmentVariable("QUILL_DRIVER_GO");
    if (!go.isEmpty()) {
        const QDeadlineTimer limit(10000);
        while (!QFile::exists(go) && !limit.hasExpired())
            QThread::usleep(500);
    }

    SingleInstanceGuard control(key);
    if (!control.registerInstance()) {
        appendLine(result, "second");
        const QByteArray line = qgetenv("QUILL_DRIVER_REQUEST") + '\n';
        const bool ok =
            control.bringForwardRunningCopy(forwardMs, StartRequest::fromLine(line).value_or(StartRequest()));
        appendLine(result, ok ? "forward-ok" : "forward-failed");
        return ok ? 0 : 2;
    }
    appendLine(result, "first");
    int received = 0;
    QObject::connect(&control, &SingleInstanceGuard::activationRequested, &app, [&](const StartRequest& r) {
        appendLine(result,
                   r == StartRequest() ? QByteArray("activation") : "activation " + r.toLine().trimmed());
        if (++received >= expected && expected > 0)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(listenMs, &app, &QCoreApplication::quit);
    return app.exec();
}
