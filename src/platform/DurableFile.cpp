#include "platform/DurableFile.h"

#include "platform/QuillError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QLatin1StringView temporarySuffix(".qntmp");

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString& path, const QString& step, int error) {
    throw QuillError(QStringLiteral("Saving \"%1\" failed while %2: %3.").arg(path, step, errnoText(error)));
}

// Replacing a symbolic link would turn it into a plain file; write through it to the file it names.
QString resolvedTarget(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return info.absoluteFilePath();
}

// Creates the temporary file exclusively; a name clash with another writer just picks a new name.
int createTemporary(const QString& target, mode_t mode, QString& tempPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = QStringLiteral("%1.%2%3")
                       .arg(target)
                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                       .arg(temporarySuffix);
        const int fd =
            ::open(QFile::encodeName(tempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// write() may accept fewer bytes than asked (a disk filling up, a signal): go on until all are
// written or it reports an error. A count of 0 for a non-empty request means no progress: no space.
bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool syncFile(int fd) {
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

} // namespace

namespace DurableFile {

void replaceContents(const QString& path, const QByteArray& bytes) {
    const QString target = resolvedTarget(path);
    const QByteArray nativeTarget = QFile::encodeName(target);

    // A save must not slip past a file the user made read-only: rename() would replace it anyway.
    struct stat existing {};
    const bool exists = ::stat(nativeTarget.constData(), &existing) == 0;
    if (!exists && errno != ENOENT)
        fail(path, QStringLiteral("looking at the existing file"), errno);
    if (exists && ::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
        fail(path, QStringLiteral("checking that the file may be written"), errno);

    const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;
    QString tempPath;
    const int fd = createTemporary(target, mode, tempPath);
    if (fd < 0)
        fail(path, QStringLiteral("creating a temporary file in its folder"), errno);
    const QByteArray nativeTemp = QFile::encodeName(tempPath);

    // From here on every failure removes the temporary file; the old file has not been touched.
    const auto abandon = [&](const QString& step, int error, bool open) {
        if (open)
            ::close(fd);
        ::unlink(nativeTemp.constData());
        fail(path, step, error);
    };
    // open() applied the umask; an existing file's mode is kept exactly.
    if (exists && ::fchmod(fd, mode) != 0)
        abandon(QStringLiteral("setting the temporary file's permissions"), errno, true);
    if (!writeAll(fd, bytes.constData(), bytes.size()))
        abandon(QStringLiteral("writing the temporary file"), errno, true);
    if (!syncFile(fd))
        abandon(QStringLiteral("flushing the temporary file to disk"), errno, true);
    // close() can report a deferred write error (NFS); it is not retried, the descriptor is gone.
    if (::close(fd) != 0)
        abandon(QStringLiteral("closing the temporary file"), errno, false);
    if (::rename(nativeTemp.constData(), nativeTarget.constData()) != 0)
        abandon(QStringLiteral("replacing the file with the temporary file"), errno, false);

    // The rename is only durable once the folder entry is on disk.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        fail(path, QStringLiteral("opening its folder to flush it"), errno);
    const bool synced = syncFile(dirFd);
    const int syncError = errno;
    ::close(dirFd);
    // Some file systems cannot sync a folder (EINVAL); the data itself is on disk then.
    if (!synced && syncError != EINVAL)
        fail(path, QStringLiteral("flushing its folder to disk"), syncError);
}

int removeStaleTemporaries(const QString& path) {
    const QFileInfo target(resolvedTarget(path));
    const QString prefix = target.fileName() + QLatin1Char('.');
    const QDir folder = target.absoluteDir();
    int removed = 0;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() <= prefix.size() + temporarySuffix.size() || !name.startsWith(prefix) ||
            !name.endsWith(temporarySuffix))
            continue;
        // Only "<target>.<random>.qntmp": the random part is one word without dots.
        const QStringView middle =
            QStringView(name).mid(prefix.size(), name.size() - prefix.size() - temporarySuffix.size());
        if (middle.isEmpty() || middle.contains(QLatin1Char('.')))
            continue;
        if (QFile::remove(folder.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace DurableFile
