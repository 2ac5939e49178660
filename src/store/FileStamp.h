#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// What the notes file looked like when it was last read or written, to tell whether another program
// has written it since. Device, inode, size and modification time catch nearly every change; a
// replacement by rename always gets a new inode. Within the filesystem's timestamp granularity of
// the stamp, a write of the same size in place could keep all four, so such a stamp also holds a
// hash of the bytes and the file is hashed again when it is compared. Once a comparison made past
// that window still finds the same bytes, later writes must show in the time, and the hash is no
// longer needed.
class FileStamp {
public:
    FileStamp() = default;

    // Kernel timestamps on local filesystems advance in clock ticks (10 ms at most); network
    // filesystems take them from the server's clock. Two seconds covers both, and FAT's resolution.
    static constexpr int GranularityMs = 2000;
    // Local filesystems known to keep nanoseconds: two ticks and some room. A save of a large file
    // takes longer than this between its last write and its stamp, so the next save need not hash it.
    static constexpr int FineGranularityMs = 50;

    // The file's state now. The caller hashes the bytes it reads or writes (see setHash) and takes
    // the stamp before reading, so that a write in between shows as a change.
    static FileStamp taken(const QString& path);
    static quint64 hashOf(QByteArrayView bytes);
    // hashOf's value built as the bytes are read, so that each piece is hashed while it is still in
    // the cache. Every piece but the last must be PieceSize bytes long.
    class PieceHash {
    public:
        static constexpr qsizetype PieceSize = 1 << 20;
        void add(QByteArrayView piece);
        quint64 value() const { return quint64(m_running); }

    private:
        size_t m_running = 0x5111u;
    };
    void setHash(quint64 hash) { m_hash = hash; }

    bool isValid() const { return m_valid; }
    // Whether the file at `path` may hold other bytes than the stamped ones. A file that is gone or
    // cannot be examined counts as changed. With Bytes::Later, a file whose status is unchanged
    // counts as unchanged even where only its bytes could tell (needsHash()): the caller compares
    // them with a second call before it relies on that.
    enum class Bytes { Now, Later };
    bool changedOn(const QString& path, Bytes bytes = Bytes::Now);
    bool needsHash() const { return m_racy; }

private:
    struct Status {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Status&) const = default;
    };
    static bool statusOf(const QString& path, Status& status);
    static bool hashFile(const QString& path, qint64 size, quint64& hash);
    static qint64 granularityNs(const QString& path, const Status& status);
    bool withinGranularity(const Status& status) const;

    Status m_status;
    qint64 m_granularityNs = qint64(GranularityMs) * 1'000'000;
    quint64 m_hash = 0;
    bool m_racy = false;
    bool m_valid = false;
};
