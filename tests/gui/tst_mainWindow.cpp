#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/MainWindow.h"
#include "gui/NoteList.h"
#include "gui/SearchBar.h"
#include "platform/Registry.h"

#include "store/SettingsStore.h"
#include <QDir>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSplitter>
#include <QToolBar>
#include <QtTest>
#include <memory>

using Session = MainWindowSession;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesTheReadMeNote() {
        TestFolders folders;
        folders.installReadMe("Hello.\nSecond line.\n");
        Session s(folders);
        MainWindow& w = s.start();

        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));
        QCOMPARE(w.testAccess().notesPath(), folders.notesPath());
        QVERIFY(QFile::exists(folders.notesPath()));
        QCOMPARE(s.titles(), QStringList{"::: Read Me First :::"});
        const Note& readMe = w.testAccess().noteList().model()->note(0);
        QCOMPARE(readMe.text, QStringLiteral("Hello.\nSecond line.\n"));
        QCOMPARE(readMe.modifiedText, QString());
        QCOMPARE(readMe.lastModified, QStringLiteral("0"));
        // No stored sort: newest first, marked on the "Date Created" header.
        QCOMPARE(w.testAccess().noteList().model()->sortedColumn(), 0);
        QCOMPARE(w.testAccess().noteList().model()->sortDirection(), -1);
        QVERIFY(s.log().isEmpty());
    }

    void existingNotesAreListedNewestFirstAndOpenOnDoubleClick() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));

        w.testAccess().noteList().selectRow(1);
        QVERIFY(w.testAccess().actions().deleteNoteAction->isEnabled());
        emit w.testAccess().noteList().doubleClicked();
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Older"));
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), QStringLiteral("first\nbody"));
        QCOMPARE(w.testAccess().editing().openNotePosition(), 0);
        QCOMPARE(w.testAccess().editing().openNoteCreated(),
                 w.testAccess().noteList().model()->note(1).createdText);
        QVERIFY(!w.testAccess().editing().hasUnsavedChanges());
        QCOMPARE(w.testAccess().noteList().model()->note(0).position, 2); // the comment counts
    }

    void doubleClickWithUnsavedChangesAsksFirst() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        w.testAccess().noteList().selectRow(0);
        emit w.testAccess().noteList().doubleClicked();
        w.testAccess().titleEdit()->setText(QStringLiteral("edited"));
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());

        w.testAccess().noteList().selectRow(1);
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::Cancel);
        emit w.testAccess().noteList().doubleClicked();
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("edited"));
        QCOMPARE(w.testAccess().noteList().selectedRow(), 1);
        QVERIFY(s.prompts.asked().last().buttons == (MsgButton::Yes | MsgButton::No | MsgButton::Cancel));

        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::No);
        emit w.testAccess().noteList().doubleClicked();
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Older"));
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void sortSurvivesARestart() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            Session s(folders);
            MainWindow& w = s.start();
            emit w.testAccess().noteList().columnClicked(
                2); // title, ascending after the start-up's descending
            QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
            emit w.testAccess().noteList().columnClicked(2);
            QCOMPARE(s.titles(), (QStringList{"Older", "Newer"}));
            w.exitProgram();
            QVERIFY(w.testAccess().isExiting());
            QVERIFY2(s.log().isEmpty(), s.log().constData());
        }
        Session again(folders);
        MainWindow& w = again.start();
        QVERIFY2(again.log().isEmpty(), again.log().constData());
        QCOMPARE(again.titles(), (QStringList{"Older", "Newer"}));
        QCOMPARE(w.testAccess().noteList().model()->sortedColumn(), 2);
        QCOMPARE(w.testAccess().noteList().model()->sortDirection(), -1);
        QCOMPARE(w.testAccess().settings().sortToggle, -1);
    }

    void firstStartStoresTheWindowAtOnce() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        s.start();
        RegistryHive hive(folders.paths().registryPath());
        const auto key = hive.openKey(SettingsKeyPath);
        for (const char* name : {"Top", "Left", "Width", "Height", "NotePanelHeight", "FormState"})
            QVERIFY2(key->valueExists(QString::fromLatin1(name)), name);
        QCOMPARE(key->readInteger(QStringLiteral("FormState")), 0);
        QCOMPARE(key->readInteger(QStringLiteral("NotePanelHeight")), 196);
        QVERIFY(!key->valueExists(QStringLiteral("SortToggle"))); // the rest comes at the end of the run

        // A run killed before its exit: the next one shows the design layout.
        Session again(folders);
        MainWindow& w = again.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.testAccess().contentsPanel()->height(), 196);
    }

    void panelHeightIsReadWithinWhatFits_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("formState");
        QTest::addColumn<int>("expected"); // -1: all the room the list panel's minimum leaves
        QTest::newRow("kept") << 240 << 0 << 240;
        QTest::newRow("below the minimum") << 13 << 0 << 100;
        QTest::newRow("taller than the window") << 5000 << 0 << -1;
        // Too tall for the normal window, not for the screen the maximized window fills.
        QTest::newRow("maximized") << 400 << 2 << 400;
    }
    // Also in a run that never shows the window (started in the tray), which must store what it read.
    void panelHeightIsReadWithinWhatFits() {
        QFETCH(int, stored);
        QFETCH(int, formState);
        QFETCH(int, expected);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        RegistryHive hive(folders.paths().registryPath());
        {
            auto key = hive.openKey(SettingsKeyPath);
            key->writeInteger(QStringLiteral("Height"), 500);
            key->writeInteger(QStringLiteral("FormState"), formState);
            key->writeInteger(QStringLiteral("NotePanelHeight"), stored);
            key->close();
        }
        const auto fitting = [&](MainWindow& w) {
            const QSplitter& splitter = *w.testAccess().splitter();
            return expected >= 0 ? expected : splitter.height() - splitter.handleWidth() - 100;
        };
        {
            Session hidden(folders);
            MainWindow& w = hidden.start();
            const int wanted = fitting(w);
            w.exitProgram();
            QCOMPARE(hive.openKey(SettingsKeyPath)->readInteger(QStringLiteral("NotePanelHeight")), wanted);
        }
        Session shown(folders);
        MainWindow& w = shown.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.normalGeometry().height(), 500);
        QCOMPARE(w.testAccess().contentsPanel()->height(), fitting(w));
        QVERIFY(w.testAccess().splitter()->widget(1)->height() >= 100);
        QVERIFY(shown.log().isEmpty());
    }

    // The design font is the desktop's general font, and the date columns fit a full date-time in it.
    void listAndEditorsStartInTheDesktopFont() {
        TestFolders folders;
        folders.writeNotes("<Notes><Note><Title>wide dates</Title><DateTime>40175.9992824074</DateTime>"
                           "<LastModified>40175.9992824074</LastModified></Note></Notes>");
        Session s(folders);
        MainWindow& w = s.start();
        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        QTreeView* view = w.testAccess().noteList().view();
        for (const QWidget* widget :
             {static_cast<QWidget*>(w.testAccess().titleEdit()),
              static_cast<QWidget*>(w.testAccess().bodyEdit()), static_cast<QWidget*>(view)}) {
            QCOMPARE(widget->font().family(), general.family());
            QCOMPARE(widget->font().pointSize(), general.pointSize());
        }
        QCOMPARE(w.testAccess().noteList().model()->note(0).createdText,
                 QStringLiteral("12/28/09 11:58:58 PM"));
        QStyleOptionViewItem option;
        option.initFrom(view);
        for (int column : {0, 1}) {
            const QModelIndex cell = w.testAccess().noteList().model()->index(0, column);
            QVERIFY2(view->itemDelegate()->sizeHint(option, cell).width() <=
                         view->header()->sectionSize(column),
                     qPrintable(QString::number(column)));
        }
        QCOMPARE(view->textElideMode(), Qt::ElideRight); // narrowed by the user, a date ends in "..."
    }

    void windowAndFontComeBackAfterARestart() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            Session s(folders);
            MainWindow& w = s.start();
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.resize(700, 560);
            w.testAccess().splitter()->setSizes({240, 560 - 240});
            w.testAccess().noteList().view()->header()->resizeSection(2, 300);
            s.prompts.expectFont(FontChoice{QStringLiteral("DejaVu Serif"), 12, false, true, false, true});
            w.testAccess().actions().fontAction->trigger();
            w.exitProgram();
            QVERIFY2(s.log().isEmpty(), s.log().constData());
        }
        Session again(folders);
        MainWindow& w = again.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(700, 560));
        QCOMPARE(w.testAccess().contentsPanel()->height(), 240);
        QCOMPARE(w.testAccess().noteList().view()->header()->sectionSize(2), 300);
        QCOMPARE(w.testAccess().noteList().view()->header()->sectionSize(3),
                 512); // the note column is not kept
        for (LinkTextEdit* field : {w.testAccess().titleEdit(), w.testAccess().bodyEdit()}) {
            QCOMPARE(field->font().family(), QStringLiteral("DejaVu Serif"));
            QCOMPARE(field->font().pointSize(), 12);
            QVERIFY(field->font().italic() && field->font().strikeOut() && !field->font().bold());
        }
        QVERIFY(again.log().isEmpty());
    }

    void aWrongTypedSettingStopsReadingThere() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            RegistryHive hive(folders.paths().registryPath());
            auto key = hive.openKey(SettingsKeyPath);
            key->writeBool(QStringLiteral("ConfirmOnDelete"), true); // read before the bad value
            key->writeString(QStringLiteral("CloseOnMenuOnly"),
                             QStringLiteral("yes"));            // a text, not a number
            key->writeInteger(QStringLiteral("SortColumn"), 2); // read after it
            key->close();
        }
        Session s(folders);
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        MainWindow& w = s.start();
        QVERIFY(s.log().contains("Method Name:\tGetPositions"));
        QVERIFY(w.testAccess().settings().confirmOnDelete);
        QVERIFY(!w.testAccess().settings().closeOnMenuOnly);
        QCOMPARE(w.testAccess().settings().sortColumn, 0); // not read: the list is sorted by date
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
    }

    void exitAsksAboutUnsavedChangesAndCancelKeepsRunning() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        QSignalSpy exits(&w, &MainWindow::exitRequested);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("typed"));
        QVERIFY(w.testAccess().actions().saveNoteAction->isEnabled());
        const QByteArray settingsBefore = TestFolders::readFile(folders.paths().registryPath());
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::Cancel);
        w.exitProgram();
        QVERIFY(!w.testAccess().isExiting());
        QCOMPARE(exits.count(), 0);
        QCOMPARE(TestFolders::readFile(folders.paths().registryPath()), settingsBefore); // nothing written

        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::No);
        w.exitProgram();
        QVERIFY(w.testAccess().isExiting());
        QCOMPARE(exits.count(), 1);
        QVERIFY(QFile::exists(folders.paths().registryPath()));
    }

    void closeBoxEndsOrKeepsRunningByTheSetting_data() {
        QTest::addColumn<bool>("closeOnMenuOnly");
        QTest::newRow("close ends the program") << false;
        QTest::newRow("close keeps it running") << true;
    }
    void closeBoxEndsOrKeepsRunningByTheSetting() {
        QFETCH(bool, closeOnMenuOnly);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            RegistryHive hive(folders.paths().registryPath());
            auto key = hive.openKey(SettingsKeyPath);
            key->writeBool(QStringLiteral("CloseOnMenuOnly"), closeOnMenuOnly);
            key->close();
        }
        Session s(folders);
        MainWindow& w = s.start();
        w.show();
        QSignalSpy exits(&w, &MainWindow::exitRequested);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("unsaved"));
        if (!closeOnMenuOnly) // hiding loses nothing, so only a real close asks
            s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::No);
        QCOMPARE(w.close(), !closeOnMenuOnly);
        QCOMPARE(exits.count(), closeOnMenuOnly ? 0 : 1);
        QCOMPARE(s.prompts.asked().size(), closeOnMenuOnly ? 0 : 1);
        QVERIFY(s.prompts.problems().isEmpty());
        if (closeOnMenuOnly)
            QVERIFY(w.isVisible()); // minimized to the task bar, still reachable
    }

    void closeBoxAsksAboutUnsavedChanges_data() {
        QTest::addColumn<MsgButton>("answer");
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves and closes") << MsgButton::Yes << false << true << true;
        QTest::newRow("no drops the edits") << MsgButton::No << false << true << false;
        QTest::newRow("cancel keeps it open") << MsgButton::Cancel << false << false << false;
        QTest::newRow("a failed save keeps it open") << MsgButton::Yes << true << false << false;
    }
    void closeBoxAsksAboutUnsavedChanges() {
        QFETCH(MsgButton, answer);
        QFETCH(bool, saveFails);
        QFETCH(bool, closes);
        QFETCH(bool, saved);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        w.show();
        QSignalSpy exits(&w, &MainWindow::exitRequested);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("Typed"));
        if (saveFails) { // a folder where the notes file was: the rename over it fails
            QVERIFY(QFile::remove(folders.notesPath()));
            QVERIFY(QDir().mkdir(folders.notesPath()));
        }
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), answer);
        if (saveFails)
            s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        QCOMPARE(w.close(), closes);
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(s.prompts.pending(), 0);
        QCOMPARE(exits.count(), closes ? 1 : 0);
        QCOMPARE(w.isVisible(), !closes);
        if (!saveFails)
            QCOMPARE(TestFolders::readFile(folders.notesPath()).contains("<Title>Typed</Title>"), saved);
        QCOMPARE(w.testAccess().titleEdit()->text(), QStringLiteral("Typed"));
    }

    // Without a way to ask, the end of the session saves the edits as they stand; with one, the user's
    // Cancel keeps the program running.
    void sessionEndSavesOrAsks() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        QSignalSpy exits(&w, &MainWindow::exitRequested);
        QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("Typed"));
        s.prompts.expect(QStringLiteral("Save changes to the current note?"), MsgButton::Cancel);
        QVERIFY(!w.sessionEnding(true));
        QCOMPARE(exits.count(), 0);

        QVERIFY(w.sessionEnding(false));
        QCOMPARE(s.prompts.asked().size(), 1);
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(exits.count(), 1);
        QVERIFY(TestFolders::readFile(folders.notesPath()).contains("<Title>Typed</Title>"));
        QVERIFY(QFile::exists(folders.paths().registryPath()));
    }

    void anyArgumentStartsMinimized() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders, {QStringLiteral("-0")});
        MainWindow& w = s.start();
        w.showAsStarted();
        QVERIFY(w.windowState() & Qt::WindowMinimized);
    }

    void aBrokenNotesFileIsLoggedAndNeverReplaced_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not xml") << QByteArray("this is not xml");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << TwoNotes.left(TwoNotes.size() / 2);
    }
    void aBrokenNotesFileIsLoggedAndNeverReplaced() {
        QFETCH(QByteArray, bytes);
        TestFolders folders;
        folders.writeNotes(bytes);
        Session s(folders);
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        MainWindow& w = s.start();
        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));
        QCOMPARE(w.testAccess().noteList().model()->rowCount(), 0);
        QCOMPARE(TestFolders::readFile(folders.notesPath()), bytes);
        QVERIFY(s.log().contains("Method Name:\tFormCreate"));
        QVERIFY(!w.testAccess().isStartingUp());
        w.exitProgram(); // closing must not write an empty document over the file
        QCOMPARE(TestFolders::readFile(folders.notesPath()), bytes);
    }

    void missingReadMeCreatesNoFile() {
        TestFolders folders; // no qnReadMe.txt
        Session s(folders);
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No); // createWithReadMe
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No); // loadNotes, no document
        MainWindow& w = s.start();
        QVERIFY2(s.prompts.problems().isEmpty(), qPrintable(s.prompts.problems().join('\n')));
        QVERIFY(!QFile::exists(folders.notesPath()));
        QVERIFY(s.log().contains("Method Name:\tWriteQuillnoteFile"));
        QVERIFY(s.log().contains("Method Name:\tLoadNotes"));
        QCOMPARE(w.testAccess().noteList().model()->rowCount(), 0);
    }

    void aNoteWithoutTitleEndsTheList() {
        TestFolders folders;
        folders.writeNotes("<Notes><Note><Title>one</Title><DateTime>39877</DateTime></Note>"
                           "<Note><Title/><DateTime>39878</DateTime></Note>"
                           "<Note><Title>three</Title><DateTime>39879</DateTime></Note></Notes>");
        Session s(folders);
        s.prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        MainWindow& w = s.start();
        QCOMPARE(s.titles(), QStringList{"one"});
        QVERIFY(s.log().contains("Method Name:\tLoadNotes"));
        QVERIFY(!w.testAccess().actions().saveNoteAction->isEnabled());
    }

    void aFailingMessageBoxIsLoggedWithoutEndlessRecursion() {
        TestFolders folders;
        folders.writeNotes("junk");
        Session s(folders);
        // The question after the start-up failure fails; so does the one reporting that failure,
        // which is then given up on instead of being reported again.
        s.prompts.expectFailure(QStringLiteral("has been logged"), QStringLiteral("no display"));
        s.prompts.expectFailure(QStringLiteral("has been logged"), QStringLiteral("no display"));
        s.start();
        QCOMPARE(s.prompts.asked().size(), 2);
        QVERIFY(s.prompts.problems().isEmpty());
        QVERIFY(s.log().contains("Method Name:\tFormCreate"));
        QVERIFY(s.log().contains("Method Name:\tMessageDlg"));
    }

    void menusToolBarAndActionsAreComplete() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        QStringList menus;
        for (QAction* a : w.menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Tools", "&Help"}));
        QStringList file;
        for (QAction* a : w.menuBar()->actions().first()->menu()->actions())
            file << a->text();
        QCOMPARE(file, (QStringList{"&New", "&Save", "Save &to File", "Send &as E-Mail", "", "&Print", "",
                                    "&Delete", "", "E&xit"}));

        ActionCatalog& a = w.testAccess().actions();
        QCOMPARE(a.exportAction->toolTip(), QStringLiteral("Save selected note(s) to File"));
        QCOMPARE(a.exportAction->statusTip(), QStringLiteral("Saves the selected note(s) to a file."));
        QCOMPARE(a.exportAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
        QCOMPARE(a.fontAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(a.findAction->shortcut(), QKeySequence(QStringLiteral("F3")));
        QCOMPARE(a.undoAction->toolTip(), QStringLiteral("Undo"));
        QVERIFY(a.exitAction->isEnabled());
        QVERIFY(a.copyAction->isEnabled());
    }

    void layoutFollowsTheWindow() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(800, 600);
        QTRY_COMPARE(w.testAccess().titleEdit()->width(), 800 - 50);
        const int contents = w.testAccess().contentsPanel()->height();
        QCOMPARE(w.testAccess().bodyEdit()->height(),
                 contents - 8 - w.testAccess().titleEdit()->height() - 8);
        QCOMPARE(w.testAccess().bodyEdit()->geometry().bottom(), contents - 1);
        // The content panel never gets narrower than 600 pixels, so neither does the window.
        w.resize(300, 600);
        QTRY_VERIFY(w.testAccess().contentsPanel()->width() >= 600);
        QVERIFY(w.testAccess().contentsPanel()->minimumHeight() == 100);
    }

    void searchFindsANoteAndItsScopeIsKept() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            Session s(folders);
            MainWindow& w = s.start();
            QTest::keyClicks(w.testAccess().searchBar().findEdit(), QStringLiteral("FIRST"));
            QTest::keyClick(w.testAccess().searchBar().findEdit(), Qt::Key_Return);
            QCOMPARE(w.testAccess().noteList().model()->note(w.testAccess().noteList().selectedRow()).title,
                     QStringLiteral("Older"));
            s.prompts.expect(QStringLiteral("No matches were found.  Search from the top?"), MsgButton::No);
            w.testAccess().actions().findAction->trigger(); // F3: the next note does not match
            QVERIFY(s.prompts.problems().isEmpty());
            w.testAccess().searchBar().currentNoteButton()->click();
            QVERIFY(!w.testAccess().settings().searchAllNotes);
            w.exitProgram();
        }
        Session again(folders);
        MainWindow& w = again.start();
        QVERIFY(w.testAccess().searchBar().currentNoteButton()->isChecked());
        QVERIFY(!w.testAccess().searchBar().allNotesButton()->isChecked());
    }

    void aClickedLinkOpensWithTheDesktop() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        emit w.testAccess().bodyEdit()->linkClicked(QStringLiteral("www.example.org/a?b=1"));
        emit w.testAccess().titleEdit()->linkClicked(QStringLiteral("https://example.org/x#y"));
        QCOMPARE(s.shell.opened, (QList<QUrl>{QUrl(QStringLiteral("http://www.example.org/a?b=1")),
                                              QUrl(QStringLiteral("https://example.org/x#y"))}));
        QVERIFY(s.prompts.asked().isEmpty());
    }

    void sendNoteHandsTitleBodyAndFooterToTheMailProgram() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        // A stand-in mail program first on PATH that records its arguments, one per NUL.
        const QString fakeDir = folders.root() + QStringLiteral("fakebin/");
        QDir().mkpath(fakeDir);
        TestFolders::writeFile(fakeDir + QStringLiteral("xdg-email"),
                               "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$0.part\"; mv "
                               "\"$0.part\" \"$0.args\"\n");
        QFile::setPermissions(fakeDir + QStringLiteral("xdg-email"), QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", fakeDir.toLocal8Bit() + ':' + oldPath);

        Session s(folders);
        MainWindow& w = s.start();
        w.testAccess().noteList().selectRow(1);
        emit w.testAccess().noteList().doubleClicked(); // "Older"
        w.testAccess().actions().sendMailAction->trigger();
        const QString recorded = fakeDir + QStringLiteral("xdg-email.args");
        QTRY_VERIFY(QFile::exists(recorded));
        qputenv("PATH", oldPath);
        const QList<QByteArray> args = TestFolders::readFile(recorded).split('\0');
        QCOMPARE(args.value(0), QByteArray("--utf8"));
        QCOMPARE(args.value(2), QByteArray("Older"));
        QVERIFY(args.value(4).startsWith("first\nbody\n\n_____"));
        QVERIFY(args.value(4).endsWith("https://www.tarrowin.example/"));
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void helpAndAboutFromTheMenu() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TestFolders::writeFile(folders.exeFolder() + QStringLiteral("Quillnote.html"), "<html></html>");
        Session s(folders);
        MainWindow& w = s.start();
        QVERIFY(
            w.testAccess().mailFooter().endsWith(QStringLiteral("This message sent via Quillnote 1.0.0.1.\n"
                                                                "https://www.tarrowin.example/")));
        QVERIFY(!QApplication::topLevelWidgets().isEmpty());
        for (QWidget* top : QApplication::topLevelWidgets()) // the splash is gone once started
            QVERIFY(!top->isVisible() || top == &w);

        w.testAccess().actions().helpAction->trigger();
        QCOMPARE(s.shell.opened.size(), 1);
        QCOMPARE(s.shell.opened.first(),
                 QUrl::fromLocalFile(folders.exeFolder() + QStringLiteral("Quillnote.html")));

        QString caption;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            caption = box ? box->windowTitle() : QString();
            if (box)
                box->close();
        });
        w.testAccess().actions().aboutAction->trigger();
        QCOMPARE(caption, QStringLiteral("About..."));
        QVERIFY(s.log().isEmpty());
    }

    void editCommandsActOnTheFocusedField() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        Session s(folders);
        MainWindow& w = s.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        w.testAccess().bodyEdit()->setPlainText(QStringLiteral("body text"));
        w.testAccess().bodyEdit()->setFocus();
        QTRY_VERIFY(w.testAccess().bodyEdit()->hasFocus());
        w.testAccess().actions().selectAllAction->trigger();
        QCOMPARE(w.testAccess().bodyEdit()->textCursor().selectedText(), QStringLiteral("body text"));
        w.testAccess().actions().cutAction->trigger();
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), QString());
        w.testAccess().actions().undoAction->trigger();
        QCOMPARE(w.testAccess().bodyEdit()->toPlainText(), QStringLiteral("body text"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainWindow.moc"
