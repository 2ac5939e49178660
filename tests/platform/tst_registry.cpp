#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "store/AppSettings.h"

#include "TestFolders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QtTest>
#include <climits>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace {

const QString KeyInFile = QStringLiteral("[Software]\nTarrowin\\Quillnote\\Settings\\");

std::unique_ptr<RegistryKey> settingsKey(const QString& hivePath) {
    return RegistryHive(hivePath).openKey(SettingsKeyPath);
}

// The message of the QuillError `action` throws; a null string when it throws nothing. Any other
// exception escapes and fails the test.
QString failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QuillError& e) {
        return e.message().isNull() ? QStringLiteral("(no message)") : e.message();
    }
    return {};
}

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// "close" changes one value and closes the key, "open" only opens it. Returns "closed" or "threw: "
// and the failure.
QString attempt(const QString& action, const QString& hivePath) {
    const QString failure = failureOf([&] {
        auto key = settingsKey(hivePath);
        if (action == QLatin1String("open"))
            return;
        key->writeInteger(QStringLiteral("Top"), 7);
        key->close();
    });
    return failure.isNull() ? QStringLiteral("closed") : QStringLiteral("threw: ") + failure;
}

// Run by the parent as an unprivileged user.
int childRuns(const QString& action, const QString& hivePath) {
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 2;
    out.write(attempt(action, hivePath).toUtf8());
    return 0;
}

void silence(QtMsgType, const QMessageLogContext&, const QString&) {}

// The program settings in the order they are read, each with a value that differs from its initial
// one; folders are below the test folder.
struct Setting {
    const char* name;
    std::variant<bool AppSettings::*, int AppSettings::*, QString AppSettings::*> member;
    QVariant stored;

    bool isText() const { return std::holds_alternative<QString AppSettings::*>(member); }
    QVariant of(const AppSettings& s) const {
        return std::visit([&](auto m) { return QVariant::fromValue(s.*m); }, member);
    }
};
const QList<Setting> ReadOrder = {
    {"CheckForUpdatesOnStartup", &AppSettings::CheckForUpdatesOnStartup, true},
    {"AutoStartWithWindows", &AppSettings::AutoStartWithWindows, true},
    {"StartMinimized", &AppSettings::StartMinimized, true},
    {"LoadNotesOnSearch", &AppSettings::LoadNotesOnSearch, true},
    {"UseAlternateLocation", &AppSettings::UseAlternateLocation, true},
    {"ConfirmOnDelete", &AppSettings::ConfirmOnDelete, true},
    {"QuillnoteLocation", &AppSettings::QuillnoteLocation, QStringLiteral("data/")},
    {"AlternateLocation", &AppSettings::AlternateLocation, QStringLiteral("config/")},
    {"CloseOnMenuOnly", &AppSettings::CloseOnMenuOnly, true},
    {"SearchAllNotes", &AppSettings::SearchAllNotes, false},
    {"SortToggle", &AppSettings::SortToggle, -1},
    {"SortColumn", &AppSettings::SortColumn, 2},
    {"SpellCheckerType", &AppSettings::SpellCheckerType, 2},
    {"SpellCheckerLanguage", &AppSettings::SpellCheckerLanguage, 5},
};

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private:
    // Root ignores file modes, so root runs a child copy of the test as "nobody". Returns the report
    // of attempt(), or a null string when no child could be run.
    QString attemptUnprivileged(const QString& action, const QString& hivePath) {
        if (geteuid() != 0)
            return attempt(action, hivePath);
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            return {};
        QProcess child;
        child.start(setpriv, {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                              QStringLiteral("--as-child"), action, hivePath});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            qWarning() << "child failed:" << child.readAllStandardError();
            return {};
        }
        return QString::fromUtf8(child.readAllStandardOutput());
    }

