#pragma once

#include "FixedClock.h"
#include "RecordingShell.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"
#include "controls/LinkTextEdit.h"
#include "gui/MainWindow.h"
#include "gui/NoteList.h"
#include "platform/Registry.h"
#include "store/SettingsStore.h"

#include <QTest>

#include <QStringList>
#include <memory>

// A notes file with two notes and a comment between them.
inline const QByteArray TwoNotes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n"
    "\t<Note>\n\t\t<Title>Older</Title>\n\t\t<Text>first^Mbody</Text>\n"
    "\t\t<DateTime>39877.5</DateTime>\n\t\t<LastModified>39878</LastModified>\n\t</Note>\n"
    "\t<!-- kept -->\n"
    "\t<Note>\n\t\t<Title>Newer</Title>\n\t\t<Text>second</Text>\n"
    "\t\t<DateTime>39900.25</DateTime>\n\t</Note>\n</Notes>\n";

// One start of the real main window in its own folders, with a scripted user and a fixed clock.
struct MainWindowSession {
    TestFolders& folders;
    ScriptedPrompts prompts;
    RecordingShell shell;
    FixedClock clock;
    std::unique_ptr<MainWindow> window;

    explicit MainWindowSession(TestFolders& f, QStringList arguments = {}, ITrayIcon* tray = nullptr)
        : folders(f) {
        AppServices services{folders.paths(), prompts, shell, clock, std::move(arguments), tray};
        window = std::make_unique<MainWindow>(services);
    }
    MainWindow& start() {
        window->startUp();
        return *window;
    }
    QStringList titles() const {
        QStringList out;
        const NoteListModel& m = *window->testAccess().noteList().model();
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.note(r).title;
        return out;
    }
    QByteArray log() const { return TestFolders::readFile(folders.paths().logPath()); }

    // Opens the note with this title as a double-click on its row does.
    void openNote(const QString& title) const {
        NoteList& list = window->testAccess().noteList();
        const NoteListModel& m = *list.model();
        for (int r = 0; r < m.rowCount(); ++r)
            if (m.note(r).title == title)
                list.selectRow(r);
        emit list.doubleClicked();
        QCOMPARE(window->testAccess().titleEdit()->text(), title);
    }

    // A stored setting, as an earlier run left it: written before start() reads the settings.
    static void writeSetting(TestFolders& folders, const QString& name, int value) {
        RegistryHive hive(folders.paths().registryPath());
        auto key = hive.openKey(SettingsKeyPath);
        key->writeInteger(name, value);
        key->close();
    }
    void writeSetting(const QString& name, int value) const { writeSetting(folders, name, value); }
};
