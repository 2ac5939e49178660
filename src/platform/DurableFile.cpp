#include "DurableFile.h"

#include "platform/LargeMemory.h"
#include "platform/QuillError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

const QLatin1StringView temporarySuffix(".qntmp");

// Large enough that the system calls cost little, small enough that writing starts early.
constexpr qsizetype chunkSize = qsizetype(256) * 1024;

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const QString& path, const QString& step, const QString& detail) {
    throw QuillError(QStringLiteral("Saving \"%1\" failed while %2: %3.").arg(path, step, detail));
}

[[noreturn]] void fail(const QString& path, const QString& step, int error) {
    fail(path, step, errnoText(error));
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

const QString stepWrite = QStringLiteral("writing the temporary file");
const QString stepSync = QStringLiteral("flushing the temporary file to disk");

// The temporary file beside the target. Until commit() has renamed it, destroying it (on any
// failure) closes and removes it, so the old file is never touched.
class Temporary {
public:
    explicit Temporary(const QString& path) : m_path(path) {
        const QString target = resolvedTarget(path);
        m_nativeTarget = QFile::encodeName(target);
        m_nativeFolder = QFile::encodeName(QFileInfo(target).absolutePath());

        // A save must not slip past a file the user made read-only: rename() would replace it anyway.
        struct stat existing {};
        const bool exists = ::stat(m_nativeTarget.constData(), &existing) == 0;
        if (!exists && errno != ENOENT)
            fail(QStringLiteral("looking at the existing file"), errno);
        if (exists && ::faccessat(AT_FDCWD, m_nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
            fail(QStringLiteral("checking that the file may be written"), errno);
        m_existingSize = exists ? qint64(existing.st_size) : 0;

        const mode_t mode = exists ? (existing.st_mode & 07777) : 0644;
        QString tempPath;
        m_file.fd = createTemporary(target, mode, tempPath);
        if (m_file.fd < 0)
            fail(QStringLiteral("creating a temporary file in its folder"), errno);
        m_file.nativePath = QFile::encodeName(tempPath);
        // open() applied the umask; an existing file's mode is kept exactly.
        if (exists && ::fchmod(m_file.fd, mode) != 0)
            fail(QStringLiteral("setting the temporary file's permissions"), errno);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return m_file.fd; }
    qint64 existingSize() const { return m_existingSize; }

    [[noreturn]] void fail(const QString& step, int error) const { ::fail(m_path, step, error); }
    [[noreturn]] void fail(const QString& step, const QString& detail) const { ::fail(m_path, step, detail); }

    // Call once the whole contents are written and flushed.
    void commit() {
        // close() can report a deferred write error (NFS); it is not retried, the descriptor is gone.
        const int rc = ::close(m_file.fd);
        m_file.fd = -1;
        if (rc != 0)
            fail(QStringLiteral("closing the temporary file"), errno);
        if (::rename(m_file.nativePath.constData(), m_nativeTarget.constData()) != 0)
            fail(QStringLiteral("replacing the file with the temporary file"), errno);
        m_file.renamed = true;

        // The rename is only durable once the folder entry is on disk.
        const int dirFd = ::open(m_nativeFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0)
            notFlushed(QStringLiteral("opening its folder to flush it"), errno);
        const bool synced = syncFile(dirFd);
        const int syncError = errno;
        ::close(dirFd);
        // Some file systems cannot sync a folder (EINVAL); the data itself is on disk then.
        if (!synced && syncError != EINVAL)
            notFlushed(QStringLiteral("flushing its folder to disk"), syncError);
    }

private:
    // After the rename the old contents are gone: saying "failed" would make the caller believe the
    // file unchanged.
    [[noreturn]] void notFlushed(const QString& step, int error) const {
        throw DurableFile::NotFlushed(
            QStringLiteral("Saving \"%1\" replaced the file, but failed while %2: %3. A power failure "
                           "could still bring back its old contents.")
                .arg(m_path, step, errnoText(error)));
    }

    // A member, so that its clean-up also runs when the constructor throws.
    struct File {
        int fd = -1;
        QByteArray nativePath;
        bool renamed = false;
        File() = default;
        File(const File&) = delete;
        File& operator=(const File&) = delete;
        ~File() {
            if (fd >= 0)
                ::close(fd);
            if (!nativePath.isEmpty() && !renamed)
                ::unlink(nativePath.constData());
        }
    };

    QString m_path; // as the caller gave it, for messages
    QByteArray m_nativeTarget;
    QByteArray m_nativeFolder;
    qint64 m_existingSize = 0;
    File m_file;
};

using LargeMemory::Block;

// Blocks of streamed replacements made without a reserve of their own, such as downloads: small
// ones are kept, so that the next replacement does not map them again.
thread_local LargeMemory::Reserve smallBlocks(qsizetype(64) * 1024 * 1024);

// Keeps every byte (for the checks) in one block and hands each full chunk to a thread that writes
// and inspects it, so that both overlap producing. Once finished, that thread writes the rest and
// flushes the file while the caller inspects the rest and verifies.
class StreamingSink final : public DurableFile::Sink {
public:
    StreamingSink(int fd, qsizetype expectedSize, LargeMemory::Reserve& reserve,
                  const DurableFile::Inspector& inspect)
        : m_fd(fd), m_reserve(reserve), m_inspect(inspect),
          m_data(reserve.take(expectedSize, LargeMemory::Pages::MapNow)),
          m_capacity(LargeMemory::capacityOf(m_data)), m_thread([this] { run(); }) {}
    StreamingSink(const StreamingSink&) = delete;
    StreamingSink& operator=(const StreamingSink&) = delete;
    // After a failure elsewhere the thread stops without writing or flushing any more.
    ~StreamingSink() {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_wake.notify_one();
        m_thread.join();
        m_reserve.giveBack(std::move(m_data));
    }

    void write(const char* data, qsizetype size) override {
        // After a failed write the save is lost; producing goes on, but nothing more is kept.
        if (size <= 0 || m_failed.load(std::memory_order_relaxed))
            return;
        if (m_capacity - m_size < size)
            grow(m_size + size);
        // A long piece is handed over a chunk at a time, so that writing it starts at once.
        while (size > 0) {
            const qsizetype step = std::min(size, chunkSize);
            std::memcpy(m_data.get() + m_size, data, size_t(step));
            m_size += step;
            data += step;
            size -= step;
            if (m_size - m_published >= chunkSize)
                publish();
        }
    }

    // Hands over the rest: the thread writes it and flushes the file.
    void finish() {
        {
            const std::lock_guard lock(m_mutex);
            m_published = m_size;
            m_finished = true;
        }
        m_wake.notify_one();
    }

    // Once finished, the block no longer moves: the caller may look at it while the rest is written.
    // Waits until the thread has ended a look of its own. Returns the bytes, or nothing after a failure.
    std::optional<std::span<const char>> finishedBytes() {
        std::unique_lock lock(m_mutex);
        m_drained.wait(lock, [this] { return !m_inspecting || m_failed.load(); });
        if (m_failed.load())
            return std::nullopt;
        return std::span<const char>(m_data.get(), size_t(m_size));
    }

    // Waits until every byte is handed to the system; then the block is no longer read. Returns
    // the bytes, or nothing after a failure.
    std::optional<std::span<char>> waitUntilWritten() {
        std::unique_lock lock(m_mutex);
        m_drained.wait(lock, [this] { return m_written == m_published || m_failed.load(); });
        if (m_failed.load())
            return std::nullopt;
        return std::span<char>(m_data.get(), size_t(m_size));
    }

    // Waits until the file is written and flushed. Returns the failed step, or null.
    const QString* waitUntilFlushed(int& error) {
        std::unique_lock lock(m_mutex);
        m_drained.wait(lock, [this] { return m_flushed || m_failed.load(); });
        error = m_error;
        return m_failedStep;
    }

private:
    void publish() {
        {
            const std::lock_guard lock(m_mutex);
            m_published = m_size;
        }
        m_wake.notify_one();
    }

    void run() {
        qsizetype written = 0;
        for (;;) {
            const char* data;
            qsizetype upto;
            bool last;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_cancelled || m_finished || m_published > written; });
                if (m_cancelled)
                    return;
                data = m_data.get();
                upto = m_published;
                last = m_finished;
            }
            if (!writeInChunks(data, written, upto, last))
                return;
            if (last)
                break;
        }
        if (!syncFile(m_fd))
            return failWith(stepSync, errno);
        {
            const std::lock_guard lock(m_mutex);
            m_flushed = true;
        }
        m_drained.notify_all();
    }

    // A chunk at a time, each flushed early. While the contents are produced, what is written is
    // inspected whenever the thread has caught up with the producer, so that inspecting never holds
    // up writing; once all are produced, the flush goes first and the caller inspects the rest.
    // Returns false after a failure.
    bool writeInChunks(const char* data, qsizetype& written, qsizetype upto, bool last) {
        do {
            const qsizetype end = last ? upto : std::min(upto, written + chunkSize);
            if (!writeAll(m_fd, data + written, end - written)) {
                failWith(stepWrite, errno);
                return false;
            }
            // Starts writeback now, so that the flush at the end has less left to wait for. Only a
            // hint: an error in writing back is reported by fsync() as well.
            if (end > written && !last)
                ::sync_file_range(m_fd, written, end - written, SYNC_FILE_RANGE_WRITE);
            // Before the last bytes count as written: the block may move once they do.
            if (end == upto && m_inspect && !last && startInspecting(upto)) {
                m_inspect(std::span<const char>(data, size_t(end)), false);
                stopInspecting();
            }
            written = end;
            {
                const std::lock_guard lock(m_mutex);
                m_written = written;
            }
            m_drained.notify_all();
        } while (written < upto);
        return true;
    }

    // Only while nothing more is produced: once it is all there, the caller looks at the rest.
    bool startInspecting(qsizetype upto) {
        const std::lock_guard lock(m_mutex);
        m_inspecting = m_published == upto && !m_finished;
        return m_inspecting;
    }

    void stopInspecting() {
        {
            const std::lock_guard lock(m_mutex);
            m_inspecting = false;
        }
        m_drained.notify_all();
    }

    void failWith(const QString& step, int error) {
        {
            const std::lock_guard lock(m_mutex);
            m_failedStep = &step;
            m_error = error;
            m_failed.store(true);
        }
        m_drained.notify_all();
    }

    // The thread may be writing from the block: move it only once all handed-over bytes are written.
    void grow(qsizetype needed) {
        const qsizetype capacity = std::max(needed, m_capacity + m_capacity / 2);
        Block larger = LargeMemory::allocate(capacity, LargeMemory::Pages::MapNow);
        std::memcpy(larger.get(), m_data.get(), size_t(m_size));
        std::unique_lock lock(m_mutex);
        m_drained.wait(lock, [this] { return m_written == m_published || m_failed.load(); });
        m_data = std::move(larger);
        m_capacity = LargeMemory::capacityOf(m_data);
    }

    const int m_fd;
    LargeMemory::Reserve& m_reserve;
    const DurableFile::Inspector& m_inspect;
    Block m_data;
    qsizetype m_capacity;
    qsizetype m_size = 0;
    // Shared with the thread, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;    // for the thread: more bytes, finished or cancelled
    std::condition_variable m_drained; // for the caller: bytes written, flushed or failed
    qsizetype m_published = 0;         // bytes the thread may write
    qsizetype m_written = 0;
    bool m_finished = false;
    bool m_inspecting = false;
    bool m_cancelled = false;
    bool m_flushed = false;
    std::atomic<bool> m_failed{false};
    const QString* m_failedStep = nullptr;
    int m_error = 0;
    std::thread m_thread; // last: it starts running in the constructor
};

} // namespace

