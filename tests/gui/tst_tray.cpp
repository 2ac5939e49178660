#include "FakeTrayIcon.h"
#include "MainWindowSession.h"
#include "gui/ActionCatalog.h"
#include "gui/TrayController.h"
#include "platform/Registry.h"

#include <QMainWindow>
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

    static int storedSetting(TestFolders& folders, const QString& name) {
        return RegistryHive(folders.paths().registryPath()).openKey(SettingsKeyPath)->readInteger(name);
    }

private slots:
    void iconAndMenuAreInstalled() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        MainWindow& w = s.start();
        QVERIFY(s.icon.installed);
        QCOMPARE(s.icon.tip, QStringLiteral("Quillnote"));
        QCOMPARE(captions(s.icon.menu), (QStringList{"&Add Note", "", "&Show", "&Hide", "", "E&xit"}));
        w.show();
        QVERIFY(!w.testAccess().tray().showAction()->isEnabled());
        QVERIFY(w.testAccess().tray().hideAction()->isEnabled());
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
        MainWindow& w = s.start();
        maximized ? w.showMaximized() : w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        w.testAccess().tray().hideAction()->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(w.testAccess().tray().showAction()->isEnabled());
        QVERIFY(!w.testAccess().tray().hideAction()->isEnabled());

        s.icon.press();
        QVERIFY(w.isVisible());
        QCOMPARE(bool(w.windowState() & Qt::WindowMaximized), maximized);
        QVERIFY(!w.testAccess().tray().showAction()->isEnabled());
        s.icon.press(); // already shown: brought forward again, nothing else
        QVERIFY(w.isVisible());
    }

    // The tray takes the minimize over: the window is hidden, not minimized, so the state stored at exit
    // and the one it comes back in are the state it had.
    void minimizingGoesToTheTray_data() {
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("formState");
        QTest::newRow("normal") << false << 0;
        QTest::newRow("maximized") << true << 2;
    }
    void minimizingGoesToTheTray() {
        QFETCH(bool, maximized);
        QFETCH(int, formState);
        const Qt::WindowStates state = maximized ? Qt::WindowMaximized : Qt::WindowNoState;
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        MainWindow& w = s.start();
        w.setWindowState(state);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(w.testAccess().tray().inTray());
        QTRY_COMPARE(w.windowState(), state); // a late minimized report from the platform is put right again

        w.testAccess().tray().showAction()->trigger();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowState() & ~Qt::WindowActive, state);
        w.showMinimized();
        QTRY_VERIFY(!w.isVisible());
        w.testAccess().tray().exitAction()->trigger();
        QCOMPARE(storedSetting(folders, QStringLiteral("FormState")), formState);
    }

    // Whatever made the window minimized at start, it starts in the tray and comes back normal.
    void minimizedStartGoesToTheTray_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setting");
        QTest::newRow("argument") << QStringList{QStringLiteral("-0")} << QString();
        QTest::newRow("--add-note") << QStringList{QStringLiteral("--add-note")} << QString();
        QTest::newRow("Start Minimized") << QStringList() << QStringLiteral("StartMinimized");
        QTest::newRow("stored state") << QStringList() << QStringLiteral("FormState");
    }
    void minimizedStartGoesToTheTray() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setting);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        if (!setting.isEmpty())
            MainWindowSession::writeSetting(folders, setting, 1);
        TraySession s(folders, arguments);
        MainWindow& w = s.start();
        w.showAsStarted();
        QVERIFY(!w.isVisible());
        QVERIFY(w.testAccess().tray().inTray());
        QCOMPARE(w.windowState(), Qt::WindowStates());
        s.icon.press();
        QVERIFY(w.isVisible());
        QVERIFY(!(w.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)));
    }

    void closeBoxHidesWhenTheSettingsSaySo() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession::writeSetting(folders, QStringLiteral("CloseOnMenuOnly"), 1);
        TraySession s(folders);
        MainWindow& w = s.start();
        w.show();
        QSignalSpy exits(&w, &MainWindow::exitRequested);
        QVERIFY(!w.close());
        QVERIFY(!w.isVisible());
        QCOMPARE(exits.count(), 0);
        w.testAccess().tray().exitAction()->trigger(); // the tray's Exit is the menu's Exit
        QCOMPARE(exits.count(), 1);
    }

    // Without a tray, --add-note alone shows the window normally (the quick-add window opens over it);
    // any other argument still starts it minimized on the task bar.
    void startWithoutATray_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("minimized");
        QTest::newRow("--add-note") << QStringList{QStringLiteral("--add-note")} << false;
        QTest::newRow("-0") << QStringList{QStringLiteral("-0")} << true;
        QTest::newRow("--add-note -0")
            << QStringList{QStringLiteral("--add-note"), QStringLiteral("-0")} << true;
    }
    void startWithoutATray() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, minimized);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders, arguments, /*trayAvailable=*/false);
        MainWindow& w = s.start();
        w.showAsStarted();
        QVERIFY(w.isVisible());
        QCOMPARE(bool(w.windowState() & Qt::WindowMinimized), minimized);
    }

    // Where the window system keeps minimizing to itself (Wayland), a minimize is not a trip to the tray.
    void minimizingOnWaylandIsLeftToTheCompositor_data() {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("toTray");
        QTest::newRow("xcb") << QStringLiteral("xcb") << true;
        QTest::newRow("wayland") << QStringLiteral("wayland") << false;
    }
    void minimizingOnWaylandIsLeftToTheCompositor() {
        QFETCH(QString, platform);
        QFETCH(bool, toTray);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders);
        MainWindow& w = s.start();
        QMainWindow window;
        QAction exit;
        TrayController tray(window, s.icon, w.testAccess().errorLog(), exit, WindowPlacement(platform));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        tray.windowMinimized(Qt::WindowNoState);
        window.setWindowState(Qt::WindowMinimized);
        QCoreApplication::processEvents(); // the trip to the tray waits for the state change to be done
        QCOMPARE(tray.inTray(), toTray);
        QCOMPARE(window.isVisible(), !toTray);
    }

    void withoutATrayTheWindowStaysReachable() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        TraySession s(folders, {}, /*trayAvailable=*/false);
        MainWindow& w = s.start();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.testAccess().tray().hideAction()->trigger();
        QVERIFY(w.isVisible()); // minimized on the task bar instead
        QVERIFY(!w.testAccess().tray().inTray());

        // A tray that goes away while the window is in it gives the window back.
        s.icon.available = true;
        w.testAccess().tray().hideAction()->trigger();
        QVERIFY(!w.isVisible());
        s.icon.available = false;
        QTRY_VERIFY_WITH_TIMEOUT(w.isVisible(), 3000);
        QVERIFY(!w.testAccess().tray().inTray());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
