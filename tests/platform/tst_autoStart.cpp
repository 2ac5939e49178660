#include "Unprivileged.h"
#include "platform/AutoStart.h"
#include "platform/QuillError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// desktop-file-validate's complaints about a file; empty when it has none.
QString validatorComplaints(const QString& path) {
    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validator.waitForFinished(30000))
        return QStringLiteral("desktop-file-validate did not run: ") + validator.errorString();
    const QString output =
        QString::fromLocal8Bit(validator.readAllStandardOutput() + validator.readAllStandardError());
    if (validator.exitCode() != 0 || output.contains(QLatin1String("error")) ||
        output.contains(QLatin1String("warning")))
        return output.isEmpty() ? QStringLiteral("exit code %1").arg(validator.exitCode()) : output;
    return {};
}

// Run as another user: creates or deletes the entry in `folder` and prints what happened.
int entryHelper(const QString& action, const QString& folder) {
    const AutoStart entry(folder, QStringLiteral("/opt/quill/quillnote"));
    const QString failure = failureOf([&] {
        if (action == QLatin1String("create"))
            entry.createAutoStartEntry();
        else
            entry.removeAutoStartEntry();
    });
    std::printf("%s\n", failure.isNull() ? "done" : qPrintable(failure));
    return failure.isNull() ? 0 : 3;
}

// Run as root or as another user, with HOME and XDG_CONFIG_HOME ("-": unset) as given: creates the
// entry where this user's entry belongs, validates it, removes it. Prints the path, FAIL lines and
// "checked".
int userEntryHelper(const QByteArray& home, const QByteArray& configHome) {
    qputenv("HOME", home);
    if (configHome == "-")
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configHome);
    const AutoStart entry(AutoStart::folderFor(::geteuid()), QStringLiteral("/opt/quill/quillnote"));
    std::printf("entry %s\n", qPrintable(entry.entryPath()));
    int failures = 0;
    const auto check = [&](bool ok, const QString& what) {
        if (!ok) {
            std::printf("FAIL: %s\n", qPrintable(what));
            ++failures;
        }
    };
    check(!entry.exists(), QStringLiteral("an entry was there before"));
    const QString failure = failureOf([&] { entry.createAutoStartEntry(); });
    check(failure.isNull(), failure);
    check(entry.exists(), QStringLiteral("no entry after creating it"));
    const QString complaints = validatorComplaints(entry.entryPath());
    check(complaints.isEmpty(), complaints);
    check(failureOf([&] { entry.removeAutoStartEntry(); }).isNull(), QStringLiteral("not removed"));
    check(!entry.exists(), QStringLiteral("the entry is still there"));
    std::puts(failures ? "failed" : "checked");
    return failures ? 1 : 0;
}

} // namespace

