#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "controls/NoteKeys.h"
#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/SearchBar.h"
#include "platform/Registry.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

// The editing commands driven as a user drives them: keys typed into the real fields, actions
// triggered, questions answered by the script.
class TestEditing : public QObject {
    Q_OBJECT

    static QByteArray notesFile(const MainWindowSession& s) {
        return TestFolders::readFile(s.folders.notesPath());
    }
    static void showActive(MainWindow& w) {
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
    }
    static QWidget* toolButton(MainWindow& w, QAction* action) {
        return w.findChild<QToolBar*>(QStringLiteral("toolBar"))->widgetForAction(action);
    }

private slots:
    void saveFollowsTheTitle() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QAction* save = w.testAccess().actions().saveNoteAction;
        QVERIFY(!save->isEnabled());

        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("body only"));
        QVERIFY(!save->isEnabled()); // no title, nothing to save
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("  "));
        QVERIFY(save->isEnabled()); // blanks count as a title
        QVERIFY(!w.testAccess().actions().exportAction->isEnabled() ||
                w.testAccess().noteList().hasCheckedRows());
        QTest::keyClick(w.testAccess().titleEdit(), Qt::Key_Backspace);
        QTest::keyClick(w.testAccess().titleEdit(), Qt::Key_Backspace);
        QVERIFY(!save->isEnabled()); // emptying the title drops the question about changes
        QTest::keyClick(w.testAccess().titleEdit(), Qt::Key_Return);
        QCOMPARE(w.testAccess().titleEdit()->text(), QString()); // the title is one line
    }

    void aNewNoteIsSavedOnceAndStaysOpen() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.clock.set(QDateTime(QDate(2011, 1, 1), QTime(10, 0)));
        w.testAccess().actions().newNoteAction->trigger();
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("Fresh"));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("a<b"));
        w.testAccess().bodyEdit()->insertPlainText(QString(QChar(0xA0))); // a no-break space stays one
        w.testAccess().actions().saveNoteAction->trigger();

        QVERIFY(!w.testAccess().actions().saveNoteAction->isEnabled());
        QCOMPARE(s.titles(), (QStringList{"Fresh", "Newer", "Older"})); // newest first, as sorted
        QCOMPARE(w.testAccess().noteList().selectedRow(), 0);
        QVERIFY(notesFile(s).contains("<Title>Fresh</Title>"));
        QVERIFY(notesFile(s).contains("<Text>a&amp;lt;b\xC2\xA0</Text>"));

        // The user re-sorts, edits and saves again: the same note is updated, no second one appears.
        emit w.testAccess().noteList().columnClicked(2);
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral(" more"));
        s.clock.set(s.clock.now().addSecs(60));
        w.testAccess().actions().saveNoteAction->trigger();
        QCOMPARE(notesFile(s).count("<Title>Fresh</Title>"), 1);
        QVERIFY(notesFile(s).contains("<Text>a&amp;lt;b\xC2\xA0 more</Text>"));
        QCOMPARE(w.testAccess().noteList().model()->rowCount(), 3);
        QVERIFY(s.prompts.problems().isEmpty());
    }

    // The list opens a note on a real double-click of the mouse on its row.
    void doubleClickOnARowOpensItsNote() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        showActive(w);
        QTreeView* view = w.testAccess().noteList().view();
        const int row = s.titles().indexOf(QStringLiteral("Older"));
        QVERIFY(row >= 0);
        const QRect cell = view->visualRect(view->model()->index(row, 2)); // the title column
        QVERIFY(!cell.isEmpty());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTRY_COMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Older"));
        QCOMPARE(w.testAccess().bodyEdit()->text(), QStringLiteral("first\nbody"));
    }

    void savingAnOpenNoteUpdatesItsRowInPlace() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        emit w.testAccess().noteList().columnClicked(1); // by last-modified, ascending: Newer ("0") first
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
        s.openNote(QStringLiteral("Newer"));
        s.clock.set(QDateTime(QDate(2011, 1, 1), QTime(10, 0)));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("!"));
        w.testAccess().actions().saveNoteAction->trigger();
        // The row now has the newest last-modified value, yet keeps its place until the next sort.
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
        const Note& saved = w.testAccess().noteList().model()->note(0);
        QCOMPARE(saved.modifiedText, QStringLiteral("1/1/11 10:00:00 AM"));
        QCOMPARE(saved.lastModified, QStringLiteral("40544.4166666667"));
        QCOMPARE(saved.text, QStringLiteral("!second"));
        emit w.testAccess().noteList().columnClicked(1);
        emit w.testAccess().noteList().columnClicked(1);
        QCOMPARE(s.titles(), (QStringList{"Older", "Newer"}));
    }

    void titleLineBreaksSurviveUntilTheTitleIsEdited() {
        TestFolders folders;
        folders.writeNotes(QByteArray(TwoNotes).replace("<Title>Older</Title>", "<Title>a^Mb</Title>"));
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote(QStringLiteral("a\nb"));
        QCOMPARE(w.testAccess().titleEdit()->toPlainText(), QStringLiteral("a b")); // one line on screen
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("x"));
        w.testAccess().actions().saveNoteAction->trigger();
        QVERIFY(notesFile(s).contains("<Title>a^Mb</Title>"));
        QCOMPARE(s.titles(), (QStringList{"Newer", "a\nb"}));

        // An edited title is saved as the user sees it.
        w.testAccess().titleEdit()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("c"));
        w.testAccess().actions().saveNoteAction->trigger();
        QVERIFY(notesFile(s).contains("<Title>a bc</Title>"));
    }

    void notesMadeInTheSameSecondStayApart() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        for (const QString& title : {QStringLiteral("Twin A"), QStringLiteral("Twin B")}) {
            w.testAccess().actions().newNoteAction->trigger();
            QTest::keyClicks(w.testAccess().titleEdit(), title);
            w.testAccess().actions().saveNoteAction->trigger();
        }
        s.openNote(QStringLiteral("Twin A"));
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("only A"));
        w.testAccess().actions().saveNoteAction->trigger();
        const QByteArray file = notesFile(s);
        QVERIFY(file.contains("<Title>Twin A</Title>\n\t\t<Text>only A</Text>"));
        QVERIFY(!file.contains("<Title>Twin B</Title>\n\t\t<Text>only A</Text>"));
    }

    void newAsksAboutUnsavedChanges_data() {
        QTest::addColumn<MsgButton>("answer");
        QTest::addColumn<QString>("titleAfter");
        QTest::addColumn<bool>("saved");
        QTest::newRow("cancel keeps everything") << MsgButton::Cancel << QStringLiteral("Olderx") << false;
        QTest::newRow("no drops the changes") << MsgButton::No << QString() << false;
        QTest::newRow("yes saves first") << MsgButton::Yes << QString() << true;
    }
    void newAsksAboutUnsavedChanges() {
        QFETCH(MsgButton, answer);
        QFETCH(QString, titleAfter);
        QFETCH(bool, saved);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote(QStringLiteral("Older"));
        w.testAccess().titleEdit()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("x"));
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), answer);
        w.testAccess().actions().newNoteAction->trigger();
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(w.testAccess().titleEdit()->text(), titleAfter);
        QCOMPARE(notesFile(s).contains("<Title>Olderx</Title>"), saved);
        QCOMPARE(w.testAccess().actions().saveNoteAction->isEnabled(), answer == MsgButton::Cancel);
        if (answer != MsgButton::Cancel)
            QCOMPARE(w.testAccess().editing().openNotePosition(), -1);
    }

    void deleteOpensTheNeighbour() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.clock.set(QDateTime(QDate(2011, 1, 1), QTime(10, 0)));
        for (const QString& title : {QStringLiteral("Third"), QStringLiteral("Fourth")}) {
            w.testAccess().actions().newNoteAction->trigger();
            QTest::keyClicks(w.testAccess().titleEdit(), title);
            s.clock.set(s.clock.now().addDays(1));
            w.testAccess().actions().saveNoteAction->trigger();
        }
        QCOMPARE(s.titles(), (QStringList{"Fourth", "Third", "Newer", "Older"}));

        w.testAccess().noteList().selectRow(1);
        w.testAccess().actions().deleteNoteAction->trigger(); // no question: ConfirmOnDelete is off
        QCOMPARE(s.titles(), (QStringList{"Fourth", "Newer", "Older"}));
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Newer")); // the row that took its place
        QVERIFY(!notesFile(s).contains("Third"));

        w.testAccess().noteList().selectRow(2);
        w.testAccess().actions().deleteNoteAction->trigger(); // the last row: the one before it opens
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Newer"));
        QVERIFY(notesFile(s).contains("<!-- kept -->"));

        w.testAccess().noteList().selectRow(0);
        w.testAccess().actions().deleteNoteAction->trigger();
        w.testAccess().noteList().selectRow(0);
        w.testAccess().actions().deleteNoteAction->trigger();
        QCOMPARE(w.testAccess().noteList().model()->rowCount(), 0);
        QCOMPARE(w.testAccess().titleEdit()->text(), QString());
        QVERIFY(!w.testAccess().actions().deleteNoteAction->isEnabled());
        QVERIFY(s.prompts.asked().isEmpty());
    }

    void deleteAsksWhenConfirmationIsOn() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession::writeSetting(folders, QStringLiteral("ConfirmOnDelete"), 1);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        w.testAccess().noteList().selectRow(0);
        s.prompts.expect(QStringLiteral("Would you like to delete the current note?"), MsgButton::No);
        w.testAccess().actions().deleteNoteAction->trigger();
        QCOMPARE(s.titles().size(), 2);
        s.prompts.expect(QStringLiteral("Would you like to delete the current note?"), MsgButton::Yes);
        w.testAccess().actions().deleteNoteAction->trigger();
        QCOMPARE(s.titles(), QStringList{"Older"});
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void deleteAsksAboutUnsavedChanges_data() {
        QTest::addColumn<MsgButton>("answer");
        QTest::addColumn<QStringList>("titlesAfter");
        QTest::newRow("cancel keeps note and edits") << MsgButton::Cancel << QStringList{"Newer", "Older"};
        QTest::newRow("no deletes the note") << MsgButton::No << QStringList{"Newer"};
        QTest::newRow("yes saves, then deletes") << MsgButton::Yes << QStringList{"Newer"};
    }
    void deleteAsksAboutUnsavedChanges() {
        QFETCH(MsgButton, answer);
        QFETCH(QStringList, titlesAfter);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        s.openNote(QStringLiteral("Older"));
        w.testAccess().titleEdit()->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("x"));
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), answer);
        w.testAccess().actions().deleteNoteAction->trigger();
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(s.titles(), titlesAfter);
        QCOMPARE(w.testAccess().titleEdit()->text(),
                 answer == MsgButton::Cancel ? QStringLiteral("Olderx") : QStringLiteral("Newer"));
        QCOMPARE(w.testAccess().actions().saveNoteAction->isEnabled(), answer == MsgButton::Cancel);
        if (answer == MsgButton::Cancel)
            return;
        // What Undo Delete brings back shows whether the edit was saved first.
        w.testAccess().actions().undoDeleteAction->trigger();
        QVERIFY(s.titles().contains(answer == MsgButton::Yes ? QStringLiteral("Olderx")
                                                             : QStringLiteral("Older")));
    }

    // A selected row need not be the note in the editors: deleting it leaves the editors' work alone,
    // and a later Save still finds the note, whose place in the file has moved up.
    void deletingAnotherRowKeepsTheEdits_data() {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("deleted");
        QTest::newRow("a note after the deleted one") << QStringLiteral("Newer") << QStringLiteral("Older");
        QTest::newRow("a note before the deleted one") << QStringLiteral("Older") << QStringLiteral("Newer");
        QTest::newRow("a new note") << QString() << QStringLiteral("Older");
    }
    void deletingAnotherRowKeepsTheEdits() {
        QFETCH(QString, opened);
        QFETCH(QString, deleted);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        if (!opened.isEmpty())
            s.openNote(opened);
        const QString title = opened.isEmpty() ? QStringLiteral("Typed") : opened;
        if (opened.isEmpty())
            QTest::keyClicks(w.testAccess().titleEdit(), title);
        QTest::keyClicks(w.testAccess().bodyEdit(), QStringLiteral("edit "));
        const QString body = w.testAccess().bodyEdit()->text();
        w.testAccess().noteList().selectRow(s.titles().indexOf(deleted));

        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::No);
        w.testAccess().actions().deleteNoteAction->trigger();
        QVERIFY(s.prompts.problems().isEmpty());
        QVERIFY(!s.titles().contains(deleted));
        QCOMPARE(w.testAccess().titleEdit()->text(), title);
        QCOMPARE(w.testAccess().bodyEdit()->text(), body);
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());

        w.testAccess().actions().saveNoteAction->trigger();
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(notesFile(s).count("<Title>" + title.toUtf8() + "</Title>"), 1);
        QVERIFY(notesFile(s).contains("<Text>edit "));
        QVERIFY(!notesFile(s).contains("<Title>" + deleted.toUtf8() + "</Title>"));
    }

    // Undo Delete puts notes back as they were, last deleted first; a failed save changes nothing.
    void undoDeleteBringsNotesBack() {
        TestFolders folders;
        // A carriage return stored as a reference must come back as one.
        const QByteArray original =
            QByteArray(TwoNotes).replace("<Text>second</Text>", "<Text>a&#13;b</Text>");
        folders.writeNotes(original);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const ActionCatalog& a = w.testAccess().actions();
        QVERIFY(!a.undoDeleteAction->isEnabled());
        const QByteArray saved = w.testAccess().store().serialized();
        for (const QString& title : {QStringLiteral("Older"), QStringLiteral("Newer")}) {
            w.testAccess().noteList().selectRow(s.titles().indexOf(title));
            a.deleteNoteAction->trigger();
            QVERIFY(a.undoDeleteAction->isEnabled());
        }
        QVERIFY(s.titles().isEmpty());

        a.undoDeleteAction->trigger();
        QCOMPARE(s.titles().size(), 1);
        a.undoDeleteAction->trigger();
        QVERIFY(!a.undoDeleteAction->isEnabled());
        QCOMPARE(notesFile(s), saved);
        NoteList& list = w.testAccess().noteList();
        const Note& restored = list.model()->note(list.selectedRow());
        QCOMPARE(restored.dateTime, QStringLiteral("39877.5"));
        QCOMPARE(restored.lastModified, QStringLiteral("39878"));
        QCOMPARE(restored.text, QStringLiteral("first\nbody"));
        QVERIFY(s.prompts.problems().isEmpty());

        // The file cannot be replaced: the note stays deleted, and Undo Delete can be tried again.
        list.selectRow(0);
        a.deleteNoteAction->trigger();
        const QByteArray afterDelete = notesFile(s);
        const QStringList titles = s.titles();
        QVERIFY(QFile::rename(folders.notesPath(), folders.notesPath() + QStringLiteral(".away")));
        QVERIFY(QDir().mkdir(folders.notesPath()));
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        a.undoDeleteAction->trigger();
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(s.titles(), titles);
        QVERIFY(a.undoDeleteAction->isEnabled());
        QCOMPARE(w.testAccess().store().serialized(), afterDelete);
        QVERIFY(s.log().contains("Method Name:\tactUndoDeleteExecute"));
    }

    void aFailedSaveLeavesNoPhantomRow() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        // A folder where the notes file was: the rename over it fails.
        QFile::remove(folders.notesPath());
        QVERIFY(QDir().mkdir(folders.notesPath()));
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("Lost?"));
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        w.testAccess().actions().saveNoteAction->trigger();
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Lost?")); // still there to save again
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());
        QVERIFY(s.log().contains("Method Name:\tactSaveNoteExecute"));
        // New asks, the save fails again, and the note stays in the editors.
        s.prompts.expect(QStringLiteral("Save changes"), MsgButton::Yes);
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        w.testAccess().actions().newNoteAction->trigger();
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Lost?"));
        QVERIFY(s.prompts.problems().isEmpty());
    }

    // Clicked on the tool bar or picked from a menu, the editing commands act on the field with the
    // focus; the keys act once, in the field.
    void editCommandsActOnTheFocusedField_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("title") << 0;
        QTest::newRow("body") << 1;
        QTest::newRow("find box") << 2;
    }
    void editCommandsActOnTheFocusedField() {
        QFETCH(int, index);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        showActive(w);
        const QList<QWidget*> fields{w.testAccess().titleEdit(), w.testAccess().bodyEdit(),
                                     w.testAccess().searchBar().findEdit()};
        const auto textOf = [](QWidget* field) {
            auto* line = qobject_cast<QLineEdit*>(field);
            return line ? line->text() : qobject_cast<QPlainTextEdit*>(field)->toPlainText();
        };
        const auto click = [&](QAction* action) { QTest::mouseClick(toolButton(w, action), Qt::LeftButton); };
        QWidget* field = fields[index];
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QClipboard* clipboard = QGuiApplication::clipboard();

        QTest::keyClicks(field, QStringLiteral("alpha"));
        QTest::keyClick(field, Qt::Key_E, Qt::AltModifier); // Edit, Select All
        QVERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A);
        click(w.testAccess().actions().copyAction);
        QCOMPARE(clipboard->text(), QStringLiteral("alpha"));
        click(w.testAccess().actions().cutAction);
        QCOMPARE(textOf(field), QString());
        click(w.testAccess().actions().undoAction);
        QCOMPARE(textOf(field), QStringLiteral("alpha"));
        QTest::keyClick(field, Qt::Key_End);
        click(w.testAccess().actions().pasteAction);
        QCOMPARE(textOf(field), QStringLiteral("alphaalpha"));

        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QStringLiteral("alphaalpha"));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(textOf(field), QStringLiteral("alphaalpha"));
        for (QWidget* other : fields)
            if (other != field)
                QCOMPARE(textOf(other), QString());
    }

    void ctrlBTypesABulletInBothFields() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        for (LinkTextEdit* field : {w.testAccess().titleEdit(), w.testAccess().bodyEdit()}) {
            QTest::keyClicks(field, QStringLiteral("a"));
            QTest::keyClick(field, Qt::Key_B, Qt::ControlModifier);
            QTest::keyClicks(field, QStringLiteral("b"));
            QCOMPARE(field->toPlainText(), QStringLiteral("a\u2022b"));
        }
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());
    }

    void dateKeysTypeOnReleaseInTheBodyOnly_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("typed");
        QTest::newRow("F7") << int(Qt::Key_F7) << QStringLiteral("3/5/09 1:02:13 PM ");
        QTest::newRow("F8") << int(Qt::Key_F8) << QStringLiteral("3/5/09 ");
        QTest::newRow("F9") << int(Qt::Key_F9) << QStringLiteral("1:02:13 PM ");
    }
    void dateKeysTypeOnReleaseInTheBodyOnly() {
        QFETCH(int, key);
        QFETCH(QString, typed);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QTest::keyPress(w.testAccess().bodyEdit(), Qt::Key(key));
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), QString()); // nothing on the press
        QKeyEvent repeat(QEvent::KeyRelease, key, Qt::NoModifier, QString(), /*autorep=*/true);
        QApplication::sendEvent(w.testAccess().bodyEdit(), &repeat);
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), QString()); // nor on a repeat while held down
        QTest::keyRelease(w.testAccess().bodyEdit(), Qt::Key(key));
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), typed);

        QTest::keyClick(w.testAccess().titleEdit(), Qt::Key(key));
        QCOMPARE(w.testAccess().titleEdit()->text(), QString());

        // Replaces the selection.
        w.testAccess().bodyEdit()->selectAll();
        QTest::keyClick(w.testAccess().bodyEdit(), Qt::Key(key));
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), typed);
    }

    void midnightShowsTheDateAlone() {
        FixedClock clock(QDateTime(QDate(2009, 3, 5), QTime(0, 0)));
        const LocaleFormats formats = LocaleFormats::capture();
        NoteKeys keys(clock, formats, [](const QString&, const QString&) {});
        QCOMPARE(keys.textForKey(Qt::Key_F7), QStringLiteral("3/5/09 "));
        QCOMPARE(keys.textForKey(Qt::Key_F9), QStringLiteral("12:00:00 AM "));
    }

    // Long hints show in the list panel's status line, over the find box, which keeps its text and
    // comes back as soon as the user works in it.
    void longHintsShowInTheStatusLine() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        showActive(w);
        auto* bar = w.findChild<QStatusBar*>(QStringLiteral("barStatus"));
        QLabel* hint = w.testAccess().searchBar().hint();
        QLineEdit* find = w.testAccess().searchBar().findEdit();
        find->setText(QStringLiteral("kept"));

        QTest::mouseMove(toolButton(w, w.testAccess().actions().copyAction));
        QTRY_COMPARE(bar->currentMessage(),
                     QStringLiteral("Copies the selection and puts it on the Clipboard"));
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), bar->currentMessage());
        QVERIFY(hint->geometry().contains(find->geometry()));

        QTest::keyClicks(w.testAccess().titleEdit(),
                         QStringLiteral("t")); // enables the File menu's "Save &to File"
        QMenu* file = w.menuBar()->actions().first()->menu();
        file->popup(w.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        for (QAction* entry : file->actions())
            if (entry->text() == QStringLiteral("Save &to File"))
                file->setActiveAction(entry);
        QCOMPARE(bar->currentMessage(), QStringLiteral("Saves the selected note(s) to a file."));
        file->setActiveAction(w.testAccess().actions().newNoteAction);
        QCOMPARE(bar->currentMessage(), QStringLiteral("Add new note.")); // one part: the whole hint
        file->hide();

        find->setFocus();
        QTRY_VERIFY(!hint->isVisible());
        QCOMPARE(find->text(), QStringLiteral("kept"));
    }

    void fontAppliesToBothFields() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const int titleHeight = w.testAccess().titleEdit()->height();
        s.prompts.expectFont(std::nullopt);
        const QFont before = w.testAccess().bodyEdit()->font();
        w.testAccess().actions().fontAction->trigger();
        QCOMPARE(w.testAccess().bodyEdit()->font(), before);

        s.prompts.expectFont(FontChoice{QStringLiteral("DejaVu Serif"), 14, true, false, true, false});
        w.testAccess().actions().fontAction->trigger();
        QCOMPARE(s.prompts.lastFontShown.family, before.family());
        for (LinkTextEdit* field : {w.testAccess().titleEdit(), w.testAccess().bodyEdit()}) {
            QCOMPARE(field->font().pointSize(), 14);
            QVERIFY(field->font().bold() && field->font().underline() && !field->font().italic());
        }
        QCOMPARE(w.testAccess().titleEdit()->height(), titleHeight);
        QVERIFY(s.prompts.problems().isEmpty());
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
