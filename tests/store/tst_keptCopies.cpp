#include "platform/QuillError.h"
#include "store/KeptCopies.h"
#include "store/KeptNotes.h"
#include "store/NoteStore.h"

#include "FixedClock.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"
#include "Unprivileged.h"

#include <QtTest>

#include <cstdio>
#include <sys/stat.h>

namespace {

// Writes a file, making its folder first.
void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    TestFolders::writeFile(path, bytes);
}

const QDateTime firstDay(QDate(2026, 12, 1), QTime(9, 0, 0));

struct Env {
    TestFolders folders;
    FixedClock clock{firstDay};
    ScriptedPrompts prompts;
    LocaleFormats formats = LocaleFormats::capture(QLocale(QStringLiteral("en_US")));
    QStringList reported;
    NoteStore store{formats, clock, prompts, [this](const QString& method, const QString& message) {
                        reported << method + QStringLiteral(": ") + message;
                    }};
    QString path() const { return folders.notesPath(); }
    QByteArray onDisk() const { return TestFolders::readFile(path()); }
    QString backups() const { return folders.dataFolder() + QStringLiteral("backups/"); }
    QStringList kept() const { return QDir(backups()).entryList(QDir::Files, QDir::Name); }
    void add(const QString& title) { store.appendNote(title, QStringLiteral("body"), clock.now()); }
};

QByteArray notesFile(const QList<QByteArray>& notes) {
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n";
    for (const QByteArray& note : notes)
        bytes += note + '\n';
    return bytes + "</Notes>\n";
}

QByteArray note(const QByteArray& title, const QByteArray& created, const QByteArray& modified = {}) {
    QByteArray bytes = "<Note><Title>" + title + "</Title><Text>text of " + title + "</Text><DateTime>" +
                       created + "</DateTime>";
    if (!modified.isEmpty())
        bytes += "<LastModified>" + modified + "</LastModified>";
    return bytes + "</Note>";
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Two saves in a folder where no copy can be written; prints what the store reported.
int unwritableHelper(const QString& notesPath) {
    Env env;
    try {
        env.store.open(notesPath);
        env.add(QStringLiteral("first"));
        env.clock.set(firstDay.addSecs(60));
        env.add(QStringLiteral("second"));
    } catch (const QuillError& e) {
        std::printf("FAIL: %s\n", e.what());
        return 3;
    }
    for (const QString& line : env.reported)
        std::printf("reported %s\n", qPrintable(line));
    std::puts("saved");
    return 0;
}

// Runs with a 64 KiB file system of its own mounted at backups/, where no link can reach: copies are
// written instead, with the notes file's permissions, until that disk is full; saves go on.
int crossDeviceHelper(const QString& dir) {
    std::puts("mounted");
    const auto check = [](bool ok, const char* what) {
        if (!ok)
            std::printf("FAIL: %s\n", what);
    };
    Env env;
    const QString path = dir + QStringLiteral("/quill.xml");
    TestFolders::writeFile(path, notesFile({note("kept", "39877")}));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    try {
        env.store.open(path);
        const QByteArray before = TestFolders::readFile(path);
        env.add(QStringLiteral("small"));
        const QString copy =
            dir + QStringLiteral("/backups/") + KeptCopies::fileNameFor(path, env.clock.now());
        check(TestFolders::readFile(copy) == before, "the copy differs");
        struct stat info {};
        check(::stat(QFile::encodeName(copy).constData(), &info) == 0 && (info.st_mode & 0777) == 0600,
              "the copy is not private");
        env.store.appendNote(QStringLiteral("large"), QString(100000, QLatin1Char('x')), env.clock.now());
        for (int minute = 1; minute <= 2; ++minute) {
            env.clock.set(firstDay.addSecs(60 * minute));
            env.add(QStringLiteral("after %1").arg(minute));
        }
    } catch (const std::exception& e) {
        std::printf("FAIL: %s\n", e.what());
        return 1;
    }
    check(TestFolders::readFile(path).contains("<Title>after 2</Title>"), "the last save is missing");
    check(env.reported.size() == 1 && env.reported.value(0).contains(QStringLiteral("No space left")),
          qPrintable(env.reported.join('\n')));
    std::puts("checked");
    return 0;
}

} // namespace

