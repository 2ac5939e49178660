#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <signal.h>

// Whether a process still runs. A zombie counts as gone: it has ended and only waits for its parent.
inline bool isAlive(qint64 pid) {
    if (pid <= 0 || ::kill(pid_t(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) != "Z";
}
