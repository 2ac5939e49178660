#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

// What the fuzz targets share: the input as Qt bytes, a scratch folder for the inputs that are read
// from files, and a failure that libFuzzer and the replay driver both see as a crash.
namespace FuzzSupport {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken promise of the code under test (not a refused input): abort, so that the input is kept.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition)
        fail(what);
}

// Scratch folders are named after their process, so that those of processes that crashed (libFuzzer
// ends on the first fault, and minimising crashes on purpose) can be found and removed.
inline void removeOrphanedScratchFolders(const QString& base) {
    const QDir dir(base);
    for (const QString& name : dir.entryList({QStringLiteral("quill-fuzz-*-*")}, QDir::Dirs)) {
        bool isNumber = false;
        const qint64 pid = name.section(QLatin1Char('-'), 2, 2).toLongLong(&isNumber);
        if (isNumber && pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QDir(dir.filePath(name)).removeRecursively();
    }
}

// A private folder, on the RAM disk when the machine has one: the targets write a file per input.
// Removed at exit.
inline const QString& scratchFolder() {
    static const QString folder = [] {
        const QString base =
            QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        removeOrphanedScratchFolders(base);
        QByteArray pattern =
            QStringLiteral("%1/quill-fuzz-%2-XXXXXX").arg(base).arg(::getpid()).toLocal8Bit();
        if (!::mkdtemp(pattern.data()))
            fail("cannot create a scratch folder");
        static QString made = QString::fromLocal8Bit(pattern);
        std::atexit([] { QDir(made).removeRecursively(); });
        return made;
    }();
    return folder;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the input file");
}

} // namespace FuzzSupport