class TestKeptCopies : public QObject {
    Q_OBJECT
private slots:
    // Twelve days of three saves each: the last ten saves and the newest of each of the last seven
    // days stay, each copy holding the file as it was before its save.
    void savesKeepTheRecentCopiesAndOnePerDay() {
        Env env;
        env.folders.writeNotes(notesFile({}));
        env.store.open(env.path());
        writeFile(env.backups() + "quill-notes.txt", "not a copy");
        for (int day = 0; day < 12; ++day) {
            for (const int hour : {9, 12, 18}) {
                env.clock.set(QDateTime(firstDay.date().addDays(day), QTime(hour, 0)));
                const QByteArray before = env.onDisk();
                const ino_t inode = inodeOf(env.path());
                env.add(QStringLiteral("day %1 at %2").arg(day).arg(hour));
                const QString copy = env.backups() + KeptCopies::fileNameFor(env.path(), env.clock.now());
                QCOMPARE(TestFolders::readFile(copy), before);
                QCOMPARE(inodeOf(copy), inode); // linked, not written again
            }
        }
        QCOMPARE(env.kept(),
                 QStringList(
                     {"quill-20261206-180000.xml", "quill-20261207-180000.xml", "quill-20261208-180000.xml",
                      "quill-20261209-180000.xml", "quill-20261210-090000.xml", "quill-20261210-120000.xml",
                      "quill-20261210-180000.xml", "quill-20261211-090000.xml", "quill-20261211-120000.xml",
                      "quill-20261211-180000.xml", "quill-20261212-090000.xml", "quill-20261212-120000.xml",
                      "quill-20261212-180000.xml", "quill-notes.txt"}));

        // Saves within one second keep the state before the first of them.
        const QByteArray beforeBurst = env.onDisk();
        env.clock.set(env.clock.now().addSecs(1));
        env.add(QStringLiteral("burst 1"));
        env.add(QStringLiteral("burst 2"));
        QCOMPARE(TestFolders::readFile(env.backups() + "quill-20261212-180001.xml"), beforeBurst);
        QCOMPARE(env.reported, QStringList());
    }

    // Root may write anywhere, so the saves run as "nobody" when the test runs as root.
    void aCopyThatCannotBeWrittenNeverStopsASave_data() {
        QTest::addColumn<bool>("fileInTheWay");
        QTest::newRow("read-only backups folder") << false;
        QTest::newRow("a file named backups") << true;
    }
    void aCopyThatCannotBeWrittenNeverStopsASave() {
        QFETCH(bool, fileInTheWay);
        QTemporaryDir dir;
        const QString path = dir.filePath("quill.xml");
        const QString backups = dir.filePath("backups");
        writeFile(path, notesFile({note("kept", "39877")}));
        if (fileInTheWay) {
            writeFile(backups, "in the way");
        } else {
            QVERIFY(QDir().mkpath(backups));
            QVERIFY(::chmod(QFile::encodeName(backups), 0555) == 0);
        }
        for (const QString& p : {dir.path(), path})
            QVERIFY(::chmod(QFile::encodeName(p), 0777) == 0);

        const ChildRun child =
            runUnprivileged({QCoreApplication::applicationFilePath(), "--unwritable-helper", path});
        QVERIFY(child.finished);
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QVERIFY2(child.exitCode == 0 && output.contains("saved"), qPrintable(output));
        QCOMPARE(output.count("reported "), 1);
        QVERIFY2(output.contains("reported KeepCopy: ") && output.contains(backups), qPrintable(output));
        const QByteArray saved = TestFolders::readFile(path);
        QVERIFY(saved.contains("<Title>first</Title>") && saved.contains("<Title>second</Title>"));
    }

