#include "platform/QuillError.h"
#include "platform/Registry.h"

#include "TestFolders.h"

#include "Unprivileged.h"
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

namespace {

const QString KeyInFile = QStringLiteral("[Software]\nTarrowin\\Quillnote\\Settings\\");

std::unique_ptr<RegistryKey> settingsKey(const QString& hivePath) {
    return RegistryHive(hivePath).openKey(SettingsKeyPath);
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

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private:
    // Root ignores file modes, so root runs a child copy of the test as "nobody". Returns the report
    // of attempt(), or a null string when no child could be run.
    QString attemptUnprivileged(const QString& action, const QString& hivePath) {
        if (geteuid() != 0)
            return attempt(action, hivePath);
        const ChildRun child = runUnprivileged(
            {QCoreApplication::applicationFilePath(), QStringLiteral("--as-child"), action, hivePath});
        if (!child.finished || child.exitCode != 0) {
            qWarning() << "child failed:" << child.errors;
            return {};
        }
        return QString::fromUtf8(child.output);
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
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--as-child") == 0)
        return childRuns(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestRegistry test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
