#include "BuildVersion.h" // the build's version, generated
#include "RecordingShell.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"
#include "gui/ActionCatalog.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/JpegImage.h"
#include "gui/dialogs/ShellCommands.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"

#include <QFrame>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

namespace {

// The files the build puts beside every program, this test included.
QString besideProgram(const QString& name) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}

// One about box with fakes for the desktop and the user.
struct Box {
    RecordingShell shell;
    ScriptedPrompts prompts;
    AboutDialog frm;
    explicit Box(bool startingUp, const QString& folder = QCoreApplication::applicationDirPath())
        : frm(startingUp, folder, shell, prompts) {}
};

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    // Runs first: nothing has created a box before it.
    void versionIsReadOnceOnFirstCreation() {
        QVERIFY(RunningVersion::text().isEmpty());
        QVERIFY(AboutDialog::versionLabelText().isEmpty());
        {
            Box splash(true);
            Box about(false);
            Box again(false);
            QCOMPARE(again.frm.versionLabel()->text(), QStringLiteral("version " QUILLNOTE_FILE_VERSION));
        }
        QCOMPARE(RunningVersion::readCount(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(RunningVersion::text())
                    .hasMatch()); // the four-part file version
    }

    void splashScaleAndSize_data() {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QSize>("size");
        QTest::newRow("96") << 96.0 << 1.0 << QSize(428, 288);
        QTest::newRow("120 cut toward zero") << 120.0 << 1.35 << QSize(577, 388);
        QTest::newRow("72 no extra") << 72.0 << 0.75 << QSize(321, 216);
        QTest::newRow("144") << 144.0 << 1.6 << QSize(684, 460);
    }
    void splashScaleAndSize() {
        QFETCH(double, dpi);
        QFETCH(double, scale);
        QFETCH(QSize, size);
        QCOMPARE(AboutDialog::fontScaleForDpi(dpi), scale);
        QCOMPARE(AboutDialog::splashClientSize(AboutDialog::fontScaleForDpi(dpi)), size);
    }

    void splashScreenHasNoBorderAndNoButton() {
        Box b(true);
        const AboutDialog& f = b.frm;
        QVERIFY(f.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(f.windowType(), Qt::SplashScreen);
        QVERIFY(f.okPanel()->isHidden());
        QCOMPARE(f.splashScale(), 1.0); // the offscreen screen has 96 dots per inch
        QCOMPARE(f.size(), QSize(428, 288));
        QCOMPARE(f.versionLabel()->y(), 207);
        QCOMPARE(f.webSiteLabel()->y(), 233);
    }

    void aboutBoxLayout() {
        Box b(false);
        const AboutDialog& f = b.frm;
        QCOMPARE(f.windowTitle(), QStringLiteral("About..."));
        QCOMPARE(f.minimumSize(), QSize(426, 329));
        QCOMPARE(f.maximumSize(), QSize(426, 329));
        const Qt::WindowFlags flags = f.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint) && flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint) && !flags.testFlag(Qt::WindowMinMaxButtonsHint));
        QCOMPARE(f.okPanel()->geometry(), QRect(0, 288, 426, 41));
        QCOMPARE(f.closeButton()->text(), QStringLiteral("&Close"));
        QVERIFY(f.closeButton()->isDefault());
        QCOMPARE(f.picture()->pixmap().size(), QSize(426, 288));
        QVERIFY(f.appNameLabel()->isHidden());
        QCOMPARE(f.appNameLabel()->text(), QStringLiteral("Quillnote"));
        QCOMPARE(f.webSiteLabel()->text(), WebSiteAddress);
        QCOMPARE(f.webSiteLabel()->cursor().shape(), Qt::PointingHandCursor);
        for (const auto& [label, top, points] :
             {std::tuple{f.versionLabel(), 207, 10}, std::tuple{f.webSiteLabel(), 233, 8}}) {
            QCOMPARE(label->y(), top);
            QVERIFY(qAbs(label->geometry().center().x() - 213) <= 1);
            QCOMPARE(label->font().pointSize(), points);
            QVERIFY(label->font().bold());
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(34, 53, 174));
        }
        QVERIFY(f.webSiteLabel()->font().underline());
    }

    void enterClosesEscapeDoesNot_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
        QTest::newRow("Return") << int(Qt::Key_Return) << true;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << true;
    }
    void enterClosesEscapeDoesNot() {
        QFETCH(int, key);
        QFETCH(bool, closes);
        Box b(false);
        b.frm.open();
        QVERIFY(QTest::qWaitForWindowExposed(&b.frm));
        QTest::keyClick(&b.frm, Qt::Key(key));
        QCOMPARE(b.frm.isVisible(), !closes);
        if (closes)
            QCOMPARE(b.frm.result(), int(QDialog::Accepted));
    }

    void decodesThePictureAndRefusesDamagedFiles() {
        const QByteArray good = TestFolders::readFile(besideProgram(QStringLiteral("about.jpg")));
        const JpegImage::Result shipped = JpegImage::decode(good);
        QCOMPARE(shipped.image.size(), QSize(426, 288));
        QVERIFY(shipped.error.isEmpty());

        QByteArray scrambled = good;
        for (qsizetype i = good.size() / 2; i < good.size() / 2 + 64; ++i)
            scrambled[i] = char(0xFF - i % 7);
        const QList<QPair<const char*, QByteArray>> damaged{
            {"cut in half", good.left(good.size() / 2)},
            {"header only", good.left(200)},
            {"scrambled data", scrambled},
            {"not a JPEG", QByteArray("<?xml version=\"1.0\"?><Notes/>")},
            {"empty", QByteArray()}};
        for (const auto& [name, bytes] : damaged) {
            const JpegImage::Result r = JpegImage::decode(bytes);
            QVERIFY2(r.image.isNull() && !r.error.isEmpty(), name);
        }
        QVERIFY(!JpegImage::decodeFile(QStringLiteral("/nonexistent/about.jpg")).error.isEmpty());
    }

    // Pictures from another encoder keep their colours in place, grey ones too.
    void decodesColourAndGreyPictures() {
        if (!QImageWriter::supportedImageFormats().contains("jpeg"))
            QSKIP("Qt has no JPEG writer here");
        QImage source(64, 32, QImage::Format_RGB888);
        source.fill(QColor(200, 30, 40));
        QPainter(&source).fillRect(32, 0, 32, 32, QColor(20, 40, 220));
        for (QImage picture : {source, source.convertToFormat(QImage::Format_Grayscale8)}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(picture.save(&buffer, "JPEG", 100));
            const QImage decoded = JpegImage::decode(bytes).image;
            QCOMPARE(decoded.size(), picture.size());
            for (const QPoint at : {QPoint(8, 16), QPoint(56, 16)}) {
                const QColor want = picture.pixelColor(at), got = decoded.pixelColor(at);
                QVERIFY2(qAbs(got.red() - want.red()) < 24 && qAbs(got.blue() - want.blue()) < 24,
                         qPrintable(got.name() + " instead of " + want.name()));
            }
        }
    }

    void boxWithoutItsPictureStillShowsItsLabels_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("cut off")
            << TestFolders::readFile(besideProgram(QStringLiteral("about.jpg"))).left(3000);
    }
    void boxWithoutItsPictureStillShowsItsLabels() {
        QFETCH(QByteArray, picture);
        TestFolders folders;
        if (!picture.isEmpty())
            TestFolders::writeFile(folders.exeFolder() + QStringLiteral("about.jpg"), picture);
        Box b(false, folders.exeFolder());
        QVERIFY(b.frm.picture()->pixmap().isNull());
        QVERIFY(b.frm.pictureError().contains(QStringLiteral("about.jpg")));
        QVERIFY(b.frm.versionLabel()->text().startsWith(QStringLiteral("version ")));
        QCOMPARE(b.frm.webSiteLabel()->text(), WebSiteAddress);
    }

    void launchWebsite() {
        RecordingShell shell;
        ScriptedPrompts prompts;
        int beeps = 0;
        const auto beep = [&beeps] { ++beeps; };
        QVERIFY(openWebsite(shell, prompts, WebSiteAddress, beep));
        QCOMPARE(shell.opened, QList<QUrl>{QUrl(WebSiteAddress)});
        QCOMPARE(beeps, 0);

        shell.succeed = false;
        prompts.expectPlain(NoProgramForAddressText);
        QVERIFY(!openWebsite(shell, prompts, WebSiteAddress, beep));
        QCOMPARE(beeps, 1);

        prompts.expectPlain(NoProgramForAddressText);
        QVERIFY(!openWebsite(shell, prompts, QString(), beep)); // nothing to open is a failure too
        QCOMPARE(shell.opened.size(), 2);
        QCOMPARE(beeps, 2);
        QCOMPARE(prompts.pending(), 0);
        QVERIFY2(prompts.problems().isEmpty(), qPrintable(prompts.problems().join('\n')));
    }

    void clickOnTheAddressOpensIt() {
        Box b(false);
        b.shell.succeed = false;
        b.prompts.expectPlain(NoProgramForAddressText);
        QTest::mouseClick(b.frm.webSiteLabel(), Qt::LeftButton);
        QCOMPARE(b.shell.opened, QList<QUrl>{QUrl(WebSiteAddress)});
        QCOMPARE(b.prompts.pending(), 0);
        QTest::mouseClick(b.frm.webSiteLabel(), Qt::RightButton);
        QCOMPARE(b.shell.opened.size(), 1);
    }

    void helpOpensTheManualOnlyWhenItIsThere() {
        TestFolders folders;
        RecordingShell shell;
        openHelp(shell, folders.exeFolder());
        QVERIFY(shell.opened.isEmpty());

        const QString manual = folders.exeFolder() + HelpFileName;
        TestFolders::writeFile(manual, "<html></html>");
        QString folderWithoutSlash = folders.exeFolder();
        folderWithoutSlash.chop(1);
        openHelp(shell, folderWithoutSlash);
        QCOMPARE(shell.opened, QList<QUrl>{QUrl::fromLocalFile(manual)});
    }

    // The shipped manual stands alone and names every shortcut of the program's commands.
    void manualIsSelfContainedAndCoversEveryShortcut() {
        const QString html = QString::fromUtf8(TestFolders::readFile(besideProgram(HelpFileName)));
        QVERIFY(html.contains(QStringLiteral("<style")));
        QVERIFY(!html.contains(QRegularExpression(QStringLiteral("(src|@import|<link)[^>]*(https?:|//)"))));
        QObject owner;
        ActionCatalog catalog(&owner);
        for (const QAction* action : owner.findChildren<QAction*>()) {
            const QString keys = action->shortcut().toString(QKeySequence::PortableText);
            QVERIFY2(keys.isEmpty() || html.contains(keys), qPrintable(action->objectName() + ": " + keys));
        }
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutDialog.moc"
