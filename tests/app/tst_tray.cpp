#include "FakeTrayIcon.h"
#include "MainWindowSession.h"
#include "app/ActionCatalog.h"
#include "app/TrayController.h"
#include "platform/Registry.h"

#include <QMenu>
#include <QtTest>

// The window's trips to the tray and back, with a notification area the test controls.
class TestTray : public QObject {
    Q_OBJECT

    // The icon must exist before the window that uses it is made.
    struct IconHolder {
        FakeTrayIcon icon;
    };
    struct TraySession : IconHolder, MainWindowSession {
        TraySession(TestFolders& f, QStringList arguments = {}, bool trayAvailable = true)
            : MainWindowSession(f, std::move(arguments), &icon) {
            icon.available = trayAvailable;
        }
    };
    static QStringList captions(QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            out << a->text();
        return out;
    }

private slots:
    void iconAndMenuAreInstalled() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        TfrmMain& w = s.start();
        QVERIFY(s.icon.installed);
        QCOMPARE(s.icon.tip, QStringLiteral("Quillnote"));
        QCOMPARE(captions(s.icon.menu), (QStringList{"&Add Note", "", "&Show", "&Hide", "", "E&xit"}));
        w.show();
        QVERIFY(!w.tray().Show1()->isEnabled());
        QVERIFY(w.tray().Hide1()->isEnabled());
        s.window.reset();
        QVERIFY(!s.icon.installed); // removed with the window
    }

    void hideAndComeBackInTheSameState_data() {
        QTest::addColumn<bool>("maximized");
        QTest::newRow("normal") << false;
        QTest::newRow("maximized") << true;
    }
    void hideAndComeBackInTheSameState() {
        QFETCH(bool, maximized);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        TfrmMain& w = s.start();
        maximized ? w.showMaximized() : w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        w.tray().Hide1()->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(w.tray().Show1()->isEnabled());
        QVERIFY(!w.tray().Hide1()->isEnabled());

        s.icon.press();
        QVERIFY(w.isVisible());
        QCOMPARE(bool(w.windowState() & Qt::WindowMaximized), maximized);
        QVERIFY(!w.tray().Show1()->isEnabled());
        s.icon.press(); // already shown: brought forward again, nothing else
        QVERIFY(w.isVisible());
    }

    void minimizingGoesToTheTray() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        TfrmMain& w = s.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(w.tray().inTray());
        w.tray().Show1()->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
    }

    void anArgumentStartsInTheTray() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders, {QStringLiteral("-0")});
        TfrmMain& w = s.start();
        w.showAsStarted();
        QVERIFY(!w.isVisible());
        QVERIFY(w.tray().inTray());
        s.icon.press();
        QVERIFY(w.isVisible());
        QVERIFY(!(w.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)));
    }

    void closeBoxHidesWhenTheSettingsSaySo() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        {
            RegistryHive hive(folders.paths().registryPath());
            auto key = hive.openKey(SettingsKeyPath);
            key->writeBool(QStringLiteral("CloseOnMenuOnly"), true);
            key->close();
        }
        TraySession s(folders);
        TfrmMain& w = s.start();
        w.show();
        QSignalSpy exits(&w, &TfrmMain::exitRequested);
        QVERIFY(!w.close());
        QVERIFY(!w.isVisible());
        QCOMPARE(exits.count(), 0);
        w.tray().Exit2()->trigger(); // the tray's Exit is the menu's Exit
        QCOMPARE(exits.count(), 1);
    }

    void withoutATrayTheWindowStaysReachable() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders, {}, /*trayAvailable=*/false);
        TfrmMain& w = s.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tray().Hide1()->trigger();
        QVERIFY(w.isVisible()); // minimized on the task bar instead
        QVERIFY(!w.tray().inTray());

        // A tray that goes away while the window is in it gives the window back.
        s.icon.available = true;
        w.tray().Hide1()->trigger();
        QVERIFY(!w.isVisible());
        s.icon.available = false;
        QTRY_VERIFY_WITH_TIMEOUT(w.isVisible(), 3000);
        QVERIFY(!w.tray().inTray());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
