#include "platform/QuillError.h"
#include "store/NoteStore.h"

#include "FixedClock.h"
#include "OutsideWriter.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using OutsideWriter::note;
using OutsideWriter::notesFile;
using OutsideWriter::replaceByRename;

const QDateTime worked(QDate(2009, 3, 5), QTime(13, 2, 13));

const QByteArray alpha = note("Alpha", "first", "39877.5");
const QByteArray beta = note("Beta", "second", "39900.25");

struct Env {
    TestFolders folders;
    FixedClock clock{worked};
    ScriptedPrompts prompts;
    LocaleFormats formats = LocaleFormats::capture(QLocale(QStringLiteral("en_US")));
    NoteStore store{formats, clock, prompts, {}};
    QString path() const { return folders.notesPath(); }

    QStringList titlesOnDisk() const {
        NoteStore reader{formats, clock, const_cast<ScriptedPrompts&>(prompts), {}};
        reader.open(path());
        QStringList titles;
        for (int i = 0; i < reader.childCount(); ++i)
            if (reader.isNoteAt(i)) {
                const Note n = reader.readNote(i);
                titles << n.title + QLatin1Char('=') + n.text;
            }
        return titles;
    }
    int positionOf(const QString& title) {
        for (int i = 0; i < store.childCount(); ++i)
            if (store.isNoteAt(i) && store.readNote(i).title == title)
                return i;
        return -1;
    }
};

// Adds `count` notes one by one, each a separate save, as another copy of the program would.
int addNotesHelper(const QString& path, const QString& prefix, int count) {
    Env env;
    try {
        env.store.open(path);
        for (int i = 0; i < count; ++i)
            env.store.appendNote(QStringLiteral("%1 %2").arg(prefix).arg(i), QStringLiteral("body"), worked);
        return env.prompts.problems().isEmpty() ? 0 : 4;
    } catch (const QuillError& e) {
        std::puts(e.what());
        return 3;
    }
}

} // namespace

class TestOutsideChanges : public QObject {
    Q_OBJECT
private slots:
    // Another program rewrote the file after we read it; each of our changes is then applied to its
    // version. Columns: what the other program wrote, our change, the notes the file ends with and
    // the message (if any) that tells of a conflict.
    void changesMergeIntoTheNewerFile_data() {
        QTest::addColumn<QByteArray>("outside");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("told");

        const QByteArray edited = note("Alpha", "edited there", "39877.5");
        const QByteArray added = note("Gamma", "added there", "39950.5");
        QTest::newRow("append keeps an edit and an addition")
            << notesFile(edited + beta + added) << "append"
            << QStringList{"Alpha=edited there", "Beta=second", "Gamma=added there", "Mine=new"} << QString();
        QTest::newRow("update of another note")
            << notesFile(edited + beta + added) << "update Beta"
            << QStringList{"Alpha=edited there", "Beta=mine", "Gamma=added there"} << QString();
        QTest::newRow("update of the same note: both kept")
            << notesFile(edited + beta) << "update Alpha"
            << QStringList{"Alpha=edited there", "Beta=second",
                           "Alpha (conflicting copy 3/5/09 1:02:13 PM)=mine"}
            << "conflicting copy";
        QTest::newRow("update of a note renamed there")
            << notesFile(note("Renamed", "first", "39877.5") + beta) << "update Alpha"
            << QStringList{"Renamed=first", "Beta=second", "Alpha (conflicting copy 3/5/09 1:02:13 PM)=mine"}
            << "conflicting copy";
        QTest::newRow("update of a note deleted there")
            << notesFile(beta) << "update Alpha" << QStringList{"Beta=second", "Alpha=mine"} << QString();
        QTest::newRow("delete of a note changed there: kept")
            << notesFile(edited + beta) << "delete Alpha" << QStringList{"Alpha=edited there", "Beta=second"}
            << "are kept";
        QTest::newRow("delete of a note deleted there too")
            << notesFile(beta) << "delete Alpha" << QStringList{"Beta=second"} << QString();
        QTest::newRow("delete beside an addition")
            << notesFile(alpha + beta + added) << "delete Beta"
            << QStringList{"Alpha=first", "Gamma=added there"} << QString();
        QTest::newRow("restore of a deleted note beside an addition")
            << notesFile(alpha + added) << "restore Beta"
            << QStringList{"Alpha=first", "Gamma=added there", "Beta=second"} << QString();
    }
    void changesMergeIntoTheNewerFile() {
        QFETCH(QByteArray, outside);
        QFETCH(QString, change);
        QFETCH(QStringList, expected);
        QFETCH(QString, told);
        Env env;
        env.folders.writeNotes(notesFile(alpha + beta));
        env.store.open(env.path());
        const int position = env.positionOf(change.section(QLatin1Char(' '), 1));
        QByteArray deleted;
        if (change.startsWith("restore")) {
            deleted = env.store.noteElement(position);
            env.store.deleteNote(position);
        }
        const int generation = env.store.generation();

        replaceByRename(env.path(), outside);
        if (!told.isEmpty())
            env.prompts.expect(told, MsgButton::OK);
        if (change == "append")
            env.store.appendNote("Mine", "new", worked);
        else if (change.startsWith("update"))
            env.store.updateNote(position, change.section(' ', 1), "mine", worked);
        else if (change.startsWith("restore"))
            QCOMPARE(env.store.restoreNote(position, deleted), 2);
        else
            env.store.deleteNote(position);

        QCOMPARE(env.titlesOnDisk(), expected);
        QCOMPARE(env.prompts.problems(), QStringList());
        QCOMPARE(env.prompts.pending(), 0);
        // The document in memory is the merged one, and says so.
        QCOMPARE(env.store.generation(), generation + 1);
        QCOMPARE(env.store.serialized(), TestFolders::readFile(env.path()));
    }

