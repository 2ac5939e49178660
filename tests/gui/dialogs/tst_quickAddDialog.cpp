#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "gui/dialogs/QuickAddDialog.h"
#include "platform/Registry.h"
#include "store/SettingsStore.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

// The quick-add window on two screens of different sizes (first 1280x1024, second 1920x1200 to its
// right), working on a real main window's document and list.
class TestQuickAddDialog : public QObject {
    Q_OBJECT

    struct Session {
        TestFolders folders;
        std::unique_ptr<MainWindowSession> main;
        std::unique_ptr<SettingsStore> settings;
        LocaleFormats formats = LocaleFormats::capture();

        Session() {
            folders.writeNotes(TwoNotes);
            main = std::make_unique<MainWindowSession>(folders);
            main->start();
            main->clock.set(QDateTime(QDate(2011, 1, 1), QTime(10, 0)));
            settings = std::make_unique<SettingsStore>(RegistryHive(folders.paths().registryPath()));
        }
        AddNoteContext context() {
            MainWindow& w = *main->window;
            const auto saveNote = [this, &w](const QString& title, const QString& body) {
                w.testAccess().noteList().addNewNote(w.testAccess().store(), title, body, main->clock.now(),
                                                     formats);
            };
            return {*settings, saveNote, w.testAccess().errorLog(), main->clock, formats};
        }
        void storeBounds(QRect bounds) const {
            auto key = RegistryHive(folders.paths().registryPath()).openKeyForWriting(SettingsKeyPath);
            key->writeInteger(QStringLiteral("AddNoteHeight"), bounds.height());
            key->writeInteger(QStringLiteral("AddNoteTop"), bounds.y());
            key->writeInteger(QStringLiteral("AddNoteWidth"), bounds.width());
            key->writeInteger(QStringLiteral("AddNoteLeft"), bounds.x());
            key->close();
        }
        QRect storedBounds() const {
            auto key = RegistryHive(folders.paths().registryPath()).openKey(SettingsKeyPath);
            return {key->readInteger(QStringLiteral("AddNoteLeft")),
                    key->readInteger(QStringLiteral("AddNoteTop")),
                    key->readInteger(QStringLiteral("AddNoteWidth")),
                    key->readInteger(QStringLiteral("AddNoteHeight"))};
        }
        QByteArray notesFile() const { return TestFolders::readFile(folders.notesPath()); }
    };

