#include "MainWindowSession.h"
#include "Unprivileged.h"
#include "controls/DesktopFont.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/OptionsCommands.h"
#include "gui/SpellCommands.h"
#include "gui/dialogs/OptionsChoice.h"
#include "gui/dialogs/OptionsDialog.h"
#include "platform/AutoStart.h"
#include "platform/Registry.h"
#include "spell/ui/LanguagePicker.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstdio>
#include <sys/stat.h>

namespace {

// The notes file in a folder.
QString notesIn(const QString& folder) {
    return AppPaths::withTrailingSlash(folder) + QStringLiteral("quill.xml");
}

// A notes file of `count` notes with long bodies, titled "Note 0" and so on.
QByteArray manyNotes(int count) {
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n";
    for (int i = 0; i < count; ++i)
        bytes += "\t<Note>\n\t\t<Title>Note " + QByteArray::number(i) + "</Title>\n\t\t<Text>" +
                 QByteArray(1000, 'x') + "</Text>\n\t\t<DateTime>" + QByteArray::number(40000 + i) +
                 "</DateTime>\n\t</Note>\n";
    return bytes + "</Notes>\n";
}

// Settings read at the next start.
void storeLocation(const TestFolders& folders, bool useAlternate, const QString& alternate) {
    RegistryHive hive(folders.paths().registryPath());
    auto key = hive.openKey(SettingsKeyPath);
    key->writeBool(QStringLiteral("UseAlternateLocation"), useAlternate);
    key->writeString(QStringLiteral("AlternateLocation"), alternate);
    key->close();
}

// Tools, Options, with `user` acting in the dialog as a person would; it ends with OK or Cancel.
void runOptions(MainWindow& w, const std::function<void(OptionsDialog&)>& user) {
    QObject during;
    bool shown = false;
    QObject::connect(&w.testAccess().options(), &OptionsCommands::dialogShown, &during,
                     [&](OptionsDialog* dialog) {
                         shown = true;
                         user(*dialog);
                         if (dialog->isVisible())
                             dialog->reject();
                     });
    QVERIFY(w.testAccess().actions().optionsAction->isEnabled());
    w.testAccess().actions().optionsAction->trigger();
    QVERIFY(shown);
}

// Turns the alternate location on for `folder` and presses OK.
std::function<void(OptionsDialog&)> chooseFolder(const QString& folder) {
    return [folder](OptionsDialog& d) {
        d.alternateLocationBox()->click();
        d.locationEdit()->setText(folder);
        QVERIFY(d.okButton()->isEnabled());
        d.okButton()->click();
    };
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A move that cannot complete, met by the whole program: `target` cannot take the notes (read-only,
// or a full disk). The target already holds older notes. Prints FAIL lines, then "checked".
int failedMoveHelper(char* program, const QString& target, bool makeReadOnly) {
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication app(argc, argv);
    int failures = 0;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAIL: %s\n", what);
            ++failures;
        }
    };
    const QByteArray older = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n\t<Note>\n"
                             "\t\t<Title>Older elsewhere</Title>\n\t\t<DateTime>39000</DateTime>\n"
                             "\t</Note>\n</Notes>\n";
    QDir().mkpath(target);
    TestFolders::writeFile(notesIn(target), older);
    if (makeReadOnly)
        ::chmod(QFile::encodeName(target), 0555);

    TestFolders folders;
    const QByteArray current = manyNotes(100); // larger than the small disk
    folders.writeNotes(current);
    MainWindowSession s(folders);
    MainWindow& w = s.start();
    const QStringList titles = s.titles();
    s.prompts.expect(QStringLiteral("could not be moved"), MsgButton::OK);
    runOptions(w, chooseFolder(target));

    check(s.prompts.problems().isEmpty() && s.prompts.pending() == 0, "the failure was not told");
    check(w.testAccess().notesPath() == folders.notesPath(), "the program switched to the target");
    check(!w.testAccess().settings().useAlternateLocation, "the settings name the target");
    check(s.titles() == titles, "the list changed");
    check(TestFolders::readFile(notesIn(target)) == older, "the older notes in the target changed");
    check(TestFolders::readFile(folders.notesPath()) == current, "the current notes changed");
    for (const QString& name : filesIn(target))
        check(!name.endsWith(QLatin1String(".qntmp")), "a temporary file was left in the target");
    check(s.log().contains("mnuOptionsClick") && s.log().contains("could not be moved"), "not logged");

    // The current file is still open and working.
    w.testAccess().actions().newNoteAction->trigger();
    QTest::keyClicks(w.testAccess().titleEdit(), QStringLiteral("After the failed move"));
    w.testAccess().actions().saveNoteAction->trigger();
    check(TestFolders::readFile(folders.notesPath()).contains("After the failed move"), "not saved");
    check(s.prompts.problems().isEmpty(), "unexpected questions");
    if (makeReadOnly)
        ::chmod(QFile::encodeName(target), 0755);
    std::puts(failures ? "failed" : "checked");
    return failures ? 1 : 0;
}

// The auto-start box as an ordinary user meets it, whose entry lives under `configHome`. Prints FAIL
// lines, then "checked".
int autoStartHelper(char* program, const QString& configHome) {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    QDir().mkpath(configHome);
    int argc = 1;
    char* argv[] = {program, nullptr};
    QApplication app(argc, argv);
    int failures = 0;
    const auto check = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAIL: %s\n", what);
            ++failures;
        }
    };
    TestFolders folders;
    folders.writeNotes(TwoNotes);
    MainWindowSession s(folders);
    MainWindow& w = s.start();
    const QString folder = configHome + "/autostart";
    const QString entry = folder + "/Quillnote.desktop";
    const auto toggle = [&](OptionsDialog& d) {
        check(d.autoStartBox()->isEnabled(), "the box is disabled");
        d.autoStartBox()->click();
        d.okButton()->click();
    };
    const auto shows = [&](bool on) {
        return [&check, on](OptionsDialog& d) {
            check(d.autoStartBox()->isChecked() == on, "the box does not show whether the entry exists");
            d.okButton()->click();
        };
    };

    runOptions(w, toggle);
    check(w.testAccess().settings().autoStart, "the setting was not taken");
    check(TestFolders::readFile(entry) == AutoStart::entryContents(QCoreApplication::applicationFilePath()),
          "no entry of the user's own");
    runOptions(w, shows(true)); // unchanged: left alone
    check(QFile::exists(entry), "an unchanged box removed the entry");
    QFile::remove(entry); // as the desktop's own session settings do
    runOptions(w, shows(false));
    check(!w.testAccess().settings().autoStart, "the setting names an entry that is gone");
    runOptions(w, toggle);
    runOptions(w, toggle);
    check(!QFile::exists(entry) && !w.testAccess().settings().autoStart, "unchecking left the entry");
    check(s.prompts.problems().isEmpty(), "unexpected questions");

    // An entry that cannot be written is logged, and the setting is taken all the same.
    QDir(folder).removeRecursively();
    TestFolders::writeFile(folder, "");
    s.prompts.expect("has been logged", MsgButton::No);
    runOptions(w, toggle);
    check(w.testAccess().settings().autoStart, "the setting was not taken after a failure");
    check(s.log().contains("CreateStartupShortcut"), "the failure was not logged");
    check(s.prompts.problems().isEmpty() && s.prompts.pending() == 0, "the failure was not told");
    std::puts(failures ? "failed" : "checked");
    return failures ? 1 : 0;
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    // A dialog over the settings of a started window.
    static std::unique_ptr<OptionsDialog> dialogFor(MainWindowSession& s, bool autoStartOn = false) {
        return std::make_unique<OptionsDialog>(
            OptionsDialogContext{
                s.window->testAccess().settings(), s.prompts, s.window->testAccess().errorLog(), autoStartOn,
                &s.window->testAccess().spell().checker(), &s.window->testAccess().spell().configuration()},
            s.window.get());
    }

