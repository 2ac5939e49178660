#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"

#include <QDir>
#include <QtTest>

// "Save Note(s) to File" driven through the real main window: the save dialog answered by the
// script, the file read back byte for byte.
class TestExport : public QObject {
    Q_OBJECT

    static void check(MainWindow& w, const QStringList& titles) {
        NoteListModel& m = *w.testAccess().noteList().model();
        for (int r = 0; r < m.rowCount(); ++r)
            if (titles.contains(m.note(r).title))
                m.setData(m.index(r, 0), Qt::Checked, Qt::CheckStateRole);
        emit w.testAccess().noteList().clicked();
    }
    // Exports into `path` and answers the error report's question, if one is expected.
    static void exportTo(MainWindowSession& s, const QString& path, bool failureExpected = false) {
        QVERIFY(s.window->testAccess().actions().exportAction->isEnabled());
        s.prompts.expectSaveFile(path);
        if (failureExpected)
            s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        s.window->testAccess().actions().exportAction->trigger();
        QCOMPARE(s.prompts.pending(), 0);
        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));
    }

private slots:
    void fileText_data() {
        QTest::addColumn<QString>("open"); // empty: a new note
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QByteArray>("expected");

        const QTime ten(10, 0);
        const QByteArray older = "Title:\tOlder\n\nCreated:\t3/5/09 12:00:00 PM\nModified:\t3/6/09\n\n";
        const QByteArray newer = "Title:\tNewer\n\nCreated:\t3/28/09 6:00:00 AM\nModified:\t\n\n";
        const QByteArray separator = "\n" + QByteArray(50, '_') + "\n\n";

        QTest::newRow("new note, empty body: five lines")
            << ""
            << "Fresh"
            << "" << QStringList() << ten
            << QByteArray("Title:\tFresh\n\nCreated:\t1/1/11 10:00:00 AM\nModified:\t1/1/11 10:00:00 "
                          "AM\n\n");
        QTest::newRow("new note at midnight, title untrimmed, line breaks as LF")
            << ""
            << "  Fresh "
            << "one\ntwo\n"
            << QStringList() << QTime(0, 0)
            << QByteArray("Title:\t  Fresh \n\nCreated:\t1/1/11\nModified:\t1/1/11\n\none\ntwo\n\n");
        QTest::newRow("body of blanks is left out")
            << ""
            << "Fresh"
            << " \n\t " << QStringList() << ten
            << QByteArray("Title:\tFresh\n\nCreated:\t1/1/11 10:00:00 AM\nModified:\t1/1/11 10:00:00 "
                          "AM\n\n");
        QTest::newRow("open note with unsaved edits, its own row checked: written once, from the editors")
            << "Older"
            << "Older"
            << " edited\nbody " << QStringList{"Older", "Newer"} << ten
            << older + " edited\nbody \n" + separator + newer + "second\n";
        QTest::newRow("blank title, two checked rows in list order, one separator")
            << ""
            << " \t"
            << "ignored" << QStringList{"Older", "Newer"} << ten
            << newer + "second\n" + separator + older + "first\nbody\n";
        QTest::newRow("characters outside ASCII survive, no-break spaces included")
            << "" << QStringLiteral("\u00A0Grüße 東京\u00A0😀") << QStringLiteral("naïve\u00A0— ✓")
            << QStringList() << ten
            << QStringLiteral(
                   "Title:\t\u00A0Grüße 東京\u00A0😀\n\nCreated:\t1/1/11 10:00:00 AM\nModified:\t1/1/11 "
                   "10:00:00 AM\n\nnaïve\u00A0— ✓\n")
                   .toUtf8();
    }

    void fileText() {
        QFETCH(QString, open);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QStringList, checked);
        QFETCH(QTime, now);
        QFETCH(QByteArray, expected);

        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        if (open.isEmpty())
            w.testAccess().actions().newNoteAction->trigger();
        else
            s.openNote(open);
        s.clock.set(QDateTime(QDate(2011, 1, 1), now));
        w.testAccess().titleEdit()->setText(title);
        w.testAccess().bodyEdit()->setPlainText(body);
        check(w, checked);
        const QString path = folders.root() + QStringLiteral("out.txt");
        exportTo(s, path);
        QCOMPARE(TestFolders::readFile(path), expected);
        QVERIFY(s.log().isEmpty());
    }

    void cancelWritesNothing() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const QStringList before = QDir(folders.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        check(w, {QStringLiteral("Older")});
        s.prompts.expectSaveFile(std::nullopt);
        w.testAccess().actions().exportAction->trigger();
        QCOMPARE(s.prompts.pending(), 0);
        QCOMPARE(QDir(folders.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(s.log().isEmpty());
    }

    void anExistingFileIsReplacedAndTheNameOfferedAgain() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const QString path = folders.root() + QStringLiteral("notes.txt");
        TestFolders::writeFile(path, QByteArray(4000, 'x'));
        check(w, {QStringLiteral("Newer")});
        exportTo(s, path);
        const QByteArray newer = "Title:\tNewer\n\nCreated:\t3/28/09 6:00:00 AM\nModified:\t\n\nsecond\n";
        QCOMPARE(TestFolders::readFile(path), newer); // the old content is gone, not appended to
        QCOMPARE(s.prompts.lastSaveDialog.title, QStringLiteral("Save As"));
        QVERIFY(s.prompts.lastSaveDialog.overwritePrompt);

        exportTo(s, path);
        QCOMPARE(s.prompts.lastSaveDialog.fileName, path); // the dialog starts at the last file
        QCOMPARE(s.prompts.lastSaveDialog.defaultExtension, QStringLiteral("txt"));
        QCOMPARE(TestFolders::readFile(path), newer);
    }

    void aFailedWriteIsLoggedAndLeavesNoPartFile_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("inside a plain file") << "blocker/out.txt";
        QTest::newRow("a folder") << "folder";
    }

    void aFailedWriteIsLoggedAndLeavesNoPartFile() {
        QFETCH(QString, target);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TestFolders::writeFile(folders.root() + QStringLiteral("blocker"), "keep");
        QVERIFY(QDir(folders.root()).mkdir(QStringLiteral("folder")));
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const QStringList before = QDir(folders.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        check(w, {QStringLiteral("Older")});
        exportTo(s, folders.root() + target, /*failureExpected=*/true);

        QVERIFY(s.log().contains("actSaveNotesAsExecute"));
        QVERIFY(s.log().contains("Main"));
        QCOMPARE(QDir(folders.root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QCOMPARE(TestFolders::readFile(folders.root() + QStringLiteral("blocker")), QByteArray("keep"));
        QVERIFY(QDir(folders.root() + QStringLiteral("folder")).isEmpty());
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