namespace DurableFile {

void replaceContents(const QString& path, const QByteArray& bytes) {
    Temporary temp(path);
    if (!writeAll(temp.fd(), bytes.constData(), bytes.size()))
        temp.fail(stepWrite, errno);
    if (!syncFile(temp.fd()))
        temp.fail(stepSync, errno);
    temp.commit();
}

void replaceContents(const QString& path, const Producer& produce, const Verifier& verify) {
    replaceContents(path, Streamed{produce, {}, verify});
}

void replaceContents(const QString& path, const Streamed& contents) {
    Temporary temp(path);
    // Room for the old size and some growth, so that the block rarely has to move.
    const qsizetype expected = qsizetype(temp.existingSize() + temp.existingSize() / 8) + 64 * 1024;
    std::unique_ptr<StreamingSink> sink;
    try {
        sink = std::make_unique<StreamingSink>(
            temp.fd(), expected, contents.reserve ? *contents.reserve : smallBlocks, contents.inspect);
    } catch (const std::system_error& e) {
        temp.fail(QStringLiteral("starting the thread that writes it"), e.code().value());
    }
    contents.produce(*sink);
    sink->finish();
    // The checks overlap writing the rest and the flush; the rename waits for both.
    QString rejected;
    if (contents.inspect) {
        if (const auto finished = sink->finishedBytes())
            contents.inspect(*finished, true);
    }
    if (contents.verify) {
        if (const auto written = sink->waitUntilWritten())
            rejected = contents.verify(*written);
    }
    int error = 0;
    if (const QString* step = sink->waitUntilFlushed(error))
        temp.fail(*step, error);
    if (!rejected.isEmpty())
        temp.fail(QStringLiteral("checking what was written"), rejected);
    sink.reset();
    temp.commit();
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
