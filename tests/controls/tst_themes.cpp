#include "MainWindowSession.h"
#include "ScriptedSpeller.h"
#include "controls/LinkTextEdit.h"
#include "controls/ReadableColor.h"
#include "gui/ActionCatalog.h"
#include "gui/dialogs/FontChoiceQt.h"
#include "gui/dialogs/FontColourDialog.h"
#include "platform/Registry.h"
#include "spell/ui/RichEditSpellControl.h"
#include "spell/ui/SpellPreview.h"
#include "spell/ui/SpellingDialog.h"
#include "store/SettingsStore.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>
#include <memory>

namespace {

QPalette fusionPalette() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

// A dark palette as desktops set it for the Fusion style. `link` is left at the default blue when
// invalid, as a theme that only darkens the backgrounds does.
QPalette darkPalette(const QColor& link) {
    QPalette p = fusionPalette();
    const QColor window(53, 53, 53), base(42, 42, 42), text(Qt::white);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::black);
    if (link.isValid())
        p.setColor(QPalette::Link, link);
    return p;
}

QPalette lightPalette() {
    QPalette p = fusionPalette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Link, Qt::blue);
    return p;
}

// The colour the control draws its first link in.
QColor linkColour(const LinkTextEdit& edit) {
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
        for (const QTextLayout::FormatRange& r : b.layout()->formats())
            if (r.format.fontUnderline())
                return r.format.foreground().color();
    return {};
}

QTextCharFormat formatAt(const SpellPreview& preview, int position) {
    QTextCursor cursor(preview.document());
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

} // namespace

// Links, misspellings and the editors' text colour under light and dark desktop palettes.
class TestThemes : public QObject {
    Q_OBJECT

    QPalette m_original;

private slots:
    void initTestCase() { m_original = QApplication::palette(); }
    void cleanup() { QApplication::setPalette(m_original); }

    void contrastMeasure_data() {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("same colour") << QColor(120, 40, 200) << QColor(120, 40, 200) << 1.0;
        QTest::newRow("red on white") << QColor(Qt::red) << QColor(Qt::white) << 4.0;
        QTest::newRow("blue on white") << QColor(Qt::blue) << QColor(Qt::white) << 8.59;
        QTest::newRow("grey 777 on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
    }
    // Published WCAG figures, to two decimals.
    void contrastMeasure() {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(ReadableColor::contrastRatio(a, b) - ratio) < 0.01,
                 qPrintable(QString::number(ReadableColor::contrastRatio(a, b))));
        QCOMPARE(ReadableColor::contrastRatio(a, b), ReadableColor::contrastRatio(b, a));
    }

    void readableColourKeepsWhatIsReadable_data() {
        QTest::addColumn<QColor>("wanted");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<bool>("kept");
        QTest::newRow("blue on white") << QColor(Qt::blue) << QColor(Qt::white) << true;
        QTest::newRow("dark red on white") << QColor(Qt::darkRed) << QColor(Qt::white) << true;
        QTest::newRow("light blue on black") << QColor(130, 170, 255) << QColor(Qt::black) << true;
        QTest::newRow("red on white") << QColor(Qt::red) << QColor(Qt::white) << false;
        QTest::newRow("blue on dark grey") << QColor(Qt::blue) << QColor(42, 42, 42) << false;
        QTest::newRow("red on dark grey") << QColor(Qt::red) << QColor(42, 42, 42) << false;
        QTest::newRow("white on white") << QColor(Qt::white) << QColor(Qt::white) << false;
        QTest::newRow("black on black") << QColor(Qt::black) << QColor(Qt::black) << false;
        QTest::newRow("grey on mid grey") << QColor(128, 128, 128) << QColor(118, 118, 118) << false;
    }
    // A readable colour is left alone; any other becomes readable and, unless it must become
    // white or black, keeps a trace of its hue.
    void readableColourKeepsWhatIsReadable() {
        QFETCH(QColor, wanted);
        QFETCH(QColor, background);
        QFETCH(bool, kept);
        const QColor shown = ReadableColor::readableOn(wanted, background);
        QVERIFY(ReadableColor::contrastRatio(shown, background) >= ReadableColor::MinimumContrast);
        QCOMPARE(shown == wanted, kept);
        if (!kept && wanted.hsvSaturation() > 200)
            QCOMPARE(shown.hsvHue(), wanted.hsvHue());
    }