    // Default place: right edge on the first screen's, bottom 35 above the whole desktop's bottom.
    static inline const QRect Defaults{1280 - 420, 1200 - 221 - 35, 420, 221};

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::screens().size(), 2);
        QCOMPARE(QGuiApplication::primaryScreen()->virtualGeometry(), QRect(0, 0, 3200, 1200));
    }

    void placementAndStoredBounds() {
        Session s;
        {
            QuickAddDialog window(s.context());
            QCOMPARE(window.geometry(), Defaults);
            QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
            QVERIFY(window.isModal());
            window.show();
            // The default reaches below the first screen: it is not pulled up on opening ...
            QTest::qWait(QuickAddDialog::SettleMs * 2);
            QCOMPARE(window.geometry(), Defaults);
            window.reject();
        }
        QCOMPARE(s.storedBounds(), Defaults); // ... and stored as the defaults

        // Bounds within the first screen are used and stored back as they are.
        const QRect inside(100, 200, 500, 300);
        s.storeBounds(inside);
        {
            QuickAddDialog window(s.context());
            QCOMPARE(window.geometry(), inside);
            window.show();
            window.reject();
        }
        QCOMPARE(s.storedBounds(), inside);

        // Bounds from a larger screen are used once, then replaced by the defaults at design size.
        for (const QRect beyond : {QRect(1000, 100, 500, 300), QRect(100, 800, 500, 300)}) {
            s.storeBounds(beyond);
            QuickAddDialog window(s.context());
            QCOMPARE(window.geometry(), beyond);
            window.show();
            window.reject();
            QCOMPARE(s.storedBounds(), Defaults);
        }
    }

    // Where the window system places windows itself, the window has its frame and keeps the stored
    // position, storing only its own size.
    void withoutPlacingItselfTheWindowIsFramedAndKeepsTheStoredPosition() {
        Session s;
        const QRect stored(100, 200, 500, 300);
        s.storeBounds(stored);
        AddNoteContext context = s.context();
        context.placesItself = false;
        {
            QuickAddDialog window(context);
            QVERIFY(!window.windowFlags().testFlag(Qt::FramelessWindowHint));
            window.show();
            window.setGeometry(0, 0, 450, 260); // what such a window system reports: no position
            window.reject();
        }
        QCOMPARE(s.storedBounds(), QRect(100, 200, 450, 260));
    }

    void unreadableSettingsOpenAtTheDefaults() {
        Session s;
        TestFolders::writeFile(s.folders.paths().registryPath(), "not a settings file");
        QuickAddDialog window(s.context());
        QCOMPARE(window.geometry(), Defaults);
        QVERIFY(s.main->log().contains("Method Name:\tAddNote1Click"));
    }

    void aMoveEndsInsideTheFirstScreensRightAndBottomEdges() {
        Session s;
        s.storeBounds({100, 100, 420, 221});
        QuickAddDialog window(s.context());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        window.move(1100, 900); // past the right and the bottom edge
        QTRY_COMPARE(window.geometry(), QRect(1280 - 420, 1024 - 221, 420, 221));

        window.resize(600, 400); // a resize past both edges is pulled back too, size kept
        QTRY_COMPARE(window.geometry(), QRect(1280 - 600, 1024 - 400, 600, 400));

        window.move(-50, -20); // past the left and top edge: left alone
        QTest::qWait(QuickAddDialog::SettleMs * 2);
        QCOMPARE(window.pos(), QPoint(-50, -20));
        window.reject();
        QCOMPARE(s.storedBounds(), QRect(-50, -20, 600, 400));
    }

    void saveAppendsToTheFileAndTheList() {
        Session s;
        MainWindow& w = *s.main->window;
        QuickAddDialog window(s.context(), &w);
        window.show();
        QVERIFY(!window.saveButton()->isEnabled());
        QTest::keyClicks(window.bodyEdit(), QStringLiteral("a<b"));
        QTest::keyClick(window.titleEdit(), Qt::Key_Return);
        QVERIFY(window.isVisible()); // a body alone cannot be saved
        QVERIFY(!window.saveButton()->isEnabled());

        QTest::keyClicks(window.titleEdit(), QStringLiteral("Quick <x>"));
        QVERIFY(window.saveButton()->isEnabled());
        QTest::keyClick(window.titleEdit(), Qt::Key_Return); // the default button
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));

        QVERIFY(s.notesFile().contains("<Title>Quick &lt;x&gt;</Title>"));
        QVERIFY(s.notesFile().contains("<Text>a&amp;lt;b</Text>"));
        QVERIFY(s.notesFile().contains("<DateTime>40544.4166666667</DateTime>"));
        // Sorted newest first as before, the new note selected and complete.
        QCOMPARE(s.main->titles(), (QStringList{"Quick <x>", "Newer", "Older"}));
        const int row = w.testAccess().noteList().selectedRow();
        QCOMPARE(row, 0);
        const Note& note = w.testAccess().noteList().model()->note(row);
        QCOMPARE(note.text, QStringLiteral("a<b"));
        QCOMPARE(note.position, w.testAccess().store().childCount() - 1);
        QVERIFY(s.main->prompts.problems().isEmpty());
    }

    void cancelAndEscapeSaveNothing() {
        Session s;
        const QByteArray before = s.notesFile();
        for (const bool escape : {false, true}) {
            QuickAddDialog window(s.context());
            window.show();
            QTest::keyClicks(window.titleEdit(), QStringLiteral("Dropped"));
            QTest::keyClicks(window.bodyEdit(), QStringLiteral("text"));
            if (escape)
                QTest::keyClick(window.bodyEdit(), Qt::Key_Escape);
            else
                QTest::mouseClick(window.cancelButton(), Qt::LeftButton);
            QVERIFY(!window.isVisible());
            QCOMPARE(window.result(), int(QDialog::Rejected));
        }
        QCOMPARE(s.notesFile(), before);
        QCOMPARE(s.main->titles(), (QStringList{"Newer", "Older"}));
        QCOMPARE(s.storedBounds(), Defaults); // stored all the same
    }

    void aFailedSaveKeepsTheWindowAndTheText() {
        Session s;
        // A folder where the notes file was: the rename over it fails.
        QFile::remove(s.folders.notesPath());
        QVERIFY(QDir().mkdir(s.folders.notesPath()));
        QuickAddDialog window(s.context());
        window.show();
        QTest::keyClicks(window.titleEdit(), QStringLiteral("Lost?"));
        s.main->prompts.expect(QStringLiteral("has been logged"), MsgButton::No);
        QTest::mouseClick(window.saveButton(), Qt::LeftButton);
        QVERIFY(window.isVisible());
        QCOMPARE(window.titleEdit()->text(), QStringLiteral("Lost?"));
        QCOMPARE(s.main->titles(), (QStringList{"Newer", "Older"}));
        const QByteArray log = s.main->log();
        QVERIFY(log.contains("Unit Name:\tAddNote"));
        QVERIFY(log.contains("Method Name:\tbtnSaveClick"));
        QVERIFY(s.main->prompts.problems().isEmpty());
    }

    void noteKeysAreTheBodys() {
        Session s;
        QuickAddDialog window(s.context());
        window.show();
        for (LinkTextEdit* field : {window.titleEdit(), window.bodyEdit()}) {
            QTest::keyClicks(field, QStringLiteral("a"));
            QTest::keyClick(field, Qt::Key_B, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_F8);
        }
        QCOMPARE(window.titleEdit()->text(), QStringLiteral("a"));
        QCOMPARE(window.bodyEdit()->text(),
                 QStringLiteral("a\u2022") +
                     s.formats.locale.toString(QDate(2011, 1, 1), s.formats.shortDateFormat) +
                     QLatin1Char(' '));
    }

    // A press near an edge or a corner and a drag resize the window from there, down to its minimum
    // size; the fields keep the same margin on every side.
    void resizesFromEveryEdge_data() {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("drag");
        QTest::addColumn<QRect>("expected");
        const QRect r(100, 100, 420, 221);
        QTest::newRow("left") << QPoint(1, 110) << QPoint(-30, 5) << r.adjusted(-30, 0, 0, 0);
        QTest::newRow("right") << QPoint(418, 110) << QPoint(30, 5) << r.adjusted(0, 0, 30, 0);
        QTest::newRow("top") << QPoint(200, 0) << QPoint(5, -20) << r.adjusted(0, -20, 0, 0);
        QTest::newRow("bottom") << QPoint(200, 219) << QPoint(5, 25) << r.adjusted(0, 0, 0, 25);
        QTest::newRow("bottom right") << QPoint(419, 220) << QPoint(10, 10) << r.adjusted(0, 0, 10, 10);
        QTest::newRow("top left, to the minimum")
            << QPoint(2, 2) << QPoint(300, 200) << QRect(220, 171, 300, 150);
        QTest::newRow("bottom left") << QPoint(3, 218) << QPoint(-10, 10) << r.adjusted(-10, 0, 0, 10);
        QTest::newRow("top right") << QPoint(417, 3) << QPoint(10, -10) << r.adjusted(0, -10, 10, 0);
        QTest::newRow("inside the margin") << QPoint(7, 110) << QPoint(-30, 0) << r;
    }
    void resizesFromEveryEdge() {
        QFETCH(QPoint, press);
        QFETCH(QPoint, drag);
        Session s;
        s.storeBounds({100, 100, 420, 221});
        QuickAddDialog window(s.context());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* border = window.findChild<QWidget*>(QStringLiteral("pnlContents"));
        QVERIFY(border);
        QTest::mousePress(border, Qt::LeftButton, {}, press);
        QTest::mouseMove(border, press + drag);
        QTest::mouseRelease(border, Qt::LeftButton, {}, press + drag);
        QTEST(window.geometry(), "expected");

        const auto inWindow = [&](QWidget* w) { return QRect(w->mapTo(&window, QPoint()), w->size()); };
        const QRect title = inWindow(window.titleEdit());
        const QRect cancel = inWindow(window.cancelButton());
        const int margin = title.left();
        QCOMPARE(window.width() - 1 - title.right(), margin);
        QCOMPARE(window.width() - 1 - cancel.right(), margin);
        QCOMPARE(window.height() - 1 - cancel.bottom(), margin);
        QCOMPARE(inWindow(window.findChild<QLabel*>()).top(), margin);
    }
};

QTEST_MAIN(TestQuickAddDialog)
#include "tst_quickAddDialog.moc"
