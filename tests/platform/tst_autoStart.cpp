#include "Unprivileged.h"
#include "platform/AutoStart.h"
#include "platform/QuillError.h"
#include "platform/UserGroups.h"

#include <QCoreApplication>
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
            entry.CreateStartupShortcut();
        else
            entry.DeleteStartupShortcut();
    });
    std::printf("%s\n", failure.isNull() ? "done" : qPrintable(failure));
    return failure.isNull() ? 0 : 3;
}

int isAdminHelper() {
    std::printf("%s\n", UserGroups::IsAdmin() ? "admin" : "not admin");
    return 0;
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
        const QString failure = failureOf([&] { AutoStart(folder, program).CreateStartupShortcut(); });
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
        entry.CreateStartupShortcut();
        QCOMPARE(readAll(entry.entryPath()), AutoStart::entryContents("/usr/bin/quillnote"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Quillnote.desktop"});

        entry.DeleteStartupShortcut();
        QVERIFY(!QFile::exists(entry.entryPath()));
        QCOMPARE(failureOf([&] { entry.DeleteStartupShortcut(); }), QString()); // missing is fine
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
            AutoStart(dir.path(), "/usr/bin/quillnote").CreateStartupShortcut();
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

    void adminRule_data() {
        QTest::addColumn<uint>("user");
        QTest::addColumn<QList<uint>>("groups");
        QTest::addColumn<bool>("admin");
        QTest::newRow("root without groups") << 0u << QList<uint>{} << true;
        QTest::newRow("sudo member") << 1000u << QList<uint>{100, 27} << true;
        QTest::newRow("wheel member") << 1000u << QList<uint>{10} << true;
        QTest::newRow("admin member") << 1000u << QList<uint>{115} << true;
        QTest::newRow("ordinary user") << 1000u << QList<uint>{100, 1000} << false;
        QTest::newRow("no groups") << 1000u << QList<uint>{} << false;
    }
    void adminRule() {
        QFETCH(uint, user);
        QFETCH(QList<uint>, groups);
        const std::vector<gid_t> ids(groups.begin(), groups.end());
        // "admin" does not exist on this system's pretend database; "sudo" and "wheel" do.
        const auto lookup = [](const QString& name) -> std::optional<gid_t> {
            if (name == "sudo")
                return 27;
            if (name == "wheel")
                return 10;
            if (name == "admin")
                return 115;
            return std::nullopt;
        };
        QTEST(UserGroups::isAdmin(uid_t(user), ids, lookup), "admin");
        // Without any of the groups in the database only root passes.
        QCOMPARE(UserGroups::isAdmin(uid_t(user), ids, [](const QString&) { return std::nullopt; }),
                 user == 0);
    }

    void isAdminForThisProcess() {
        if (::geteuid() != 0)
            QSKIP("needs root to compare with an unprivileged child");
        QVERIFY(UserGroups::IsAdmin());
        const ChildRun child =
            runUnprivileged({QCoreApplication::applicationFilePath(), "--is-admin-helper"});
        QVERIFY(child.finished);
        QCOMPARE(child.output.trimmed(), QByteArray("not admin"));
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--entry-helper") == 0)
        return entryHelper(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 2 && qstrcmp(argv[1], "--is-admin-helper") == 0)
        return isAdminHelper();
    QCoreApplication app(argc, argv);
    TestAutoStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_autoStart.moc"
