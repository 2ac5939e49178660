#include "platform/DurableFile.h"
#include "platform/QuillError.h"

#include "TestFolders.h"

#include <QtTest>

#include <cstdio>
#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList temporariesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.qntmp")}, QDir::Files | QDir::Hidden);
}

// Child mode: one replacement, so that a tracer can fail a chosen system call of it.
int replaceHelper(const char* path, const char* size) {
    try {
        DurableFile::replaceContents(QString::fromLocal8Bit(path), QByteArray(atoi(size), 'n'));
        std::puts("replaced");
        return 0;
    } catch (const QuillError& e) {
        std::puts(e.what());
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
        QTest::addColumn<QString>("inject");
        QTest::addColumn<QString>("reported"); // empty: the save succeeds
        QTest::addColumn<bool>("replaced");
        QTest::newRow("write") << "write:error=ENOSPC:when=1"
                               << "writing the temporary file: No space left on device" << false;
        QTest::newRow("fchmod") << "fchmod:error=EPERM:when=1"
                                << "permissions" << false;
        QTest::newRow("fsync") << "fsync:error=EIO:when=1"
                               << "flushing the temporary file to disk: Input/output error" << false;
        QTest::newRow("rename") << "rename,renameat,renameat2:error=EXDEV:when=1"
                                << "replacing the file with the temporary file" << false;
        QTest::newRow("folder sync") << "fsync:error=EIO:when=2"
                                     << "flushing its folder" << true;
        QTest::newRow("interrupted write") << "write:error=EINTR:when=1"
                                           << "" << true;
        QTest::newRow("interrupted fsync") << "fsync:error=EINTR:when=1"
                                           << "" << true;
    }
    void failingStep() {
        QFETCH(QString, inject);
        QFETCH(QString, reported);
        QFETCH(bool, replaced);
        const QString strace = QStandardPaths::findExecutable("strace");
        if (strace.isEmpty())
            QSKIP("strace is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("quill.xml");
        TestFolders::writeFile(path, "old");

        QProcess child;
        child.start(strace, {"-f", "-o", "/dev/null", "-e", "inject=" + inject,
                             QCoreApplication::applicationFilePath(), "--replace-helper", path, "200000"});
        QVERIFY(child.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        if (output.isEmpty())
            QSKIP(qPrintable("strace cannot trace here: " + child.readAllStandardError()));
        if (reported.isEmpty()) {
            QCOMPARE(output, "replaced");
        } else {
            QVERIFY2(output.contains(path) && output.contains(reported), qPrintable(output));
        }
        QCOMPARE(TestFolders::readFile(path), replaced ? QByteArray(200000, 'n') : QByteArray("old"));
        QCOMPARE(temporariesIn(dir.path()), QStringList());
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--replace-helper") == 0)
        return replaceHelper(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestDurableFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durableFile.moc"