class TestAutoStart : public QObject {
    Q_OBJECT
private slots:
    void execValueQuotesTheProgram_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/lib/quillnote/quillnote"
                               << "\"/usr/lib/quillnote/quillnote\" -0";
        QTest::newRow("blank") << "/home/a b/quillnote"
                               << "\"/home/a b/quillnote\" -0";
        // Quoting escapes " ` $ \ with a backslash; the string rules then double every backslash.
        QTest::newRow("reserved") << "/q/$x`y\"z"
                                  << "\"/q/\\\\$x\\\\`y\\\\\"z\" -0";
        QTest::newRow("backslash") << "/q/a\\b"
                                   << "\"/q/a\\\\\\\\b\" -0";
        QTest::newRow("percent") << "/q/100%/quillnote"
                                 << "\"/q/100%%/quillnote\" -0";
    }
    void execValueQuotesTheProgram() {
        QFETCH(QString, program);
        QTEST(AutoStart::execValue(program), "exec");
    }

    void entryIsWrittenReadableAndValid_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << "/usr/lib/quillnote/quillnote";
        QTest::newRow("awkward") << "/opt/My Apps/$quill`%\\/quillnote";
    }
    void entryIsWrittenReadableAndValid() {
        QFETCH(QString, program);
        QTemporaryDir dir;
        const QString folder = dir.filePath("autostart"); // created on demand
        const mode_t oldMask = ::umask(077);
        const QString failure = failureOf([&] { AutoStart(folder, program).createAutoStartEntry(); });
        ::umask(oldMask);
        QCOMPARE(failure, QString());

        const QString path = folder + "/Quillnote.desktop";
        QCOMPARE(AutoStart(folder, program).entryPath(), path);
        const QByteArray text = readAll(path);
        QVERIFY(text.startsWith("[Desktop Entry]\nType=Application\nName=Quillnote\nExec="));
        QVERIFY(text.contains("\nExec=" + AutoStart::execValue(program).toUtf8() + "\n"));
        QFileInfo info(path);
        QCOMPARE(info.permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::WriteOther),
                 QFile::ReadOther | QFile::ReadGroup);
        const QString complaints = validatorComplaints(path);
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
    }

    void entryWorkingFolderIsTheProgramsFolder() {
        const QByteArray text = AutoStart::entryContents("/usr/lib/quillnote/quillnote");
        QCOMPARE(text, QByteArray("[Desktop Entry]\nType=Application\nName=Quillnote\n"
                                  "Exec=\"/usr/lib/quillnote/quillnote\" -0\nPath=/usr/lib/quillnote/\n"));
    }

    void createReplacesAndDeleteRemoves() {
        QTemporaryDir dir;
        const AutoStart entry(dir.path(), "/usr/bin/quillnote");
        QFile old(entry.entryPath());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[Desktop Entry]\nName=stale\n");
        old.close();
        entry.createAutoStartEntry();
        QCOMPARE(readAll(entry.entryPath()), AutoStart::entryContents("/usr/bin/quillnote"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Quillnote.desktop"});

        entry.removeAutoStartEntry();
        QVERIFY(!QFile::exists(entry.entryPath()));
        QCOMPARE(failureOf([&] { entry.removeAutoStartEntry(); }), QString()); // missing is fine
    }

    // Root may write anywhere, so the refusal is met as "nobody".
    void refusedFolderIsReported_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("entryBefore");
        QTest::newRow("create") << "create" << false;
        QTest::newRow("delete") << "delete" << true;
    }
    void refusedFolderIsReported() {
        QFETCH(QString, action);
        QFETCH(bool, entryBefore);
        QTemporaryDir dir;
        const QString entryPath = dir.path() + "/Quillnote.desktop";
        if (entryBefore)
            AutoStart(dir.path(), "/usr/bin/quillnote").createAutoStartEntry();
        QVERIFY(::chmod(QFile::encodeName(dir.path()), 0555) == 0);

        const ChildRun child =
            runUnprivileged({QCoreApplication::applicationFilePath(), "--entry-helper", action, dir.path()});
        ::chmod(QFile::encodeName(dir.path()), 0755);
        QVERIFY(child.finished);
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QCOMPARE(child.exitCode, 3);
        QVERIFY2(output.contains(entryPath), qPrintable(output));
        QCOMPARE(QFile::exists(entryPath), entryBefore);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
                 entryBefore ? 1 : 0);
    }

    // Root's entry is the common one, every other user's their own; both are valid entries. Root
    // writes into a private mount over the common folder, so the system is left alone.
    void eachUserGetsAnEntryOfTheirOwn_data() {
        QTest::addColumn<bool>("asRoot");
        QTest::addColumn<bool>("configHomeSet");
        QTest::addColumn<QString>("folder"); // under the test's folder unless absolute
        QTest::newRow("root") << true << true << "/etc/xdg/autostart/";
        QTest::newRow("user") << false << true << "config/autostart/";
        QTest::newRow("user, no XDG_CONFIG_HOME") << false << false << "home/.config/autostart/";
    }
    void eachUserGetsAnEntryOfTheirOwn() {
        QFETCH(bool, asRoot);
        QFETCH(bool, configHomeSet);
        QFETCH(QString, folder);
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()), 0777) == 0); // for "nobody"
        const QString home = dir.filePath("home");
        const QString configHome = configHomeSet ? dir.filePath("config") : QStringLiteral("-");
        const QStringList helper = {QCoreApplication::applicationFilePath(), "--user-entry-helper", home,
                                    configHome};
        ChildRun child;
        if (asRoot) {
            QProcess run;
            run.start("unshare",
                      QStringList{"-Urm", "sh", "-c",
                                  "mount -t tmpfs tmpfs /etc/xdg/autostart || exit 77; exec \"$@\"", "sh"} +
                          helper);
            child.finished = run.waitForFinished(30000);
            child.exitCode = run.exitCode();
            child.output = run.readAllStandardOutput();
            child.errors = run.readAllStandardError();
            if (child.exitCode == 77)
                QSKIP(qPrintable("no private mount over the common folder here: " + child.errors));
        } else {
            child = runUnprivileged(helper);
        }
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QVERIFY2(child.finished && child.output.contains("checked"), qPrintable(output));
        const QString expected =
            (folder.startsWith('/') ? folder : dir.path() + '/' + folder) + "Quillnote.desktop";
        QCOMPARE(QString::fromLocal8Bit(child.output.split('\n').first()), "entry " + expected);
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--entry-helper") == 0)
        return entryHelper(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && qstrcmp(argv[1], "--user-entry-helper") == 0)
        return userEntryHelper(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestAutoStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoStart.moc"
