#pragma once

#include "platform/QuillError.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <unistd.h>

// Root ignores file modes. To meet a read-only file as a user does, a test runs a child (often a
// copy of itself with a special argument) as "nobody" when it is root, and as itself otherwise.
struct ChildRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray output; // standard output
    QByteArray errors; // standard error
};

inline ChildRun runUnprivileged(QStringList command, int timeoutMs = 30000) {
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} +
                  command;
    QProcess child;
    child.start(command.takeFirst(), command);
    ChildRun run;
    run.finished = child.waitForFinished(timeoutMs) && child.exitStatus() == QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.output = child.readAllStandardOutput();
    run.errors = child.readAllStandardError();
    return run;
}

// The message of the QuillError `action` throws; a null string when it throws nothing. Any other
// exception escapes and fails the test.
inline QString failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QuillError& e) {
        return e.message().isNull() ? QStringLiteral("(no message)") : e.message();
    }
    return {};
}