    // A write in place that keeps the size, within the same timestamp tick as our last save, leaves
    // inode, size and time as they were: only the bytes tell.
    void sameSizeWriteInTheSameTickIsSeen() {
        Env env;
        env.folders.writeNotes(notesFile(alpha + beta));
        env.store.open(env.path());
        env.store.appendNote("Mine", "new", worked);
        // Stamped a while after the write (a very busy machine), the file would show any later write
        // in its time, and putting the time back, as below, is no longer what a write could do.
        if (!env.store.checkNeedsHash())
            QSKIP("the save was stamped too long after its write for a write in the same tick");
        const QByteArray path = QFile::encodeName(env.path());
        struct stat before {};
        QCOMPARE(::stat(path.constData(), &before), 0);
        QByteArray bytes = TestFolders::readFile(env.path());
        bytes.replace("second", "SECOND");
        QFile file(env.path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        const timespec times[2] = {before.st_atim, before.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);

        env.store.appendNote("More", "again", worked);
        QCOMPARE(env.titlesOnDisk(), QStringList({"Alpha=first", "Beta=SECOND", "Mine=new", "More=again"}));
    }

    // How long after its last write a file's stamp must hash it: while another write could still get
    // the same time. Local filesystems with nanosecond times tick in at most 10 ms; whole-second
    // times need the long window.
    void stampHashesWhileAWriteCouldShareItsTime_data() {
        QTest::addColumn<qint64>("ageMs");
        QTest::addColumn<bool>("wholeSecond");
        QTest::addColumn<bool>("hashed");
        QTest::newRow("time ahead of the clock") << qint64(-1000) << false << true;
        QTest::newRow("a second old") << qint64(1000) << false << false;
        QTest::newRow("a second old, whole seconds") << qint64(1000) << true << true;
        QTest::newRow("three seconds old, whole seconds") << qint64(3000) << true << false;
    }
    void stampHashesWhileAWriteCouldShareItsTime() {
        QFETCH(qint64, ageMs);
        QFETCH(bool, wholeSecond);
        QFETCH(bool, hashed);
        TestFolders folders;
        folders.writeNotes(notesFile(alpha));
        const QByteArray path = QFile::encodeName(folders.notesPath());
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const qint64 ns = qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec - ageMs * 1'000'000;
        timespec when{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
        if (wholeSecond)
            when.tv_nsec = 0;
        else if (when.tv_nsec == 0)
            when.tv_nsec = 1;
        const timespec times[2] = {when, when};
        QCOMPARE(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        QCOMPARE(FileStamp::taken(folders.notesPath()).needsHash(), hashed);
    }

    // A changed file that does not read is never written over; the change waits in memory and is
    // saved once the file reads again.
    void damagedFileIsNotSavedOver() {
        Env env;
        env.folders.writeNotes(notesFile(alpha + beta));
        env.store.open(env.path());
        const QByteArray damaged = "<?xml version=\"1.0\"?>\n<Notes><Note><Title>half";
        replaceByRename(env.path(), damaged);

        env.prompts.expect("cannot be read", MsgButton::OK);
        env.store.appendNote("Mine", "new", worked);
        QCOMPARE(TestFolders::readFile(env.path()), damaged);
        QVERIFY(env.store.hasPendingChanges());
        // Told once, not at every attempt.
        env.store.appendNote("More", "again", worked);
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Unreadable);
        QCOMPARE(TestFolders::readFile(env.path()), damaged);
        QCOMPARE(env.prompts.asked().size(), 1);

        replaceByRename(env.path(), notesFile(beta + note("Gamma", "repaired", "39950.5")));
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Reloaded);
        QVERIFY(!env.store.hasPendingChanges());
        QCOMPARE(env.titlesOnDisk(),
                 QStringList({"Beta=second", "Gamma=repaired", "Mine=new", "More=again"}));
        QCOMPARE(env.prompts.problems(), QStringList());
    }

    // Between saves: a changed file is read again, under the busy cursor, an unchanged one (our own
    // save) is not.
    void refreshReadsOnlyChangedFiles() {
        Env env;
        QList<bool> busy;
        env.store.setBusyListener([&busy](bool on) { busy << on; });
        // Just written, so its bytes are hashed as they are read: a body of a few MiB spans several
        // of the pieces they are read in.
        env.folders.writeNotes(notesFile(alpha + note("Big", QByteArray(3 << 20, 'x') + "end", "39877.5")));
        env.store.open(env.path());
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Unchanged);
        QCOMPARE(busy, QList<bool>());
        env.folders.writeNotes(notesFile(alpha));
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Reloaded);
        QCOMPARE(busy, QList<bool>({true, false}));
        env.store.appendNote("Mine", "new", worked);
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Unchanged);
        replaceByRename(env.path(), notesFile(alpha + beta));
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Reloaded);
        QCOMPARE(env.store.childCount(), 2);
        QCOMPARE(env.store.refreshFromDisk(), NoteStore::DiskState::Unchanged);
    }

    // Two copies of the program adding notes to one file at the same time end with every note.
    void twoProcessesKeepEveryNote() {
        TestFolders folders;
        folders.writeNotes(notesFile(alpha));
        constexpr int perProcess = 40;
        QProcess first;
        QProcess second;
        for (auto [process, prefix] : {std::pair{&first, "first"}, std::pair{&second, "second"}})
            process->start(QCoreApplication::applicationFilePath(),
                           {"--add-notes", folders.notesPath(), prefix, QString::number(perProcess)});
        for (QProcess* process : {&first, &second}) {
            QVERIFY(process->waitForFinished(90000));
            QVERIFY2(process->exitCode() == 0, process->readAllStandardOutput().constData());
        }
        Env env;
        env.folders.writeNotes(TestFolders::readFile(folders.notesPath()));
        const QStringList titles = env.titlesOnDisk();
        QCOMPARE(titles.size(), 1 + 2 * perProcess);
        for (int i = 0; i < perProcess; ++i)
            for (const char* prefix : {"first", "second"})
                QVERIFY2(titles.contains(QStringLiteral("%1 %2=body").arg(prefix).arg(i)),
                         qPrintable(titles.join('|')));
        QVERIFY(!QFile::exists(folders.notesPath() + ".lock"));
    }

    // A lock left behind by a copy that was killed is taken over at once.
    void staleLockIsTakenOver() {
        Env env;
        env.folders.writeNotes(notesFile(alpha));
        env.store.open(env.path());
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold-lock", env.path()});
        QVERIFY(holder.waitForReadyRead(30000));
        holder.kill();
        QVERIFY(holder.waitForFinished(30000));
        QVERIFY(QFile::exists(env.path() + ".lock"));

        QElapsedTimer timer;
        timer.start();
        env.store.appendNote("Mine", "new", worked);
        QVERIFY2(timer.elapsed() < 10000, "waited for a dead process");
        QCOMPARE(env.titlesOnDisk(), QStringList({"Alpha=first", "Mine=new"}));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        QLockFile lock(QString::fromLocal8Bit(argv[2]) + QStringLiteral(".lock"));
        if (!lock.tryLock())
            return 3;
        std::puts("locked");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    if (argc == 5 && qstrcmp(argv[1], "--add-notes") == 0)
        return addNotesHelper(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                              atoi(argv[4]));
    QCoreApplication app(argc, argv);
    TestOutsideChanges test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_outsideChanges.moc"