private slots:
    void integersAndTextsStayDistinct() {
        TestFolders folders;
        const QString path = folders.configFolder() + QStringLiteral("registry.ini");
        {
            auto key = settingsKey(path);
            key->writeInteger(QStringLiteral("Top"), 5);
            key->writeBool(QStringLiteral("StartMinimized"), false);
            key->writeString(QStringLiteral("Font"), QStringLiteral("5"));
            key->close();
        }
        auto key = settingsKey(path);

        QCOMPARE(key->readInteger(QStringLiteral("Top")), 5);
        QCOMPARE(key->readBool(QStringLiteral("Top")), true);
        QCOMPARE(key->readBool(QStringLiteral("StartMinimized")), false);
        QCOMPARE(key->readString(QStringLiteral("Font")), QStringLiteral("5"));
        QCOMPARE(failureOf([&] { key->readString(QStringLiteral("Top")); }),
                 QStringLiteral("Invalid data type for 'Top'"));
        QCOMPARE(failureOf([&] { key->readInteger(QStringLiteral("Font")); }),
                 QStringLiteral("Invalid data type for 'Font'"));
        QVERIFY(!failureOf([&] { key->readBool(QStringLiteral("Font")); }).isNull());
        QVERIFY(!key->valueExists(QStringLiteral("Left")));
        QVERIFY(!failureOf([&] { key->readInteger(QStringLiteral("Left")); }).isNull());
        QVERIFY(!failureOf([&] { key->readString(QStringLiteral("Left")); }).isNull());
    }

    void valuesRoundTripThroughTheFile_data() {
        QTest::addColumn<QVariant>("value");

        for (const int n : {0, -1, 1, INT_MIN, INT_MAX})
            QTest::addRow("integer %d", n) << QVariant(n);
        const QList<std::pair<const char*, QString>> texts = {
            {"empty", QString()},
            {"commas", QStringLiteral("a,b, c")},
            {"semicolons", QStringLiteral("a;b ; c")},
            {"quotes", QStringLiteral("say \"hi\" 'there'")},
            {"leading and trailing blanks", QStringLiteral("  padded  ")},
            {"looks like an integer", QStringLiteral("dword:5")},
            {"looks like a text tag", QStringLiteral("sz:x")},
            {"looks like a variant", QStringLiteral("@Variant(\\0\\0\\0\\x7f)")},
            {"looks like a byte array", QStringLiteral("@ByteArray(x)")},
            {"ini syntax", QStringLiteral("[Section]\nkey=value ;comment #hash")},
            {"line breaks and tabs", QStringLiteral("one\r\ntwo\nthree\tfour")},
            {"backslashes", QStringLiteral("C:\\Notes\\ and \\\\server\\")},
            {"folder", QStringLiteral("/home/user/My Notes/")},
            {"non-ASCII", QStringLiteral("Gr\u00FC\u00DFe \u20AC \U0001F600")},
        };
        for (const auto& [name, text] : texts)
            QTest::newRow(name) << QVariant(text);
    }
    void valuesRoundTripThroughTheFile() {
        QFETCH(QVariant, value);
        TestFolders folders;
        const QString written = folders.configFolder() + QStringLiteral("registry.ini");
        {
            auto key = settingsKey(written);
            if (value.typeId() == QMetaType::Int)
                key->writeInteger(QStringLiteral("Value"), value.toInt());
            else
                key->writeString(QStringLiteral("Value"), value.toString());
            key->close();
        }
        // A copy under another name is parsed from its bytes, not served from a cache of this process.
        const QString copy = folders.configFolder() + QStringLiteral("copy.ini");
        QVERIFY(QFile::copy(written, copy));
        auto key = settingsKey(copy);

        if (value.typeId() == QMetaType::Int) {
            QCOMPARE(key->readInteger(QStringLiteral("Value")), value.toInt());
        } else {
            QCOMPARE(key->readString(QStringLiteral("Value")), value.toString());
            QVERIFY(!failureOf([&] { key->readInteger(QStringLiteral("Value")); }).isNull());
        }
    }

    void handWrittenFilesFailCleanly_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("asText");
        QTest::addColumn<QString>("failure");

        const QByteArray top = KeyInFile.toUtf8() + "Top=";
        const QString wrongType = QStringLiteral("Invalid data type for 'Top'");
        const QString damaged = QStringLiteral("is damaged");
        QTest::newRow("untagged number") << top + "5\n" << false << wrongType;
        QTest::newRow("list") << top + "dword:5, 6\n" << false << wrongType;
        QTest::newRow("list read as text") << top + "sz:a, b\n" << true << wrongType;
        QTest::newRow("variant point")
            << top + "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint\\0\\0\\0\\0\\x1\\0\\0\\0\\x2)\n"
            << false << wrongType;
        QTest::newRow("variant junk") << top + "@Variant(garbage\\xff\\xff\\xff\\xff)\n" << true << wrongType;
        QTest::newRow("variant with an oversized string")
            << top + "@Variant(\\0\\0\\0\\n\\0\\xff\\xff\\xff\\xfe)\n"
            << true << wrongType;
        QTest::newRow("byte array") << top + "@ByteArray(dword:5)\n" << false << wrongType;
        QTest::newRow("invalid marker") << top + "@Invalid()\n" << false << wrongType;
        QTest::newRow("rectangle") << top + "@Rect(1 2 3 4)\n" << false << wrongType;
        QTest::newRow("number too large") << top + "dword:99999999999\n" << false << wrongType;
        QTest::newRow("number missing") << top + "dword:\n" << false << wrongType;
        QTest::newRow("hexadecimal number") << top + "dword:0x10\n" << false << wrongType;
        QTest::newRow("value under another key")
            << QByteArray("[Software]\nTarrowin\\Other\\Top=dword:5\n") << false << wrongType;
        QTest::newRow("garbage lines") << "]]]][[[\n=== = =\nnoequals\n[Software\n" + top + "dword:5\n"
                                       << false << damaged;
        QTest::newRow("binary junk") << top + QByteArray("dword:5\n\0\0\xff\xfe\x01junk\n", 18) << false
                                     << damaged;
        QTest::newRow("UTF-16 file") << QByteArray("\xff\xfe[\0S\0]\0", 8) << false << damaged;
    }
    void handWrittenFilesFailCleanly() {
        QFETCH(QByteArray, content);
        QFETCH(bool, asText);
        QFETCH(QString, failure);
        TestFolders folders;
        const QString path = folders.configFolder() + QStringLiteral("registry.ini");
        TestFolders::writeFile(path, content);

        const QString message = failureOf([&] {
            auto key = settingsKey(path);
            if (asText)
                key->readString(QStringLiteral("Top"));
            else
                key->readInteger(QStringLiteral("Top"));
        });

        QVERIFY2(message.contains(failure), qPrintable(message));
    }

    // Random files: every read ends in a value or a QuillError, never in a crash.
    void randomFilesNeverCrash() {
        TestFolders folders;
        QRandomGenerator random(20090305);
        const QtMessageHandler previous = qInstallMessageHandler(silence);
        for (int i = 0; i < 200; ++i) {
            QByteArray junk(random.bounded(1, 1500), '\0');
            for (char& c : junk)
                c = char(random.bounded(256));
            if (i % 2)
                junk.prepend(KeyInFile.toUtf8() + "Top=@Variant(");
            const QString path = folders.configFolder() + QStringLiteral("fuzz%1.ini").arg(i);
            TestFolders::writeFile(path, junk);
            failureOf([&] { settingsKey(path)->readInteger(QStringLiteral("Top")); });
            failureOf([&] { settingsKey(path)->readString(QStringLiteral("Top")); });
        }
        qInstallMessageHandler(previous);
    }

    void closeReplacesTheFile() {
        TestFolders folders;
        const QString path = folders.configFolder() + QStringLiteral("registry.ini");
        {
            auto key = settingsKey(path);
            key->writeString(QStringLiteral("Font"), QStringLiteral("Old Font"));
            key->close();
        }
        const QByteArray before = TestFolders::readFile(path);
        const QString oldFile = folders.configFolder() + QStringLiteral("old.ini");
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(oldFile).constData()), 0);
        const ino_t oldInode = inodeOf(path);

        auto key = settingsKey(path);
        key->writeString(QStringLiteral("Font"), QStringLiteral("New Font"));
        key->close();

        // A new file took the name; the old one was never truncated or written into.
        QVERIFY(inodeOf(path) != oldInode);
        QCOMPARE(TestFolders::readFile(oldFile), before);
        QCOMPARE(QDir(folders.configFolder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({QStringLiteral("old.ini"), QStringLiteral("registry.ini")}));
        QCOMPARE(settingsKey(path)->readString(QStringLiteral("Font")), QStringLiteral("New Font"));
    }

    void closeFailsInAFolderWithoutWriteAccess_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("new file") << false;
        QTest::newRow("file writable, folder not") << true;
    }
    void closeFailsInAFolderWithoutWriteAccess() {
        QFETCH(bool, fileExists);
        TestFolders folders;
        const QString path = folders.configFolder() + QStringLiteral("registry.ini");
        const QByteArray before = KeyInFile.toUtf8() + "Top=dword:3\n";
        if (fileExists) {
            TestFolders::writeFile(path, before);
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                    QFile::WriteGroup | QFile::ReadOther |
                                                    QFile::WriteOther));
        }
        const auto readOnlyFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                    QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folders.root(), readOnlyFolder | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(folders.configFolder(), readOnlyFolder));

        const QString report = attemptUnprivileged(QStringLiteral("close"), path);
        QVERIFY(QFile::setPermissions(folders.configFolder(), readOnlyFolder | QFile::WriteOwner));
        if (report.isNull())
            QSKIP("cannot run a child as an unprivileged user here");

        QVERIFY2(report.startsWith(QStringLiteral("threw: Failed to write the settings")),
                 qPrintable(report));
        QCOMPARE(TestFolders::readFile(path), fileExists ? before : QByteArray());
    }

    // An unreadable file would otherwise read as empty and be replaced by the first write.
    void unreadableFileFailsWhenOpened() {
        TestFolders folders;
        const QString path = folders.configFolder() + QStringLiteral("registry.ini");
        TestFolders::writeFile(path, KeyInFile.toUtf8() + "Top=dword:3\n");
        QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        const auto openFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folders.root(), openFolder));
        QVERIFY(QFile::setPermissions(folders.configFolder(), openFolder));

        const QString report = attemptUnprivileged(QStringLiteral("open"), path);
        if (report.isNull())
            QSKIP("cannot run a child as an unprivileged user here");

        QCOMPARE(report, QStringLiteral("threw: The settings file %1 cannot be read").arg(path));
    }

    void settingsReadingStopsAtTheFirstWrongType_data() {
        QTest::addColumn<int>("wrong");
        QTest::newRow("none wrong") << int(ReadOrder.size());
        for (int i = 0; i < ReadOrder.size(); ++i)
            QTest::newRow(ReadOrder[i].name) << i;
    }
    void settingsReadingStopsAtTheFirstWrongType() {
        QFETCH(int, wrong);
        TestFolders folders;
        const auto stored = [&](const Setting& setting) {
            return setting.isText() ? QVariant(folders.root() + setting.stored.toString()) : setting.stored;
        };
        auto key = settingsKey(folders.configFolder() + QStringLiteral("registry.ini"));
        for (int i = 0; i < ReadOrder.size(); ++i) {
            const Setting& setting = ReadOrder[i];
            const QString name = QLatin1String(setting.name);
            if (setting.isText() != (i == wrong))
                key->writeString(name, i == wrong ? QStringLiteral("1") : stored(setting).toString());
            else
                key->writeInteger(name, i == wrong ? 1 : setting.stored.toInt());
        }

        AppSettings read;
        const QString failure =
            failureOf([&] { AppSettingsIO::read(*key, read, folders.root() + QStringLiteral("default")); });

        QCOMPARE(failure.isNull(), wrong == ReadOrder.size());
        const AppSettings initial;
        for (int i = 0; i < ReadOrder.size(); ++i) {
            const Setting& setting = ReadOrder[i];
            QVERIFY2(setting.of(read) == (i < wrong ? stored(setting) : setting.of(initial)), setting.name);
        }
    }

    void missingStorageFoldersFallBack_data() {
        QTest::addColumn<QString>("quillnote"); // "-" when not stored
        QTest::addColumn<QString>("alternate");
        QTest::addColumn<QString>("expectedQuillnote");
        QTest::addColumn<QString>("expectedAlternate");

        const QString data = QStringLiteral("data/");
        const QString config = QStringLiteral("config/");
        const QString fallback = QStringLiteral("default/");
        const QString none = QStringLiteral("-");
        QTest::newRow("nothing stored") << none << none << fallback << fallback;
        QTest::newRow("both exist") << data << config << data << config;
        QTest::newRow("default folder gone") << QStringLiteral("gone/") << config << fallback << config;
        QTest::newRow("alternate folder gone") << data << QStringLiteral("gone") << data << data;
        QTest::newRow("both gone") << QStringLiteral("gone/") << QStringLiteral("gone") << fallback
                                   << fallback;
        QTest::newRow("empty texts") << QString() << QString() << fallback << fallback;
        QTest::newRow("a file, not a folder") << QStringLiteral("file") << none << fallback << fallback;
    }
    void missingStorageFoldersFallBack() {
        QFETCH(QString, quillnote);
        QFETCH(QString, alternate);
        QFETCH(QString, expectedQuillnote);
        QFETCH(QString, expectedAlternate);
        TestFolders folders;
        TestFolders::writeFile(folders.root() + QStringLiteral("file"), "x");
        auto key = settingsKey(folders.configFolder() + QStringLiteral("registry.ini"));
        key->writeBool(QStringLiteral("UseAlternateLocation"), true);
        if (quillnote != QLatin1String("-"))
            key->writeString(QStringLiteral("QuillnoteLocation"),
                             quillnote.isEmpty() ? quillnote : folders.root() + quillnote);
        if (alternate != QLatin1String("-"))
            key->writeString(QStringLiteral("AlternateLocation"),
                             alternate.isEmpty() ? alternate : folders.root() + alternate);

        AppSettings read;
        AppSettingsIO::read(*key, read, folders.root() + QStringLiteral("default"));

        QCOMPARE(read.QuillnoteLocation, folders.root() + expectedQuillnote);
        QCOMPARE(read.AlternateLocation, folders.root() + expectedAlternate);
        // The choice to use the alternate folder survives a fallback.
        QVERIFY(read.UseAlternateLocation);
    }

    void spellingLanguageNeedsAnEngine_data() {
        QTest::addColumn<int>("type"); // -1: not stored
        QTest::addColumn<QVariant>("language");
        QTest::addColumn<int>("expected"); // -1: reading fails

        QTest::newRow("no engine stored") << -1 << QVariant(5) << 1;
        QTest::newRow("engine 0") << 0 << QVariant(5) << 1;
        QTest::newRow("engine 0, language not even read") << 0 << QVariant(QStringLiteral("5")) << 1;
        QTest::newRow("ispell engine") << 2 << QVariant(5) << 5;
        QTest::newRow("library engine, no language") << 1 << QVariant() << 1;
        QTest::newRow("ispell engine, language of wrong type") << 2 << QVariant(QStringLiteral("5")) << -1;
    }
    void spellingLanguageNeedsAnEngine() {
        QFETCH(int, type);
        QFETCH(QVariant, language);
        QFETCH(int, expected);
        TestFolders folders;
        auto key = settingsKey(folders.configFolder() + QStringLiteral("registry.ini"));
        if (type >= 0)
            key->writeInteger(QStringLiteral("SpellCheckerType"), type);
        if (language.typeId() == QMetaType::Int)
            key->writeInteger(QStringLiteral("SpellCheckerLanguage"), language.toInt());
        else if (language.isValid())
            key->writeString(QStringLiteral("SpellCheckerLanguage"), language.toString());

        AppSettings read;
        read.SpellCheckerLanguage = 9;
        const QString failure = failureOf([&] { AppSettingsIO::read(*key, read, folders.root()); });

        QCOMPARE(failure.isNull(), expected != -1);
        QCOMPARE(read.SpellCheckerLanguage, expected == -1 ? 9 : expected);
        QCOMPARE(read.SpellCheckerType, qMax(type, 0));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--as-child") == 0)
        return childRuns(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