    void linksAndMisspellingsAreReadable_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << lightPalette();
        QTest::newRow("dark, default blue links") << darkPalette(QColor());
        QTest::newRow("dark, mid blue links") << darkPalette(QColor(42, 130, 218));
        QTest::newRow("dark, light links") << darkPalette(QColor(130, 170, 255));
    }
    // The real text control and the real spelling dialog under the application palette: links and
    // the flagged word stand out from the text background by at least 4.5:1, the rest of the
    // preview is in the palette's text colour.
    void linksAndMisspellingsAreReadable() {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        const QColor base = palette.color(QPalette::Base);

        QWidget window;
        window.resize(400, 300);
        auto* edit = new LinkTextEdit(false, &window);
        edit->setObjectName(QStringLiteral("redNote"));
        edit->setGeometry(0, 0, 400, 300);
        edit->setText(QStringLiteral("see www.tarrowin.example and a wrongg word"));
        const QColor link = linkColour(*edit);
        QVERIFY(link.isValid());
        QVERIFY2(ReadableColor::contrastRatio(link, base) >= 4.5, qPrintable(link.name()));
        if (ReadableColor::contrastRatio(palette.color(QPalette::Link), base) >= 4.5)
            QCOMPARE(link, palette.color(QPalette::Link)); // the theme's own colour where readable

        auto script = std::make_shared<SpellScript>();
        script->flag(QStringLiteral("wrongg"), SpellResult::UnknownInputWord, {QStringLiteral("wrong")});
        SpellChecker checker;
        checker.setLanguage(2057);
        checker.setEngineType(EngineType::Ispell);
        checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
        checker.setDialogFactory(SpellingDialog::factory(&window));
        checker.setTextLanguage(TextLanguage::English);
        checker.setMisspellingStyle(
            MisspellingStyle{QStringLiteral("Verdana"), 0xFF0000, 0}); // the program's red
        RichEditSpellControl control(*edit);

        checker.checkControl(control); // the checker's dialog is modeless unless told otherwise
        auto* dialog = dynamic_cast<SpellingDialog*>(checker.dialog());
        QVERIFY(dialog && dialog->isVisible());
        const auto* preview = dialog->findChild<SpellPreview*>(QStringLiteral("Misspelling"));
        int start = 0, length = 0;
        preview->editedRange(start, length);
        QCOMPARE(preview->editedText(), QStringLiteral("wrongg"));
        const QColor flagged = formatAt(*preview, start).foreground().color();
        const QColor normal = formatAt(*preview, 0).foreground().color();
        const QColor previewBase = preview->palette().color(QPalette::Base);
        dialog->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();

        QCOMPARE(previewBase, base);
        QVERIFY2(ReadableColor::contrastRatio(flagged, base) >= 4.5, qPrintable(flagged.name()));
        QVERIFY(flagged.red() > flagged.green() && flagged.red() > flagged.blue()); // still reads as red
        QCOMPARE(normal, palette.color(QPalette::Text));
    }

    // The editors' text follows the desktop's text colour, also after a restart and a later change of
    // theme, until the user chooses a colour with the Font command; "Automatic" hands it back.
    void editorsFollowTheThemeUntilAColourIsChosen() {
        QApplication::setPalette(lightPalette());
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        RegistryHive hive(folders.paths().registryPath());
        const auto storedColour = [&] {
            return hive.openKey(SettingsKeyPath)->readInteger(QStringLiteral("fColor"));
        };
        const auto textColours = [](MainWindow& w) {
            return QList<QColor>{w.testAccess().titleEdit()->palette().color(QPalette::Text),
                                 w.testAccess().bodyEdit()->palette().color(QPalette::Text)};
        };
        const QColor orange(0xFF, 0x80, 0x00);
        {
            MainWindowSession s(folders);
            s.start().exitProgram();
            QCOMPARE(storedColour(), WindowTextColourValue);
        }
        {
            MainWindowSession s(folders);
            MainWindow& w = s.start();
            QApplication::setPalette(darkPalette(QColor()));
            QTRY_COMPARE(textColours(w), (QList<QColor>{Qt::white, Qt::white}));
            FontChoice choice = fontChoiceOf(w.testAccess().bodyEdit()->font());
            choice.colour = 0xFF8000;
            s.prompts.expectFont(choice);
            w.testAccess().actions().fontAction->trigger();
            QCOMPARE(s.prompts.lastFontShown.colour, std::nullopt);
            QCOMPARE(textColours(w), (QList<QColor>{orange, orange}));
            w.exitProgram();
            QCOMPARE(storedColour(), 0x0080FF); // 0x00BBGGRR
        }
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QApplication::setPalette(lightPalette());
        QCoreApplication::processEvents();
        QCOMPARE(textColours(w), (QList<QColor>{orange, orange}));
        s.prompts.expectFont(fontChoiceOf(w.testAccess().bodyEdit()->font())); // "Automatic"
        w.testAccess().actions().fontAction->trigger();
        QCOMPARE(s.prompts.lastFontShown.colour, std::optional<quint32>(0xFF8000));
        QCOMPARE(textColours(w), (QList<QColor>{Qt::black, Qt::black}));
        QApplication::setPalette(darkPalette(QColor()));
        QTRY_COMPARE(textColours(w), (QList<QColor>{Qt::white, Qt::white}));
        w.exitProgram();
        QCOMPARE(storedColour(), WindowTextColourValue);
        QVERIFY(s.prompts.problems().isEmpty());
    }

    // The font dialog's colour row: the colour shown at the start, "Other..." through the colour
    // dialog, "Automatic"; Enter is OK, and Escape inside the font part closes the whole dialog.
    void fontDialogChoosesAColourToo() {
        FontColourDialog dialog(
            FontChoice{QStringLiteral("DejaVu Sans"), 10, false, false, false, false, 0x112233});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QComboBox* colours = dialog.colours();
        QCOMPARE(colours->currentText(), QStringLiteral("#112233"));
        dialog.fonts()->setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 14));

        QTimer::singleShot(0, [] {
            auto* picker = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            QVERIFY(picker);
            picker->setCurrentColor(QColor(0xFF, 0x80, 0x00));
            picker->accept();
        });
        colours->setFocus();
        QTest::keyClick(colours, Qt::Key_Down); // "Other..."
        FontChoice chosen = dialog.choice();
        QCOMPARE(chosen.family, QStringLiteral("DejaVu Serif"));
        QCOMPARE(chosen.pointSize, 14);
        QCOMPARE(chosen.colour, std::optional<quint32>(0xFF8000));
        QCOMPARE(colours->currentText(), QStringLiteral("#ff8000"));

        QTest::keyClick(colours, Qt::Key_Home); // "Automatic"
        QCOMPARE(dialog.choice().colour, std::nullopt);
        QTest::keyClick(colours, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        dialog.show();
        QTest::keyClick(dialog.fonts(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    // A palette change while the control shows links recolours them.
    void linksFollowAPaletteChange() {
        QApplication::setPalette(lightPalette());
        LinkTextEdit edit(true);
        edit.setText(QStringLiteral("www.tarrowin.example"));
        QCOMPARE(linkColour(edit), QColor(Qt::blue));
        QApplication::setPalette(darkPalette(QColor())); // reaches the widgets through posted events
        QTRY_VERIFY(ReadableColor::contrastRatio(linkColour(edit), QColor(42, 42, 42)) >= 4.5);
        QCOMPARE(linkColour(edit), ReadableColor::readableOn(Qt::blue, QColor(42, 42, 42)));
    }
};

QTEST_MAIN(TestThemes)
#include "tst_themes.moc"
