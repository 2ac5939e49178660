#pragma once

#include "platform/LargeMemory.h"
#include "platform/QuillError.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <span>

// Crash-safe replacement of a whole file: the bytes go to a temporary file in the same folder, every
// write is checked, the temporary file is fsync'ed and renamed over the target, and the folder is
// fsync'ed. On any failure the temporary file is removed, the old file stays as it was, and a
// QuillError naming the file and the failing step is thrown.
namespace DurableFile {

// The new contents did replace the file, but the folder entry could not be flushed to disk: the file
// holds the new contents now, though a power failure could still bring back the old ones. Callers
// must not treat the file as unchanged.
class NotFlushed : public QuillError {
public:
    using QuillError::QuillError;
};

// Takes the new contents piece by piece while they are being produced.
class Sink {
public:
    virtual void write(const char* data, qsizetype size) = 0;

protected:
    ~Sink() = default;
};

// Writes the new contents into the sink, in pieces of any size.
using Producer = std::function<void(Sink& sink)>;
// Looks at the contents while they are produced, on the thread that writes them, so that a check of
// every byte is mostly done by the time the last one is written instead of starting then; what is
// left is looked at on the calling thread once all is produced, while the rest is written and
// flushed, in a last call before the verifier's. Each call gets all bytes so far, from the start (so
// a call may look back at bytes it was given before), and `complete` is true on the last one. Calls
// never overlap. Must not throw.
using Inspector = std::function<void(std::span<const char> written, bool complete)>;
// Looks at the complete contents before they replace the file: returns why they must not, or an
// empty string. Runs on the calling thread while the temporary file is being flushed to disk. The
// bytes are already written and are not used again, so it may change them (e.g. parse in place).
using Verifier = std::function<QString(std::span<char> written)>;

// Temporary files are named "<target>.<random>.qntmp", so that stale ones can be found again.
void replaceContents(const QString& path, const QByteArray& bytes);

// Contents produced while they are written, and how they are checked.
struct Streamed {
    Producer produce;
    Inspector inspect; // may be empty
    Verifier verify;   // may be empty
    // Where the block that holds the contents comes from and goes back to. Without one, blocks of up
    // to 64 MiB are kept per thread.
    LargeMemory::Reserve* reserve = nullptr;
};

// The same for contents that are produced while they are written: full chunks go to disk at once,
// and the verifier's check overlaps the flush. Nothing is renamed before both have succeeded.
// Exceptions from the producer or verifier pass through after the temporary file is removed.
void replaceContents(const QString& path, const Streamed& contents);
void replaceContents(const QString& path, const Producer& produce, const Verifier& verify);

// Removes temporary files that a killed save may have left beside `path`. Returns how many.
int removeStaleTemporaries(const QString& path);

} // namespace DurableFile
