#include "platform/DurableFile.h"
#include "platform/LargeMemory.h"
#include "platform/QuillError.h"

#include "TestFolders.h"

#include <QtTest>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList temporariesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.qntmp")}, QDir::Files | QDir::Hidden);
}

// Bytes that show where each one belongs, so that a piece lost, doubled or moved is seen.
QByteArray numbered(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + (i * 7 + i / 4093) % 26);
    return bytes;
}

// Hands `bytes` over in pieces of an odd size, so that no piece ends on a chunk boundary.
DurableFile::Producer inPieces(const QByteArray& bytes, qsizetype piece = 1000) {
    return [bytes, piece](DurableFile::Sink& sink) {
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            sink.write(bytes.constData() + at, std::min(piece, bytes.size() - at));
    };
}

// The child reports through writev(): the faults under test are injected into write(), and strace
// counts them per thread, so the main thread's first write() would be hit as well.
void report(const char* line) {
    iovec parts[] = {{const_cast<char*>(line), std::strlen(line)}, {const_cast<char*>("\n"), 1}};
    [[maybe_unused]] const ssize_t n = ::writev(STDOUT_FILENO, parts, 2);
}

// Child mode: one replacement, so that a tracer can fail a chosen system call of it. "stream"
// produces the bytes piece by piece and verifies them; "steps" does too, but waits after the first
// half until some are written, so that at least two writes are made; "bytes" hands them over at once.
int replaceHelper(const char* mode, const char* path, const char* size) {
    try {
        const QByteArray bytes(atoi(size), 'n');
        const auto verify = [&bytes](std::span<char> written) {
            return QByteArrayView(written) == bytes ? QString() : QStringLiteral("differs");
        };
        const QString folder = QFileInfo(QString::fromLocal8Bit(path)).absolutePath();
        const auto someWritten = [&folder] {
            const QFileInfoList temporaries = QDir(folder).entryInfoList({QStringLiteral("*.qntmp")});
            return !temporaries.isEmpty() && temporaries.first().size() > 0;
        };
        const auto inSteps = [&](DurableFile::Sink& sink) {
            const qsizetype half = bytes.size() / 2;
            inPieces(bytes.first(half))(sink);
            QDeadlineTimer limit(10000);
            while (!someWritten() && !limit.hasExpired())
                QThread::yieldCurrentThread();
            inPieces(bytes.sliced(half))(sink);
        };
        if (qstrcmp(mode, "stream") == 0)
            DurableFile::replaceContents(QString::fromLocal8Bit(path), inPieces(bytes), verify);
        else if (qstrcmp(mode, "steps") == 0)
            DurableFile::replaceContents(QString::fromLocal8Bit(path), inSteps, verify);
        else
            DurableFile::replaceContents(QString::fromLocal8Bit(path), bytes);
        report("replaced");
        return 0;
    } catch (const QuillError& e) {
        report(e.what());
        return 3;
    }
}

} // namespace

class TestDurableFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { umask(022); }

    void replacesAndKeepsPermissions() {
        QTemporaryDir dir;
        const QString path = dir.filePath("notes.xml");
        DurableFile::replaceContents(path, "first");
        QCOMPARE(modeOf(path), 0644u);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0600) == 0);
        const QByteArray big(3 * 1024 * 1024 + 7, 'x');
        DurableFile::replaceContents(path, big);
        QCOMPARE(TestFolders::readFile(path), big);
        QCOMPARE(modeOf(path), 0600u);

        DurableFile::replaceContents(path, QByteArray());
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(temporariesIn(dir.path()), QStringList());
    }

    void writesThroughSymbolicLink() {
        QTemporaryDir dir;
        const QString real = dir.filePath("real.xml");
        const QString link = dir.filePath("link.xml");
        TestFolders::writeFile(real, "old");
        QVERIFY(QFile::link(real, link));
        DurableFile::replaceContents(link, "new");
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(TestFolders::readFile(real), QByteArray("new"));
    }

    // Produced in pieces over many chunks, from an old file far smaller than the new one (so the
    // block has to grow while earlier chunks are being written); the checks see what is written.
    // Later rows get the larger block of earlier ones from the reserve, with their bytes still in it.
    void streamsInPiecesAndVerifies_data() {
        QTest::addColumn<int>("oldSize");
        QTest::addColumn<int>("newSize");
        QTest::addColumn<int>("piece");
        QTest::newRow("grows from nothing") << 0 << 3 * 1024 * 1024 + 11 << 4093;
        QTest::newRow("shrinks") << 2 * 1024 * 1024 << 700 * 1024 << 4093;
        QTest::newRow("empty") << 10 << 0 << 4093;
        QTest::newRow("pieces of many chunks") << 0 << 5 * 1024 * 1024 << 1500 * 1024;
    }
    void streamsInPiecesAndVerifies() {
        QFETCH(int, oldSize);
        QFETCH(int, newSize);
        QFETCH(int, piece);
        QTemporaryDir dir;
        const QString path = dir.filePath("notes.xml");
        if (oldSize > 0) {
            TestFolders::writeFile(path, QByteArray(oldSize, 'o'));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        }
        const QByteArray bytes = numbered(newSize);
        QByteArray checked;
        int checks = 0;
        // The inspector sees longer and longer beginnings of the bytes, complete once, at the end.
        qsizetype inspected = 0;
        int completions = 0;
        bool inOrder = true;
        const auto inspect = [&](std::span<const char> written, bool complete) {
            const QByteArrayView seen(written.data(), qsizetype(written.size()));
            inOrder = inOrder && completions == 0 && seen.size() >= inspected && bytes.startsWith(seen);
            inspected = seen.size();
            completions += complete;
        };
        const auto verify = [&](std::span<char> written) {
            checked = QByteArrayView(written).toByteArray();
            ++checks;
            return QString();
        };
        DurableFile::replaceContents(path, {inPieces(bytes, piece), inspect, verify, &m_reserve});
        QCOMPARE(checks, 1);
        QVERIFY(checked == bytes);
        QVERIFY(inOrder);
        QCOMPARE(completions, 1);
        QCOMPARE(inspected, bytes.size());
        QVERIFY(TestFolders::readFile(path) == bytes);
        QCOMPARE(modeOf(path), oldSize > 0 ? 0640u : 0644u);
        QCOMPARE(temporariesIn(dir.path()), QStringList());
    }

    // The writing thread may still be looking at the bytes when the last one is produced: the
    // caller's last look waits for it to end (the inspector is not made for two threads at once).
    void inspectionsNeverOverlap() {
        QTemporaryDir dir;
        const QByteArray bytes = numbered(600 * 1024);
        QSemaphore threadLooks;
        QSemaphore lastLookStarted;
        std::atomic<bool> inside = false;
        std::atomic<bool> overlapped = false;
        bool threadLooked = false;
        const auto produce = [&](DurableFile::Sink& sink) {
            // More than a chunk, which goes to the thread at once; then the rest, while it looks.
            sink.write(bytes.constData(), 300 * 1024);
            threadLooked = threadLooks.tryAcquire(1, 10000);
            sink.write(bytes.constData() + 300 * 1024, bytes.size() - 300 * 1024);
        };
        const auto inspect = [&](std::span<const char>, bool complete) {
            overlapped = overlapped || inside.exchange(true);
            if (complete) {
                lastLookStarted.release();
            } else if (!threadLooked) {
                threadLooks.release();
                // Long enough for the last look to start, had it not waited.
                lastLookStarted.tryAcquire(1, 300);
            }
            inside = false;
        };
        DurableFile::replaceContents(dir.filePath("notes.xml"), {produce, inspect, {}, &m_reserve});
        QVERIFY(threadLooked);
        QVERIFY(!overlapped);
        QVERIFY(TestFolders::readFile(dir.filePath("notes.xml")) == bytes);
    }

    // A rejected check, or a producer or check that throws, leaves the old file exactly as it was.
    void failedCheckKeepsOldFile_data() {
        QTest::addColumn<QString>("failure");
        QTest::newRow("rejected") << "rejected";
        QTest::newRow("check throws") << "check throws";
        QTest::newRow("producer throws") << "producer throws";
    }
    // A vector of many rows moves between the heap and mapped blocks as it grows and shrinks: each
    // array must go back where it came from, its contents intact.
    void largeArraysKeepTheirRowsAcrossBlocks() {
        std::vector<quint32, LargeMemory::Allocator<quint32>> rows;
        for (quint32 i = 0; i < 700'000; ++i)
            rows.push_back(i * 2654435761u);
        QCOMPARE(reinterpret_cast<quintptr>(rows.data()) % (2 * 1024 * 1024), quintptr(0));
        rows.resize(1000);
        rows.shrink_to_fit();
        rows.resize(LargeMemory::LargeArrayBytes / sizeof(quint32)); // exactly at the limit
        for (quint32 i = 0; i < 1000; ++i)
            QCOMPARE(rows[i], i * 2654435761u);
        QCOMPARE(rows.back(), 0u);
    }

    void failedCheckKeepsOldFile() {
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString path = dir.filePath("notes.xml");
        const QByteArray old = numbered(100000);
        TestFolders::writeFile(path, old);
        const QByteArray bytes = numbered(1024 * 1024);
        const DurableFile::Producer produce = [&](DurableFile::Sink& sink) {
            inPieces(bytes)(sink);
            if (failure == "producer throws")
                throw std::runtime_error("producer gave up");
        };
        const DurableFile::Verifier verify = [&](std::span<char>) {
            if (failure == "check throws")
                throw std::runtime_error("check gave up");
            return QStringLiteral("the root is missing");
        };
        try {
            DurableFile::replaceContents(path, produce, verify);
            QFAIL("no error");
        } catch (const QuillError& e) {
            QCOMPARE(failure, "rejected");
            QCOMPARE(e.message(),
                     "Saving \"" + path + "\" failed while checking what was written: the root is missing.");
        } catch (const std::runtime_error& e) {
            QVERIFY2(failure.endsWith("throws"), e.what());
        }
        QVERIFY(TestFolders::readFile(path) == old);
        QCOMPARE(temporariesIn(dir.path()), QStringList());
    }

    void missingFolderIsReported() {
        QTemporaryDir dir;
        const QString path = dir.filePath("gone/notes.xml");
        try {
            DurableFile::replaceContents(path, "x");
            QFAIL("no error");
        } catch (const QuillError& e) {
            QVERIFY2(e.message().contains(path) && e.message().contains("creating a temporary file") &&
                         e.message().contains("No such file or directory"),
                     e.what());
        }
    }

    void removesOnlyItsOwnTemporaries() {
        QTemporaryDir dir;
        const QStringList stale = {"quill.xml.1a2b3c4d.qntmp", "quill.xml.x.qntmp"};
        const QStringList kept = {"quill.xml",         "quill.xml.qntmp",    "quill.xml.a.b.qntmp",
                                  "other.xml.1.qntmp", "quill.xml.backup-1", "quill.xml.1a2b3c4d.tmp",
                                  ".quill.xml.qntmp"};
        for (const QString& name : stale + kept)
            TestFolders::writeFile(dir.filePath(name), "x");
        QCOMPARE(DurableFile::removeStaleTemporaries(dir.filePath("quill.xml")), 2);
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(left, expected);
    }

    // Each step of a save fails in turn (strace fault injection); the old file must survive all but
    // the last, which comes after the rename.
    void failingStep_data() {
        QTest::addColumn<QString>("mode");       // "bytes" at once, a "stream" of pieces, or "steps"
        QTest::addColumn<QStringList>("inject"); // strace options; "{folder}" is the file's folder
        QTest::addColumn<QString>("reported");   // empty: the save succeeds
        QTest::addColumn<bool>("replaced");
        const auto inject = [](const char* what) { return QStringList{"-e", QString("inject=") + what}; };
        QTest::newRow("write") << "bytes" << inject("write:error=ENOSPC:when=1")
                               << "writing the temporary file: No space left on device" << false;
        QTest::newRow("fchmod") << "bytes" << inject("fchmod:error=EPERM:when=1") << "permissions" << false;
        QTest::newRow("fsync") << "bytes" << inject("fsync:error=EIO:when=1")
                               << "flushing the temporary file to disk: Input/output error" << false;
        QTest::newRow("rename") << "bytes" << inject("rename,renameat,renameat2:error=EXDEV:when=1")
                                << "replacing the file with the temporary file" << false;
        QTest::newRow("folder sync") << "bytes" << inject("fsync:error=EIO:when=2") << "flushing its folder"
                                     << true;
        QTest::newRow("interrupted write") << "bytes" << inject("write:error=EINTR:when=1") << "" << true;
        QTest::newRow("interrupted fsync") << "bytes" << inject("fsync:error=EINTR:when=1") << "" << true;
        // The stream's writes and its fsync run on a thread of their own; strace counts per thread.
        QTest::newRow("stream: first write")
            << "stream" << inject("write:error=ENOSPC:when=1")
            << "writing the temporary file: No space left on device" << false;
        QTest::newRow("stream: write mid-way") << "steps" << inject("write:error=EIO:when=2")
                                               << "writing the temporary file: Input/output error" << false;
        QTest::newRow("stream: fsync during the check")
            << "stream" << inject("fsync:error=EIO:when=1")
            << "flushing the temporary file to disk: Input/output error" << false;
        QTest::newRow("stream: rename") << "stream" << inject("rename,renameat,renameat2:error=EXDEV:when=1")
                                        << "replacing the file with the temporary file" << false;
        QTest::newRow("stream: folder sync")
            << "stream" << QStringList{"-P", "{folder}", "-e", "inject=fsync:error=EIO:when=1"}
            << "flushing its folder" << true;
        QTest::newRow("stream: interrupted writes")
            << "stream" << inject("write:error=EINTR:when=2") << "" << true;
    }
    void failingStep() {
        QFETCH(QString, mode);
        QFETCH(QStringList, inject);
        QFETCH(QString, reported);
        QFETCH(bool, replaced);
        const QString strace = QStandardPaths::findExecutable("strace");
        if (strace.isEmpty())
            QSKIP("strace is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("quill.xml");
        TestFolders::writeFile(path, "old");

        inject.replaceInStrings("{folder}", dir.path());
        // 1 MB makes four chunks in a stream, two of them before the first is written in steps.
        const int size = mode == "bytes" ? 200000 : 1000000;
        QProcess child;
        child.start(strace, QStringList{"-f", "-o", "/dev/null"} + inject +
                                QStringList{QCoreApplication::applicationFilePath(), "--replace-helper", mode,
                                            path, QString::number(size)});
        QVERIFY(child.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        if (output.isEmpty())
            QSKIP(qPrintable("strace cannot trace here: " + child.readAllStandardError()));
        if (reported.isEmpty()) {
            QCOMPARE(output, "replaced");
        } else {
            QVERIFY2(output.contains(path) && output.contains(reported), qPrintable(output));
        }
        QVERIFY(TestFolders::readFile(path) == (replaced ? QByteArray(size, 'n') : QByteArray("old")));
        QCOMPARE(temporariesIn(dir.path()), QStringList());
    }

private:
    LargeMemory::Reserve m_reserve;
};

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--replace-helper") == 0)
        return replaceHelper(argv[2], argv[3], argv[4]);
    QCoreApplication app(argc, argv);
    TestDurableFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durableFile.moc"