    void copiesAreWrittenWhereLinksCannotGo() {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("backups")));
        QProcess child;
        child.start("unshare", {"-Urm", "sh", "-c",
                                "mount -t tmpfs -o size=64k tmpfs \"$1/backups\" || exit 77; "
                                "exec \"$0\" --cross-device-helper \"$1\"",
                                QCoreApplication::applicationFilePath(), dir.path()});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        if (!output.contains("mounted"))
            QSKIP(qPrintable("no private tmpfs here: " + child.readAllStandardError()));
        QVERIFY2(output.contains("checked") && !output.contains("FAIL"),
                 qPrintable(output + child.readAllStandardError()));
    }

    void copiesMoveWithTheNotesFile() {
        Env env;
        env.folders.writeNotes(notesFile({note("kept", "39877")}));
        env.store.open(env.path());
        env.add(QStringLiteral("one"));
        env.clock.set(firstDay.addDays(1));
        env.add(QStringLiteral("two"));
        const QStringList oldCopies = env.kept();
        QCOMPARE(oldCopies.size(), 2);

        QTemporaryDir target;
        const QString newBackups = target.path() + "/backups/";
        // A copy of the same name already there is not replaced.
        writeFile(newBackups + oldCopies[0], "theirs");
        env.store.moveStorage(env.folders.dataFolder(), target.path());
        QCOMPARE(TestFolders::readFile(newBackups + oldCopies[0]), QByteArray("theirs"));
        QCOMPARE(TestFolders::readFile(newBackups + oldCopies[1]),
                 TestFolders::readFile(env.backups() + oldCopies[1]));

        // Later saves keep their copies in the new folder.
        env.clock.set(firstDay.addDays(2));
        env.add(QStringLiteral("three"));
        QVERIFY(QFile::exists(newBackups + KeptCopies::fileNameFor(env.path(), env.clock.now())));
        QCOMPARE(env.kept(), oldCopies);
        QCOMPARE(env.reported, QStringList());
    }

    // Notes the file no longer holds are found in the copies, once each, the most recently changed
    // first; a damaged copy is passed over; a restored note comes back as it was.
    void missingNotesAreFoundAndRestored() {
        Env env;
        const QByteArray present = note("present", "39877", "39880");
        env.folders.writeNotes(notesFile({present}));
        env.store.open(env.path());
        const QString folder = env.backups();
        writeFile(folder + "quill-20261201-090000.xml",
                  notesFile({present, note("old", "39000", "39001"), note("renamed", "39500")}));
        writeFile(folder + "quill-20261202-090000.xml",
                  notesFile({present, note("newest", "39100", "39990"), note("old", "39000", "39002"),
                             note("old", "39000", "39001"), "<Note><DateTime>39100</DateTime></Note>"}));
        writeFile(folder + "quill-20261203-090000.xml", "<Notes><Note>damaged");

        const QList<KeptNote> found = KeptNotes::missingFrom(env.store, env.formats);
        QStringList titles;
        for (const KeptNote& n : found)
            titles << n.title;
        QCOMPARE(titles, QStringList({"newest", "renamed", "old"}));
        QCOMPARE(found[2].copyPath, folder + "quill-20261202-090000.xml"); // the newest copy holding it
        QVERIFY(found[2].element.contains("<LastModified>39002</LastModified>"));

        const int position = env.store.restoreNote(-1, found[0].element);
        const Note restored = env.store.readNote(position);
        QCOMPARE(restored.title, "newest");
        QCOMPARE(restored.text, "text of newest");
        QCOMPARE(restored.dateTime, "39100");
        QCOMPARE(restored.lastModified, "39990");
        QVERIFY(env.onDisk().contains("<Title>newest</Title>"));
        QCOMPARE(KeptNotes::missingFrom(env.store, env.formats).size(), 2);
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--cross-device-helper") == 0)
        return crossDeviceHelper(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--unwritable-helper") == 0)
        return unwritableHelper(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestKeptCopies test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keptCopies.moc"
