#include "FileStamp.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <ctime>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace {

constexpr qint64 NsPerSecond = 1'000'000'000;
constexpr qint64 NsPerMs = 1'000'000;
constexpr qsizetype HashPiece = FileStamp::PieceHash::PieceSize;

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

// In pieces, each seeding the next, so that a file is hashed as it is read, without mapping it.
void FileStamp::PieceHash::add(QByteArrayView piece) {
    m_running = qHashBits(piece.data(), size_t(piece.size()), m_running);
}

quint64 FileStamp::hashOf(QByteArrayView bytes) {
    PieceHash hash;
    for (qsizetype at = 0; at < bytes.size(); at += HashPiece)
        hash.add(bytes.sliced(at, std::min(HashPiece, bytes.size() - at)));
    return hash.value();
}

bool FileStamp::hashFile(const QString& path, qint64 size, quint64& hash) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || file.size() != size)
        return false;
    QByteArray piece(HashPiece, Qt::Uninitialized);
    PieceHash running;
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(piece.data(), HashPiece);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        running.add(QByteArrayView(piece.constData(), got));
        total += got;
    }
    hash = running.value();
    return total == size;
}

// A filesystem of those types can still store whole seconds only (ext4 with small inodes): a time
// with a fraction shows it does not.
qint64 FileStamp::granularityNs(const QString& path, const Status& status) {
    struct statfs info {};
    if (status.modifiedNs % NsPerSecond == 0 || ::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return GranularityMs * NsPerMs;
    switch (info.f_type) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return FineGranularityMs * NsPerMs;
    default:
        return GranularityMs * NsPerMs;
    }
}

bool FileStamp::withinGranularity(const Status& status) const {
    return nowNs() - status.modifiedNs < m_granularityNs;
}

FileStamp FileStamp::taken(const QString& path) {
    FileStamp stamp;
    stamp.m_valid = statusOf(path, stamp.m_status);
    if (stamp.m_valid)
        stamp.m_granularityNs = granularityNs(path, stamp.m_status);
    stamp.m_racy = stamp.m_valid && stamp.withinGranularity(stamp.m_status);
    return stamp;
}

bool FileStamp::changedOn(const QString& path, Bytes bytes) {
    Status now;
    if (!m_valid || !statusOf(path, now) || !(now == m_status))
        return true;
    if (!m_racy || bytes == Bytes::Later)
        return false;
    // Decided on the time before hashing: a write after it gets a later time.
    const bool settled = !withinGranularity(m_status);
    quint64 hash = 0;
    if (!hashFile(path, now.size, hash) || hash != m_hash)
        return true;
    m_racy = !settled;
    return false;
}
