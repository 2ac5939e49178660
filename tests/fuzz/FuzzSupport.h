#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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

// A private folder, on the RAM disk when the machine has one: the targets write a file per input.
// Removed at exit; a crash leaves it for the post-mortem.
inline const QString& scratchFolder() {
    static const QString folder = [] {
        const QByteArray base = QDir(QStringLiteral("/dev/shm")).exists() ? QByteArray("/dev/shm")
                                                                          : QDir::tempPath().toLocal8Bit();
        QByteArray pattern = base + "/quill-fuzz-XXXXXX";
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
