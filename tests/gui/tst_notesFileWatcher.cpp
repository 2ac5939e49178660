#include "MainWindowSession.h"
#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/NotesFileWatcher.h"

#include "OutsideWriter.h"

#include <QtTest>

namespace {

using OutsideWriter::note;
using OutsideWriter::notesFile;
using OutsideWriter::replaceByRename;

// TwoNotes's notes as another program writes them.
const QByteArray older = note("Older", "first^Mbody", "39877.5");
const QByteArray newer = note("Newer", "second", "39900.25");

QString selectedTitle(MainWindow& w) {
    NoteList& list = w.testAccess().noteList();
    return list.selectedRow() < 0 ? QString() : list.model()->note(list.selectedRow()).title;
}

} // namespace

// Another program writes the notes file while the real main window has it open.
class TestNotesFileWatcher : public QObject {
    Q_OBJECT
private slots:
    // Replaced by rename with one note edited and one added, then a note is saved here before the
    // window has looked at the file: both outside changes and the new note end up in file and list.
    void outsideChangesSurviveASave() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        w.testAccess().actions().newNoteAction->trigger();
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("Mine"));
        replaceByRename(folders.notesPath(), notesFile(note("Older", "edited there", "39877.5") + newer +
                                                       note("Added", "added there", "39950.5")));
        w.testAccess().actions().saveNoteAction->trigger();

        const QByteArray saved = TestFolders::readFile(folders.notesPath());
        QVERIFY2(saved.contains("edited there") && saved.contains("<Title>Added</Title>") &&
                     saved.contains("<Title>Mine</Title>"),
                 saved.constData());
        QTRY_COMPARE(s.titles().size(), 4);
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Mine"));
        QCOMPARE(selectedTitle(w), QStringLiteral("Mine"));
        // The new note stays the open one: another save updates it instead of adding a second.
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("more"));
        w.testAccess().actions().saveNoteAction->trigger();
        QCOMPARE(s.titles().size(), 4);
        QCOMPARE(s.prompts.problems(), QStringList());
    }

    // The open note changed there and here: the other version stays, ours is saved beside it, and
    // the user is told once.
    void conflictKeepsBothVersions() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote(QStringLiteral("Older"));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral(" mine"));
        replaceByRename(folders.notesPath(), notesFile(note("Older", "theirs", "39877.5") + newer));
        s.prompts.expect(QStringLiteral("conflicting copy"), MsgButton::OK);
        w.testAccess().actions().saveNoteAction->trigger();

        QTRY_COMPARE(s.titles().size(), 3);
        QVERIFY2(s.titles().filter(QStringLiteral("Older (conflicting copy ")).size() == 1,
                 qPrintable(s.titles().join('|')));
        const QByteArray saved = TestFolders::readFile(folders.notesPath());
        QVERIFY(saved.contains("<Text>theirs</Text>"));
        QVERIFY(saved.contains(" minefirst^Mbody"));
        QCOMPARE(s.prompts.pending(), 0);
        QCOMPARE(s.prompts.problems(), QStringList());
        QVERIFY(!w.testAccess().actions().saveNoteAction->isEnabled());
    }

    // Between saves a burst of writes makes one reload; the open note's unsaved text, the selection
    // and the open note itself stay as they were.
    void burstReloadsOnceKeepingTheEditors() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        NotesFileWatcher& watcher = w.testAccess().fileWatcher();
        watcher.setQuietTime(1500); // a busy machine may pause between the writes below
        s.openNote(QStringLiteral("Older"));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral(" typed"));
        const QString typed = w.testAccess().bodyEdit()->toPlainText();
        const int generation = w.testAccess().store().generation();

        for (int i = 1; i <= 5; ++i) {
            replaceByRename(folders.notesPath(),
                            notesFile(older + note("Newer", "edit " + QByteArray::number(i), "39900.25") +
                                      note("Added", "added there", "39950.5")));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(s.titles().size(), 3, 20000);
        QTRY_VERIFY(!watcher.isSettling());
        QCOMPARE(w.testAccess().store().generation(), generation + 1);
        QVERIFY(TestFolders::readFile(folders.notesPath()).contains("edit 5"));

        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), typed);
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Older"));
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());
        QCOMPARE(selectedTitle(w), QStringLiteral("Older"));
        // Saved now, the text goes to the same note, with no conflict: it did not change there.
        w.testAccess().actions().saveNoteAction->trigger();
        QCOMPARE(s.titles().size(), 3);
        const QByteArray saved = TestFolders::readFile(folders.notesPath());
        QVERIFY(saved.contains(" typedfirst^Mbody") && saved.contains("edit 5"));
        QCOMPARE(s.prompts.problems(), QStringList());
    }

    // A reload runs under the busy cursor and reads no more of the new rows than it looks at: the
    // open note's, found among thousands. Reading every row would decode every body in the file.
    void reloadReadsOnlyTheRowsItNeeds() {
        TestFolders folders;
        QByteArray notes;
        for (int i = 0; i < 3000; ++i)
            notes += note("Note " + QByteArray::number(i), "body", QByteArray::number(39000 + i) + ".5");
        folders.writeNotes(notesFile(notes));
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        NoteList& list = w.testAccess().noteList();
        const NoteListModel& model = *list.model();
        list.selectRow(model.rowCount() - 1); // the row a search of the list reaches last
        emit list.doubleClicked();
        const QString open = w.testAccess().titleEdit()->text();
        QList<int> cursors;
        connect(&model, &NoteListModel::modelAboutToBeReset, &model, [&cursors] {
            cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1);
        });

        replaceByRename(folders.notesPath(), notesFile(notes + note("Added", "added there", "45000.5")));
        QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 3001, 20000);
        QCOMPARE(cursors, QList<int>({Qt::WaitCursor}));
        QCOMPARE(w.testAccess().titleEdit()->text(), open);
        QCOMPARE(selectedTitle(w), open);
        int read = 0;
        for (int row = 0; row < model.rowCount(); ++row)
            read += !model.noteAsRead(row).detailsPending;
        QVERIFY2(read <= 2, qPrintable(QString::number(read)));
    }

    // Unsaved text begun on a note that another program then changed is saved as a note of its own.
    void editsOfANoteChangedThereBecomeANewNote() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote(QStringLiteral("Older"));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral(" typed"));
        replaceByRename(folders.notesPath(), notesFile(note("Older", "theirs", "39877.5") + newer));
        QTRY_COMPARE(w.testAccess().editing().openNotePosition(), -1);
        QVERIFY(w.testAccess().bodyEdit()->toPlainText().startsWith(" typed"));
        w.testAccess().actions().saveNoteAction->trigger();
        const QByteArray saved = TestFolders::readFile(folders.notesPath());
        QVERIFY(saved.contains("<Text>theirs</Text>") && saved.contains(" typedfirst"));
        QCOMPARE(s.titles().size(), 3);
    }
};

QTEST_MAIN(TestNotesFileWatcher)
#include "tst_notesFileWatcher.moc"
