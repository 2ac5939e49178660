#include "gui/dialogs/FontChoiceQt.h"
#include "platform/QuillError.h"
#include "store/SettingsStore.h"

#include "TestFolders.h"

#include "Unprivileged.h"
#include <QColor>
#include <QSettings>
#include <QtTest>
#include <functional>

namespace {

template <typename T> QVariant var(const std::optional<T>& v) {
    return v ? QVariant::fromValue(*v) : QVariant();
}

// Every value readSettings can set, by its stored name.
QVariantMap asValues(const WindowSettings& w, const AppSettings& s) {
    return {
        {"Top", var(w.top)},
        {"Left", var(w.left)},
        {"Width", var(w.width)},
        {"Height", var(w.height)},
        {"NotePanelHeight", var(w.contentsHeight)},
        {"FormState", w.windowState ? QVariant(int(*w.windowState)) : QVariant()},
        {"colDate", var(w.dateCreatedWidth)},
        {"colTitle", var(w.lastModifiedWidth)},
        {"colNote", var(w.titleWidth)},
        {"Font", var(w.fontFamily)},
        {"fColor", var(w.fontColour)},
        {"fSize", var(w.fontSize)},
        {"fStyle", w.fontStyle ? QVariant(fontStyleCode(*w.fontStyle)) : QVariant()},
        {"CheckForUpdatesOnStartup", s.checkForUpdatesOnStartup},
        {"AutoStartWithWindows", s.autoStart},
        {"StartMinimized", s.startMinimized},
        {"LoadNotesOnSearch", s.loadNotesOnSearch},
        {"UseAlternateLocation", s.useAlternateLocation},
        {"ConfirmOnDelete", s.confirmOnDelete},
        {"QuillnoteLocation", s.quillnoteLocation},
        {"AlternateLocation", s.alternateLocation},
        {"CloseOnMenuOnly", s.closeOnMenuOnly},
        {"SearchAllNotes", s.searchAllNotes},
        {"SortToggle", s.sortToggle},
        {"SortColumn", s.sortColumn},
        {"SpellCheckerType", s.spellCheckerType},
        {"SpellCheckerLanguage", s.spellCheckerLanguage},
    };
}

const QStringList ReadOrder =
    QStringLiteral(
        "Top Left Width Height NotePanelHeight FormState colDate colTitle colNote Font fColor fSize fStyle "
        "CheckForUpdatesOnStartup AutoStartWithWindows StartMinimized LoadNotesOnSearch UseAlternateLocation "
        "ConfirmOnDelete QuillnoteLocation AlternateLocation CloseOnMenuOnly SearchAllNotes SortToggle "
        "SortColumn SpellCheckerType SpellCheckerLanguage")
        .split(' ');
const QStringList WriteOrder =
    QStringLiteral(
        "Top Left Width Height NotePanelHeight colDate colTitle colNote Font fColor SortToggle SortColumn "
        "fSize fStyle FormState CheckForUpdatesOnStartup AutoStartWithWindows StartMinimized "
        "LoadNotesOnSearch UseAlternateLocation AlternateLocation QuillnoteLocation CloseOnMenuOnly "
        "SearchAllNotes ConfirmOnDelete SpellCheckerType SpellCheckerLanguage CheckSpellingOnSave")
        .split(' ');
const QStringList TextValues = {"Font", "QuillnoteLocation", "AlternateLocation"};

const QSize QuickAddDesign(436, 260);

// clang-format off
WindowSettings designWindow() {
    return {.top = 555, .left = 275, .width = 608, .height = 615, .contentsHeight = 196,
            .windowState = WindowState::Normal, .dateCreatedWidth = 100, .lastModifiedWidth = 120, .titleWidth = 200,
            .fontFamily = "Verdana", .fontColour = WindowTextColourValue, .fontSize = 8, .fontStyle = FontStyle{}};
}

// Differs from designWindow() and from the initial state in every value.
WindowSettings otherWindow() {
    return {.top = -10, .left = 20, .width = 700, .height = 500, .contentsHeight = 150,
            .windowState = WindowState::Maximized, .dateCreatedWidth = 60, .lastModifiedWidth = 70, .titleWidth = 80,
            .fontFamily = "DejaVu Sans", .fontColour = 0x123456, .fontSize = 12, .fontStyle = FontStyle{.bold = true}};
}
// clang-format on

// Differs from a default AppSettings in every value; the folders exist.
AppSettings otherSettings(const TestFolders& folders) {
    AppSettings s;
    s.sortToggle = 1; // stored as -1
    s.sortColumn = 2;
    s.checkForUpdatesOnStartup = s.autoStart = s.startMinimized = s.loadNotesOnSearch = true;
    s.useAlternateLocation = s.confirmOnDelete = s.closeOnMenuOnly = s.checkSpellingOnSave = true;
    s.searchAllNotes = false;
    s.quillnoteLocation = folders.dataFolder();
    s.alternateLocation = folders.configFolder();
    s.spellCheckerType = 2;
    s.spellCheckerLanguage = 3;
    return s;
}

// otherWindow() without one value.
WindowSettings otherWindowWithout(const QString& name) {
    WindowSettings w = otherWindow();
    const QMap<QString, std::function<void()>> clear = {
        {"Top", [&] { w.top.reset(); }},
        {"Left", [&] { w.left.reset(); }},
        {"Width", [&] { w.width.reset(); }},
        {"colNote", [&] { w.titleWidth.reset(); }},
        {"Font", [&] { w.fontFamily.reset(); }},
        {"fColor", [&] { w.fontColour.reset(); }},
        {"fSize", [&] { w.fontSize.reset(); }},
        {"fStyle", [&] { w.fontStyle.reset(); }},
        {"FormState", [&] { w.windowState.reset(); }},
        {"fSize 0", [&] { w.fontSize = 0; }},
    };
    clear[name]();
    return w;
}

QString hiveIn(const TestFolders& folders, const QString& name = QStringLiteral("registry.ini")) {
    return folders.configFolder() + name;
}

void store(const QString& hive, const QVariantMap& values) {
    auto key = RegistryHive(hive).openKey(SettingsKeyPath);
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it->typeId() == QMetaType::Int)
            key->writeInteger(it.key(), it->toInt());
        else
            key->writeString(it.key(), it->toString());
    }
    key->close();
}