private slots:
    void controlsAndCaptions() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        s.start();
        QCOMPARE(s.window->testAccess().actions().optionsAction->text(), "&Options..."); // it opens a dialog
        const auto d = dialogFor(s);
        QCOMPARE(d->windowTitle(), "Quillnote Options");
        QCOMPARE(d->optionsGroup()->title(), " Quillnote Options ");
        QCOMPARE(d->font(), desktopFont()); // the desktop's font, as the main window
        QVERIFY(d->isModal());
        const QList<std::pair<QCheckBox*, QString>> boxes = {
            {d->startMinimizedBox(), "Start Minimized"},
            {d->autoStartBox(), "Start Quillnote when I log in"},
            {d->checkUpdatesBox(), "Check for Updates on Startup"},
            {d->alternateLocationBox(), "Use Alternate Location for Note Storage:"},
            {d->spellCheckOnSaveBox(), "Spell Check When Saving"},
            {d->loadNotesOnSearchBox(), "Load Notes on Search"},
            {d->closeFromMenuOnlyBox(), "Close from Menu Only"},
            {d->confirmDeleteBox(), "Confirm on Delete"},
        };
        for (const auto& [box, caption] : boxes) {
            QCOMPARE(box->text(), caption);
            QVERIFY(!box->isChecked()); // the defaults are all off
            QCOMPARE(box->parentWidget(), d->optionsGroup());
        }
        QCOMPARE(d->spellCheckOnSaveBox()->toolTip(),
                 "When checked, whenever you save a note or task, the title and body will automatically be "
                 "checked for spelling errors.");
        QCOMPARE(d->languageLabel()->text(), "Local Language:");
        QCOMPARE(d->languagePicker()->toolTip(),
                 "Specify the language to be used when checking for spelling errors.");
        QCOMPARE(d->browseButton()->text(), "...");
        QCOMPARE(d->okButton()->text(), "OK");
        QCOMPARE(d->cancelButton()->text(), "Cancel");
        QVERIFY(d->okButton()->isDefault());
        QVERIFY(!d->locationEdit()->isEnabled());
        QVERIFY(d->okButton()->isEnabled());
        QCOMPARE(d->locationEdit()->text(), folders.dataFolder()); // AlternateLocation by default

        const QList<QWidget*> order = {
            d->startMinimizedBox(),    d->autoStartBox(),     d->checkUpdatesBox(),
            d->alternateLocationBox(), d->locationEdit(),     d->browseButton(),
            d->spellCheckOnSaveBox(),  d->languagePicker(),   d->loadNotesOnSearchBox(),
            d->closeFromMenuOnlyBox(), d->confirmDeleteBox(), d->okButton(),
            d->cancelButton()};
        QList<QWidget*> walked = {order.first()};
        for (QWidget* w = order.first()->nextInFocusChain();
             w != order.first() && walked.size() < order.size(); w = w->nextInFocusChain())
            if (order.contains(w))
                walked << w;
        QCOMPARE(walked, order);
    }

    void loadsTheSettings() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        AppSettings& set = w.testAccess().settings();
        set.startMinimized = set.autoStart = set.checkForUpdatesOnStartup = true;
        set.loadNotesOnSearch = set.closeOnMenuOnly = set.confirmOnDelete = set.checkSpellingOnSave = true;
        set.useAlternateLocation = true;
        set.alternateLocation = folders.root() + "gone"; // deleted since
        const auto d = dialogFor(s, /*autoStartOn=*/true);
        for (QCheckBox* box : d->findChildren<QCheckBox*>())
            QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
        QCOMPARE(d->locationEdit()->text(), folders.root() + "gone");
        QVERIFY(d->locationEdit()->isEnabled());
        QVERIFY(!d->okButton()->isEnabled()); // the stored folder is gone
        QCOMPARE(d->folderInUse(), folders.root() + "gone");
    }

    void okNeedsAnExistingFolder_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("existing") << "data" << true;
        QTest::newRow("existing with slash") << "data/" << true;
        QTest::newRow("missing") << "nowhere" << false;
        QTest::newRow("a file") << "data/quill.xml" << false;
        QTest::newRow("empty") << "" << false;
    }
    void okNeedsAnExistingFolder() {
        QFETCH(QString, typed);
        QFETCH(bool, enabled);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        s.start();
        const auto d = dialogFor(s);
        d->alternateLocationBox()->click();
        QVERIFY(d->locationEdit()->isEnabled());
        d->locationEdit()->clear();
        QTest::keyClicks(d->locationEdit(), typed.isEmpty() ? QString() : folders.root() + typed);
        QCOMPARE(d->okButton()->isEnabled(), enabled);
        d->alternateLocationBox()->click(); // off again: OK whatever the folder says
        QVERIFY(d->okButton()->isEnabled());
        QVERIFY(!d->locationEdit()->isEnabled());
        QTest::keyClicks(d->locationEdit(), "x");
        QVERIFY(d->okButton()->isEnabled());
    }

    void folderPickerFillsTheField() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        s.start();
        const auto d = dialogFor(s);
        d->alternateLocationBox()->click();
        QVERIFY(QDir().mkpath(folders.root() + "picked"));
        s.prompts.expectFolder(folders.root() + "picked/");
        d->browseButton()->click();
        QCOMPARE(d->locationEdit()->text(), folders.root() + "picked");
        QVERIFY(d->okButton()->isEnabled());
        s.prompts.expectFolder(std::nullopt); // cancelled: nothing changes
        d->browseButton()->click();
        QCOMPARE(d->locationEdit()->text(), folders.root() + "picked");
        QVERIFY(s.prompts.problems().isEmpty());
        QCOMPARE(s.prompts.pending(), 0);
    }

    // Which folder the notes file moves to, from the old and the new choice.
    void moveDecision_data() {
        QTest::addColumn<bool>("oldUse");
        QTest::addColumn<QString>("oldAlternate");
        QTest::addColumn<bool>("newUse");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("target");       // empty: no move
        QTest::addColumn<QString>("newAlternate"); // AlternateLocation afterwards
        QTest::newRow("off to on") << false << "/default/" << true << "/alt"
                                   << "/alt/"
                                   << "/alt/";
        QTest::newRow("off to on, default folder") << false << "/default/" << true << "/default"
                                                   << "/default/"
                                                   << "/default/";
        QTest::newRow("on, same folder") << true << "/alt" << true << "/alt/"
                                         << ""
                                         << "/alt/";
        QTest::newRow("on, other folder") << true << "/alt" << true << "/other"
                                          << "/other/"
                                          << "/other/";
        QTest::newRow("on to off") << true << "/alt/" << false << "/other"
                                   << "/default/"
                                   << "/alt/";
        QTest::newRow("off, off") << false << "/alt/" << false << "/other"
                                  << ""
                                  << "/alt/";
    }
    void moveDecision() {
        QFETCH(bool, oldUse);
        QFETCH(QString, oldAlternate);
        QFETCH(bool, newUse);
        QFETCH(QString, typed);
        AppSettings settings;
        settings.quillnoteLocation = "/default/";
        settings.alternateLocation = oldAlternate;
        settings.useAlternateLocation = oldUse;
        OptionsChoice choice;
        choice.useAlternateLocation = newUse;
        choice.location = typed;
        choice.confirmOnDelete = choice.checkSpellingOnSave = true;
        choice.spellCheckerLanguage = 4;
        const std::optional<QString> target = takeOptions(settings, choice, storageFolderInUse(settings));
        QTEST(target.value_or(QString()), "target");
        QTEST(settings.alternateLocation, "newAlternate");
        QCOMPARE(settings.useAlternateLocation, newUse);
        QCOMPARE(settings.quillnoteLocation, "/default/");
        QVERIFY(settings.confirmOnDelete && settings.checkSpellingOnSave);
        QCOMPARE(settings.spellCheckerLanguage, 4);
    }

    void okTakesTheSettingsAndCancelNothing() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QTemporaryDir autostart;
        w.testAccess().options().setAutoStartFolder(autostart.path());
        const auto tickAll = [](OptionsDialog& d) {
            for (QCheckBox* box : {d.startMinimizedBox(), d.checkUpdatesBox(), d.spellCheckOnSaveBox(),
                                   d.loadNotesOnSearchBox(), d.closeFromMenuOnlyBox(), d.confirmDeleteBox()})
                box->click();
        };
        runOptions(w, [&](OptionsDialog& d) {
            tickAll(d);
            d.cancelButton()->click();
        });
        const AppSettings& set = w.testAccess().settings();
        QVERIFY(!set.startMinimized && !set.checkForUpdatesOnStartup && !set.checkSpellingOnSave &&
                !set.loadNotesOnSearch && !set.closeOnMenuOnly && !set.confirmOnDelete);

        runOptions(w, [&](OptionsDialog& d) {
            tickAll(d);
            d.okButton()->click();
        });
        QVERIFY(set.startMinimized && set.checkForUpdatesOnStartup && set.checkSpellingOnSave &&
                set.loadNotesOnSearch && set.closeOnMenuOnly && set.confirmOnDelete);
        QVERIFY(!set.useAlternateLocation && !set.autoStart);
        QCOMPARE(w.testAccess().notesPath(), folders.notesPath());
        QCOMPARE(filesIn(autostart.path()), QStringList());
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void notesMoveToAnEmptyFolderAndBack() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const QString alternate = folders.root() + "elsewhere";
        QVERIFY(QDir().mkpath(alternate));

        runOptions(w, chooseFolder(alternate));
        QCOMPARE(w.testAccess().notesPath(), notesIn(alternate));
        QVERIFY(w.testAccess().settings().useAlternateLocation);
        QCOMPARE(w.testAccess().settings().alternateLocation, alternate + "/");
        QCOMPARE(TestFolders::readFile(notesIn(alternate)), TwoNotes);
        QCOMPARE(TestFolders::readFile(folders.notesPath()), TwoNotes); // the old file stays
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));

        // A change now goes to the new file only.
        w.testAccess().actions().newNoteAction->trigger();
        QTest::keyClicks(w.testAccess().titleEdit(), "Moved");
        w.testAccess().actions().saveNoteAction->trigger();
        QVERIFY(TestFolders::readFile(notesIn(alternate)).contains("<Title>Moved</Title>"));
        QCOMPARE(TestFolders::readFile(folders.notesPath()), TwoNotes);

        // Back to the default folder: its previous file is kept as a backup, not lost.
        const QByteArray moved = TestFolders::readFile(notesIn(alternate));
        runOptions(w, [](OptionsDialog& d) {
            d.alternateLocationBox()->click();
            d.okButton()->click();
        });
        QCOMPARE(w.testAccess().notesPath(), folders.notesPath());
        QVERIFY(!w.testAccess().settings().useAlternateLocation);
        QCOMPARE(TestFolders::readFile(folders.notesPath()), moved);
        QCOMPARE(TestFolders::readFile(folders.notesPath() + ".backup-20090305-130213"), TwoNotes);
        QCOMPARE(s.titles().size(), 3);
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void existingNotesInTheTargetAreKept() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        const QString alternate = folders.root() + "shared";
        const QByteArray theirs = manyNotes(2);
        QVERIFY(QDir().mkpath(alternate));
        TestFolders::writeFile(notesIn(alternate), theirs);
        MainWindowSession s(folders);
        MainWindow& w = s.start();

        runOptions(w, chooseFolder(alternate));
        QCOMPARE(w.testAccess().notesPath(), notesIn(alternate));
        QCOMPARE(TestFolders::readFile(notesIn(alternate)), TwoNotes);
        QCOMPARE(filesIn(alternate), (QStringList{"quill.xml", "quill.xml.backup-20090305-130213"}));
        QCOMPARE(TestFolders::readFile(notesIn(alternate) + ".backup-20090305-130213"), theirs);
        QCOMPARE(s.titles(), (QStringList{"Newer", "Older"}));
    }

    void unchangedFolderMovesNothing() {
        TestFolders folders;
        const QString alternate = folders.root() + "alt/";
        QVERIFY(QDir().mkpath(alternate));
        TestFolders::writeFile(notesIn(alternate), TwoNotes);
        storeLocation(folders, true, alternate);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QCOMPARE(w.testAccess().notesPath(), notesIn(alternate));
        w.testAccess().noteList().selectRow(0);
        emit w.testAccess().noteList().doubleClicked();
        QCOMPARE(w.testAccess().titleEdit()->text(), "Newer");

        runOptions(w, [](OptionsDialog& d) {
            QCOMPARE(d.locationEdit()->text(), d.folderInUse());
            QVERIFY(d.okButton()->isEnabled());
            d.okButton()->click();
        });
        QCOMPARE(w.testAccess().titleEdit()->text(),
                 "Newer"); // the list was not rebuilt, the note stays open
        QCOMPARE(filesIn(alternate), QStringList{"quill.xml"});
        QVERIFY(s.prompts.problems().isEmpty());
    }

    void unsavedNoteIsOfferedBeforeTheMove_data() {
        QTest::addColumn<MsgButton>("answer");
        QTest::addColumn<bool>("moved");
        QTest::addColumn<bool>("saved");
        QTest::newRow("save") << MsgButton::Yes << true << true;
        QTest::newRow("discard") << MsgButton::No << true << false;
        QTest::newRow("cancel") << MsgButton::Cancel << false << false;
    }
    void unsavedNoteIsOfferedBeforeTheMove() {
        QFETCH(MsgButton, answer);
        QFETCH(bool, moved);
        QFETCH(bool, saved);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const QString alternate = folders.root() + "alt";
        QVERIFY(QDir().mkpath(alternate));
        w.testAccess().actions().newNoteAction->trigger();
        QTest::keyClicks(w.testAccess().titleEdit(), "Typed");
        s.prompts.expect("Save changes to the current note?", answer);

        runOptions(w, chooseFolder(alternate));
        QCOMPARE(w.testAccess().notesPath(), moved ? notesIn(alternate) : folders.notesPath());
        QCOMPARE(w.testAccess().settings().useAlternateLocation, moved);
        QCOMPARE(TestFolders::readFile(w.testAccess().notesPath()).contains("Typed"), saved);
        QCOMPARE(w.testAccess().titleEdit()->text(), moved ? QString() : QString("Typed"));
        QVERIFY(s.prompts.problems().isEmpty());
    }

    // Root ignores file modes: the read-only target is met as "nobody".
    void readOnlyTargetKeepsTheCurrentFile() {
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()), 0777) == 0);
        const ChildRun child = runUnprivileged(
            {QCoreApplication::applicationFilePath(), "--failed-move", dir.path() + "/target", "read-only"},
            60000);
        QVERIFY(child.finished);
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QVERIFY2(child.output.contains("checked") && !child.output.contains("FAIL"), qPrintable(output));
    }

    void fullDiskKeepsTheCurrentFile() {
        QTemporaryDir dir;
        QProcess child;
        child.start("unshare",
                    {"-Urm", "sh", "-c",
                     "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 77; echo mounted; exec \"$0\" "
                     "--failed-move \"$1\" full-disk",
                     QCoreApplication::applicationFilePath(), dir.path()});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        if (!output.contains("mounted"))
            QSKIP(qPrintable("no private tmpfs here: " + child.readAllStandardError()));
        QVERIFY2(output.contains("checked") && !output.contains("FAIL"),
                 qPrintable(output + child.readAllStandardError()));
    }

    // The picker acts at once, and Cancel does not take the language back; OK stores its index.
    void languagePickerAppliesAtOnce() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        const LanguagePicker installed(&w.testAccess().spell().configuration());
        if (installed.count() < 2)
            QSKIP("fewer than two spelling languages installed");
        SpellChecker& checker = w.testAccess().spell().checker();
        const int stored = w.testAccess().settings().spellCheckerLanguage;
        const int other = stored == 0 ? 1 : 0;

        runOptions(w, [&](OptionsDialog& d) {
            QCOMPARE(d.languagePicker()->count(), installed.count());
            QCOMPARE(d.languagePicker()->currentIndex(), stored);
            d.languagePicker()->setCurrentIndex(other); // as the user's choice from the list
            QCOMPARE(checker.languageText(), installed.itemText(other));
            d.cancelButton()->click();
        });
        QCOMPARE(checker.languageText(), installed.itemText(other));
        QCOMPARE(w.testAccess().settings().spellCheckerLanguage, stored);
        QCOMPARE(w.testAccess().languagePicker()->currentIndex(), stored);

        runOptions(w, [&](OptionsDialog& d) {
            d.languagePicker()->setCurrentIndex(other);
            d.okButton()->click();
        });
        QCOMPARE(w.testAccess().settings().spellCheckerLanguage, other);
        QCOMPARE(w.testAccess().languagePicker()->currentIndex(),
                 other); // the main window's own picker follows
        QCOMPARE(checker.languageText(), installed.itemText(other));
    }

    // Root ignores file modes and would write the common entry: the box is met as "nobody".
    void autoStartFollowsTheBox() {
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()), 0777) == 0);
        const ChildRun child = runUnprivileged(
            {QCoreApplication::applicationFilePath(), "--auto-start", dir.path() + "/config"}, 60000);
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QVERIFY2(child.finished && child.output.contains("checked") && !child.output.contains("FAIL"),
                 qPrintable(output));
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--failed-move") == 0)
        return failedMoveHelper(argv[0], QString::fromLocal8Bit(argv[2]), qstrcmp(argv[3], "read-only") == 0);
    if (argc == 3 && qstrcmp(argv[1], "--auto-start") == 0)
        return autoStartHelper(argv[0], QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestOptionsDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_optionsDialog.moc"
