#include "FileStamp.h"

#include <QFile>
#include <QHash>

#include <ctime>
#include <sys/stat.h>

namespace {

constexpr qint64 NsPerSecond = 1'000'000'000;
// Kernel timestamps on local filesystems advance in clock ticks (a few milliseconds); network
// filesystems take them from the server's clock. Two seconds covers both, and FAT's resolution.
constexpr qint64 GranularityNs = 2 * NsPerSecond;

qint64 nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * NsPerSecond + now.tv_nsec;
}

} // namespace

bool FileStamp::statusOf(const QString& path, Status& status) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    status.device = quint64(info.st_dev);
    status.inode = quint64(info.st_ino);
    status.size = qint64(info.st_size);
    status.modifiedNs = qint64(info.st_mtim.tv_sec) * NsPerSecond + info.st_mtim.tv_nsec;
    return true;
}

quint64 FileStamp::hashOf(QByteArrayView bytes) {
    return quint64(qHashBits(bytes.data(), size_t(bytes.size()), 0x5111u));
}

bool FileStamp::hashFile(const QString& path, qint64 size, quint64& hash) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != size)
        return false;
    const uchar* mapped = file.map(0, size);
    if (mapped) {
        hash = hashOf(QByteArrayView(mapped, size));
        return true;
    }
    const QByteArray bytes = file.readAll();
    hash = hashOf(bytes);
    return file.error() == QFileDevice::NoError && bytes.size() == size;
}

bool FileStamp::withinGranularity(const Status& status) {
    return nowNs() - status.modifiedNs < GranularityNs;
}

FileStamp FileStamp::taken(const QString& path) {
    FileStamp stamp;
    stamp.m_valid = statusOf(path, stamp.m_status);
    stamp.m_racy = stamp.m_valid && withinGranularity(stamp.m_status);
    return stamp;
}

bool FileStamp::changedOn(const QString& path) {
    Status now;
    if (!m_valid || !statusOf(path, now) || !(now == m_status))
        return true;
    if (!m_racy)
        return false;
    // Decided on the time before hashing: a write after it gets a later time.
    const bool settled = !withinGranularity(m_status);
    quint64 hash = 0;
    if (!hashFile(path, now.size, hash) || hash != m_hash)
        return true;
    m_racy = !settled;
    return false;
}