// The stored texts of the settings key, parsed from a fresh copy rather than this process's cache.
QMap<QString, QString> onDisk(const QString& hive) {
    static int copies = 0;
    const QString copy = hive + QStringLiteral(".copy%1").arg(++copies);
    QFile::copy(hive, copy);
    QSettings file(copy, QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Software/Tarrowin/Quillnote/Settings"));
    QMap<QString, QString> values;
    for (const QString& name : file.childKeys())
        values[name] = file.value(name).toString();
    return values;
}

struct ReadResult {
    WindowSettings window;
    AppSettings settings;
    int updateChecks = 0;
    QString failure;
};

ReadResult getPositions(const QString& hive, const QString& executableFolder = QStringLiteral("/nowhere"),
                        const WindowSettings& current = designWindow()) {
    ReadResult r;
    r.failure = failureOf([&] {
        SettingsStore(RegistryHive(hive)).readSettings(r.window, current, r.settings, executableFolder, [&] {
            ++r.updateChecks;
        });
    });
    return r;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void readingStopsAtTheFirstFailure_data() {
        QTest::addColumn<int>("wrong");
        for (int i = 0; i < ReadOrder.size(); ++i)
            QTest::newRow(qPrintable(ReadOrder[i])) << i;
        QTest::newRow("none wrong") << int(ReadOrder.size());
    }
    void readingStopsAtTheFirstFailure() {
        QFETCH(int, wrong);
        TestFolders folders;
        const QString intact = hiveIn(folders, QStringLiteral("intact.ini"));
        SettingsStore(RegistryHive(intact)).writeSettings(otherWindow(), otherSettings(folders));
        const QString hive = hiveIn(folders);
        QVERIFY(QFile::copy(intact, hive));
        if (wrong < ReadOrder.size()) {
            const QString name = ReadOrder[wrong];
            store(hive, {{name, TextValues.contains(name) ? QVariant(1) : QVariant(QStringLiteral("1"))}});
        }

        const ReadResult complete = getPositions(intact);
        const ReadResult r = getPositions(hive);

        QCOMPARE(r.failure.isNull(), wrong == ReadOrder.size());
        const QVariantMap initial = asValues({}, {});
        const QVariantMap full = asValues(complete.window, complete.settings);
        const QVariantMap read = asValues(r.window, r.settings);
        for (int i = 0; i < ReadOrder.size(); ++i) {
            const QString& name = ReadOrder[i];
            QVERIFY2(full[name] != initial[name], qPrintable(name));
            QVERIFY2(read[name] == (i < wrong ? full[name] : initial[name]), qPrintable(name));
        }
        QCOMPARE(r.updateChecks, wrong > ReadOrder.indexOf("CheckForUpdatesOnStartup") ? 1 : 0);
    }

    // Missing bounds are written at once and stay written when a later value fails. A window system
    // that reports no positions leaves Top and Left unwritten.
    void firstRunWritesTheWindowBounds_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("failure");
        const QStringList bounds = {"Top", "Left", "Width", "Height", "NotePanelHeight", "FormState"};
        QTest::newRow("nothing stored") << QVariantMap() << bounds << QString();
        QTest::newRow("no positions known") << QVariantMap() << bounds.mid(2) << QString();
        QTest::newRow("some stored") << QVariantMap{{"Top", 10}, {"Height", 300}, {"FormState", 1}}
                                     << QStringList{"Left", "Width", "NotePanelHeight"} << QString();
        QTest::newRow("Height fails")
            << QVariantMap{{"Height", "x"}} << bounds.mid(0, 3) << "Invalid data type for 'Height'";
        QTest::newRow("font without its colour")
            << QVariantMap{{"Font", "Verdana"}, {"fSize", 9}} << bounds << "Invalid data type for 'fColor'";
    }
    void firstRunWritesTheWindowBounds() {
        QFETCH(QVariantMap, stored);
        QFETCH(QStringList, written);
        QFETCH(QString, failure);
        TestFolders folders;
        const QString hive = hiveIn(folders);
        if (!stored.isEmpty())
            store(hive, stored);
        QMap<QString, QString> expected = onDisk(hive);
        WindowSettings shown = designWindow();
        if (QByteArray(QTest::currentDataTag()) == "no positions known")
            shown.top = shown.left = std::nullopt;

        const ReadResult r = getPositions(hive, QStringLiteral("/nowhere"), shown);

        QCOMPARE(r.failure, failure);
        const QVariantMap current = asValues(designWindow(), {});
        for (const QString& name : written) {
            expected[name] = QStringLiteral("dword:%1").arg(name == "FormState" ? 0 : current[name].toInt());
            QVERIFY2(!asValues(r.window, r.settings)[name].isValid(), qPrintable(name));
        }
        QCOMPARE(onDisk(hive), expected);
    }

    // Values out of range, missing, or not to be read.
    void storedValuesAsRead_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("expected"); // invalid: not applied
        const QVariant none;
        const auto font = [](QVariantMap m) {
            for (const auto& [name, v] :
                 {std::pair{"Font", QVariant("Courier")}, {"fColor", 0}, {"fSize", 9}, {"fStyle", 1}})
                m.insert(name, m.value(name, v));
            return m;
        };
        const auto row = [](const char* tag, QVariantMap stored, const char* name, QVariant expected) {
            QTest::newRow(tag) << stored << QString(name) << expected;
        };
        row("Width 0", {{"Width", 0}}, "Width", none);
        row("Height negative", {{"Height", -5}}, "Height", none);
        row("NotePanelHeight 0", {{"NotePanelHeight", 0}}, "NotePanelHeight", none);
        row("Top negative", {{"Top", -20}}, "Top", -20);
        row("Left negative", {{"Left", -3000}}, "Left", -3000);
        row("FormState 1", {{"FormState", 1}}, "FormState", int(WindowState::Minimized));
        row("FormState 5", {{"FormState", 5}}, "FormState", int(WindowState::Maximized));
        row("FormState -1", {{"FormState", -1}}, "FormState", int(WindowState::Maximized));
        row("column width 0", {{"colDate", 0}}, "colDate", none);
        row("column width negative", {{"colNote", -10}}, "colNote", none);
        row("empty font name", font({{"Font", ""}}), "Font", none);
        row("font size 0", font({{"fSize", 0}}), "fSize", none);
        row("style code 15", font({{"fStyle", 15}}), "fStyle", none);
        row("style code -1", font({{"fStyle", -1}}), "fStyle", none);
        row("no Font: the rest is not read", {{"fColor", "x"}, {"fSize", "x"}}, "fColor", none);
        row("no SortToggle", {}, "SortToggle", 1);
        row("SortToggle 0", {{"SortToggle", 0}}, "SortToggle", 1);
        row("SortToggle -7", {{"SortToggle", -7}}, "SortToggle", -1);
        row("no SortColumn", {}, "SortColumn", 0);
        row("SortColumn 3", {{"SortColumn", 3}}, "SortColumn", 3);
        row("SortColumn 9", {{"SortColumn", 9}}, "SortColumn", 0);
        row("SortColumn -1", {{"SortColumn", -1}}, "SortColumn", 0);
        row("no SearchAllNotes", {}, "SearchAllNotes", true);
        row("boolean 5", {{"StartMinimized", 5}}, "StartMinimized", true);
        row("no engine", {{"SpellCheckerLanguage", 5}}, "SpellCheckerLanguage", 1);
        row("engine 0", {{"SpellCheckerType", 0}, {"SpellCheckerLanguage", 5}}, "SpellCheckerLanguage", 1);
        row("engine 0, language not even read", {{"SpellCheckerType", 0}, {"SpellCheckerLanguage", "x"}},
            "SpellCheckerLanguage", 1);
        row("unknown engine", {{"SpellCheckerType", 7}}, "SpellCheckerType", 0);
        row("unknown engine's language", {{"SpellCheckerType", 7}, {"SpellCheckerLanguage", 5}},
            "SpellCheckerLanguage", 1);
        row("ispell engine", {{"SpellCheckerType", 2}, {"SpellCheckerLanguage", 5}}, "SpellCheckerLanguage",
            5);
        row("engine without language", {{"SpellCheckerType", 1}}, "SpellCheckerLanguage", 1);
        row("negative language", {{"SpellCheckerType", 1}, {"SpellCheckerLanguage", -2}},
            "SpellCheckerLanguage", 1);
    }
    void storedValuesAsRead() {
        QFETCH(QVariantMap, stored);
        QFETCH(QString, name);
        QFETCH(QVariant, expected);
        TestFolders folders;
        store(hiveIn(folders), stored);

        const ReadResult r = getPositions(hiveIn(folders));

        QCOMPARE(r.failure, QString());
        QCOMPARE(asValues(r.window, r.settings)[name], expected);
    }

    // A folder that is gone falls back; the next save writes the fallback without its trailing '/'.
    void missingStorageFoldersFallBack_data() {
        QTest::addColumn<QString>("quillnote"); // "-" when not stored
        QTest::addColumn<QString>("alternate");
        QTest::addColumn<QString>("expectedQuillnote");
        QTest::addColumn<QString>("expectedAlternate");
        const auto row = [](const char* tag, const char* quillnote, const char* alternate, const char* q,
                            const char* a) {
            QTest::newRow(tag) << QString(quillnote) << QString(alternate) << q << a;
        };
        row("nothing stored", "-", "-", "bin/", "bin/");
        row("both exist", "data/", "config", "data/", "config");
        row("default folder gone", "gone/", "config/", "bin/", "config/");
        row("alternate folder gone", "data/", "gone", "data/", "data/");
        row("both gone", "gone/", "gone", "bin/", "bin/");
        row("empty texts", "", "", "bin/", "bin/");
        row("a file, not a folder", "file", "-", "bin/", "bin/");
    }
    void missingStorageFoldersFallBack() {
        QFETCH(QString, quillnote);
        QFETCH(QString, alternate);
        QFETCH(QString, expectedQuillnote);
        QFETCH(QString, expectedAlternate);
        TestFolders folders;
        TestFolders::writeFile(folders.root() + QStringLiteral("file"), "x");
        QVariantMap values = {{"UseAlternateLocation", 1}};
        const auto below = [&](const QString& f) { return f.isEmpty() ? f : folders.root() + f; };
        if (quillnote != "-")
            values["QuillnoteLocation"] = below(quillnote);
        if (alternate != "-")
            values["AlternateLocation"] = below(alternate);
        const QString hive = hiveIn(folders);
        store(hive, values);

        ReadResult r = getPositions(hive, folders.root() + "bin");
        SettingsStore(RegistryHive(hive)).writeSettings(designWindow(), r.settings);

        QCOMPARE(r.settings.quillnoteLocation, folders.root() + expectedQuillnote);
        QCOMPARE(r.settings.alternateLocation, folders.root() + expectedAlternate);
        QVERIFY(r.settings.useAlternateLocation);
        QString written = folders.root() + expectedAlternate;
        if (written.endsWith('/'))
            written.chop(1);
        QCOMPARE(onDisk(hive)["AlternateLocation"], "sz:" + written);
        QCOMPARE(onDisk(hive)["QuillnoteLocation"], "sz:" + folders.root() + expectedQuillnote);
    }

    void roundTrip() {
        TestFolders folders;
        const AppSettings settings = otherSettings(folders);
        SettingsStore(RegistryHive(hiveIn(folders))).writeSettings(otherWindow(), settings);
        const QString fresh = hiveIn(folders, QStringLiteral("fresh.ini"));
        QVERIFY(QFile::copy(hiveIn(folders), fresh));

        const ReadResult r = getPositions(fresh);

        QCOMPARE(r.failure, QString());
        QCOMPARE(r.updateChecks, 1);
        QVariantMap expected = asValues(otherWindow(), settings);
        expected["SortToggle"] = -settings.sortToggle; // the start-up sort reverses it again
        expected["AlternateLocation"] = folders.configFolder().chopped(1);
        QCOMPARE(asValues(r.window, r.settings), expected);
        QCOMPARE(onDisk(fresh)["CheckSpellingOnSave"], "dword:1");
        QVERIFY(r.settings.checkSpellingOnSave);
    }

    // Missing window values stop the writing there; the earlier writes reach the disk. fSize alone
    // fails without stopping anything. A position the window system does not report (Top, Left) is
    // not written and the stored one kept, without a failure.
    void writingStopsAtTheFirstFailure_data() {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<int>("stop"); // index in WriteOrder from which the old values stay
        for (const char* name : {"Width", "colNote", "Font", "fColor", "fStyle", "FormState"})
            QTest::newRow(name) << QString(name) << int(WriteOrder.indexOf(name));
        QTest::newRow("Top") << "Top" << int(WriteOrder.size());
        QTest::newRow("Left") << "Left" << int(WriteOrder.size());
        QTest::newRow("fSize") << "fSize" << int(WriteOrder.size());
        QTest::newRow("fSize 0") << "fSize 0" << int(WriteOrder.size());
    }
    void writingStopsAtTheFirstFailure() {
        QFETCH(QString, missing);
        QFETCH(int, stop);
        TestFolders folders;
        const QString hive = hiveIn(folders);
        const QString complete = hiveIn(folders, QStringLiteral("complete.ini"));
        AppSettings old;
        old.sortToggle = -1;
        SettingsStore(RegistryHive(hive)).writeSettings(designWindow(), old);
        SettingsStore(RegistryHive(complete)).writeSettings(otherWindow(), otherSettings(folders));
        const auto oldValues = onDisk(hive);
        const auto newValues = onDisk(complete);
        const WindowSettings window = otherWindowWithout(missing);

        const QString failure = failureOf(
            [&] { SettingsStore(RegistryHive(hive)).writeSettings(window, otherSettings(folders)); });

        QCOMPARE(failure.isNull(), stop == WriteOrder.size());
        const auto written = onDisk(hive);
        QCOMPARE(written.keys(), newValues.keys());
        for (int i = 0; i < WriteOrder.size(); ++i) {
            const QString& name = WriteOrder[i];
            QVERIFY2(oldValues[name] != newValues[name], qPrintable(name));
            const bool kept =
                i >= stop || (name == "fSize" && missing.startsWith("fSize")) || name == missing;
            QVERIFY2(written[name] == (kept ? oldValues : newValues)[name], qPrintable(name));
        }
    }

    void styleCodes_data() {
        QTest::addColumn<int>("attributes"); // bits: bold 1, italic 2, underline 4, strike-out 8
        QTest::addColumn<int>("code");
        const int codes[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, UncodedFontStyle, 13, 12};
        for (int a = 0; a < 16; ++a)
            QTest::addRow("attributes %d", a) << a << codes[a];
    }
    void styleCodes() {
        QFETCH(int, attributes);
        QFETCH(int, code);
        TestFolders folders;
        WindowSettings window = designWindow();
        window.fontStyle =
            FontStyle{bool(attributes & 1), bool(attributes & 2), bool(attributes & 4), bool(attributes & 8)};
        SettingsStore(RegistryHive(hiveIn(folders))).writeSettings(window, AppSettings{});

        const ReadResult r = getPositions(hiveIn(folders));

        QCOMPARE(onDisk(hiveIn(folders))["fStyle"], QStringLiteral("dword:%1").arg(code));
        // The uncoded style is not restored: the editors keep their font's style.
        QCOMPARE(r.window.fontStyle, code == UncodedFontStyle ? std::nullopt : window.fontStyle);
    }

    void colourValues_data() {
        QTest::addColumn<QVariant>("colour"); // invalid: decoding only
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("decoded");
        const QColor windowText(10, 20, 30);
        QTest::newRow("red") << QVariant(QColor(255, 0, 0)) << 0x0000FF << QColor(255, 0, 0);
        QTest::newRow("mixed") << QVariant(QColor(0x12, 0x34, 0x56)) << 0x563412 << QColor(0x12, 0x34, 0x56);
        QTest::newRow("white") << QVariant(QColor(Qt::white)) << 0xFFFFFF << QColor(Qt::white);
        QTest::newRow("no colour") << QVariant(QColor()) << -16777208 << windowText;
        QTest::newRow("other system colour") << QVariant() << int(0xFF00000Fu) << windowText;
        QTest::newRow("palette flag") << QVariant() << 0x02563412 << QColor(0x12, 0x34, 0x56);
    }
    void colourValues() {
        QFETCH(QVariant, colour);
        QFETCH(int, value);
        QFETCH(QColor, decoded);
        if (colour.isValid())
            QCOMPARE(colourValue(colour.value<QColor>()), value);
        QCOMPARE(colourFromValue(value, QColor(10, 20, 30)), decoded);
    }

    // Damage never blocks saving: the damaged file is kept aside and a fresh one written.
    void damagedFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("quickAddWrites");
        const QByteArray key = "[Software]\nTarrowin\\Quillnote\\Settings\\";
        QTest::newRow("garbage lines") << QByteArray("]]]][[[\n=== = =\n[Software\n") << false;
        QTest::newRow("binary junk") << key + QByteArray("Top=dword:5\n\0\0\xff\xfe\x01junk\n", 24) << false;
        QTest::newRow("truncated header") << key + "Top=dword:5\n[Softw" << true;
        QTest::newRow("UTF-16") << QByteArray("\xff\xfe[\0S\0]\0", 8) << true;
    }
    void damagedFiles() {
        QFETCH(QByteArray, content);
        QFETCH(bool, quickAddWrites);
        TestFolders folders;
        const QString hive = hiveIn(folders);
        TestFolders::writeFile(hive, content);
        TestFolders::writeFile(hive + ".damaged", "an older damaged file");
        SettingsStore settings{RegistryHive(hive)};
        const QRect screen(0, 0, 1920, 1080);

        const ReadResult r = getPositions(hive);
        const QString quickAddFailure =
            failureOf([&] { settings.readQuickAdd(QuickAddDesign, screen, screen); });

        QCOMPARE(r.failure, QStringLiteral("The settings file %1 is damaged").arg(hive));
        QCOMPARE(quickAddFailure, r.failure);
        QCOMPARE(asValues(r.window, r.settings), asValues({}, {}));
        QCOMPARE(TestFolders::readFile(hive), content);

        if (quickAddWrites)
            settings.writeQuickAdd(QRect(5, 6, 300, 200), QuickAddDesign, screen, screen);
        else
            settings.writeSettings(otherWindow(), otherSettings(folders));
        QCOMPARE(TestFolders::readFile(hive + ".damaged"), content);
        QCOMPARE(getPositions(hive).failure, QString());
        QCOMPARE(settings.readQuickAdd(QuickAddDesign, screen, screen),
                 quickAddWrites ? QRect(5, 6, 300, 200) : QRect(1484, 785, 436, 260));
    }

    // A file cut short anywhere is read as far as it goes or reported, and the next save repairs it.
    // Every 7th length, as each save syncs the disk.
    void truncatedFilesAreRepaired() {
        TestFolders folders;
        const QString whole = hiveIn(folders, QStringLiteral("whole.ini"));
        SettingsStore(RegistryHive(whole)).writeSettings(otherWindow(), otherSettings(folders));
        const QByteArray bytes = TestFolders::readFile(whole);
        const ReadResult expected = getPositions(whole);

        for (int length = 0; length < bytes.size(); length += 7) {
            const QString hive = hiveIn(folders, QStringLiteral("cut%1.ini").arg(length));
            TestFolders::writeFile(hive, bytes.left(length));
            getPositions(hive);
            SettingsStore(RegistryHive(hive)).writeSettings(otherWindow(), otherSettings(folders));
            const ReadResult r = getPositions(hive);
            QVERIFY2(r.failure.isNull(), qPrintable(r.failure));
            QVERIFY2(asValues(r.window, r.settings) == asValues(expected.window, expected.settings),
                     qPrintable(QString::number(length)));
        }
    }

    void quickAddBounds_data() {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QRect>("written"); // null: nothing written
        QTest::addColumn<QRect>("primary");
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QRect>("expected");
        const QRect primary(0, 0, 1920, 1080);
        const QRect defaults(1484, 785, 436, 260);
        const auto row = [&](const char* tag, QVariantMap stored, QRect written, QRect expected,
                             QRect primaryScreen = QRect(0, 0, 1920, 1080),
                             QRect desktop = QRect(0, 0, 3840, 1080)) {
            QTest::newRow(tag) << stored << written << primaryScreen << desktop << expected;
        };
        row("defaults", {}, {}, defaults);
        row("desktop taller than the primary screen", {}, {}, QRect(1484, 1865, 436, 260), primary,
            QRect(0, 0, 1920, 2160));
        row("primary screen right of another", {}, {}, QRect(2764, 785, 436, 260), QRect(1280, 0, 1920, 1080),
            QRect(0, 0, 3200, 1080));
        row("stored height moves the default top", {{"AddNoteHeight", 300}}, {}, QRect(1484, 745, 436, 300));
        row("stored width moves the default left", {{"AddNoteWidth", 500}}, {}, QRect(1420, 785, 500, 260));
        row("stored size of 0", {{"AddNoteWidth", 0}, {"AddNoteHeight", -4}}, {}, defaults);
        row("stored bounds", {{"AddNoteTop", -5}, {"AddNoteLeft", -7}}, {}, QRect(-7, -5, 436, 260));
        row("closed against the corner", {}, QRect(1520, 880, 400, 200), QRect(1520, 880, 400, 200));
        row("closed off the left edge", {}, QRect(-50, 10, 400, 200), QRect(-50, 10, 400, 200));
        row("closed one pixel too far right", {}, QRect(1521, 10, 400, 200), defaults);
        row("closed one pixel too low", {}, QRect(10, 881, 400, 200), defaults);
    }
    void quickAddBounds() {
        QFETCH(QVariantMap, stored);
        QFETCH(QRect, written);
        QFETCH(QRect, primary);
        QFETCH(QRect, desktop);
        QFETCH(QRect, expected);
        TestFolders folders;
        store(hiveIn(folders), stored);
        SettingsStore settings{RegistryHive(hiveIn(folders))};
        if (!written.isNull())
            settings.writeQuickAdd(written, QuickAddDesign, primary, desktop);

        QCOMPARE(settings.readQuickAdd(QuickAddDesign, primary, desktop), expected);
        if (!written.isNull())
            QCOMPARE(onDisk(hiveIn(folders)).size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)

#include "tst_settingsStore.moc"
