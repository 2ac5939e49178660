#include "BuildVersion.h" // the build's version, generated
#include "LoopbackHttpServer.h"
#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/UpdateCommands.h"
#include "output/MailRoutes.h"
#include "platform/Registry.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"
#include "update/ConnectivityProbe.h"

#include <QProcess>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QtTest>
#include <sched.h>
#include <unistd.h>

namespace {

using Reply = LoopbackHttpServer::Reply;

const QString VersionPath = QStringLiteral("/products/verinfo.xml");
const QString InstallerPath = QStringLiteral("/downloads/quill102.exe");
const QString TextFilter = QStringLiteral("Text File (*.txt)|*.txt|All Files (*.*)|*.*");
const QString ErrorLogged = QStringLiteral("An error has occurred in Quillnote and has been logged.");

QByteArray verInfo(const QByteArray& version, const QByteArray& date = "39300",
                   const QByteArray& fileName = "quill102.exe") {
    return "<?xml version=\"1.0\"?>\n<VerInfo>\n <Fernlog><CurrVersion>9.9.9.9</CurrVersion></Fernlog>\n"
           " <Quillnote>\n  <CurrVersion>" +
           version + "</CurrVersion>\n  <Date>" + date + "</Date>\n  <FileName>" + fileName +
           "</FileName>\n  <Size>2,345 KB</Size>\n </Quillnote>\n</VerInfo>\n";
}

QString offerText(const QString& version) {
    return QStringLiteral("A newer version of Quillnote is available.\n\n     Version: \t") + version +
           QStringLiteral("\n     File Size: \t2,345 KB\n     File Date: \t8/6/07\n\n"
                          "Would you like to download it now?");
}

QString downloadedText(const QString& path) {
    return QStringLiteral("Please exit Quillnote and run the installation.  The file \n"
                          "can be found in the following location:\n\n") +
           path;
}

// One program with its own folders, pointed at a loopback server holding the version file.
struct Check {
    TestFolders folders;
    LoopbackHttpServer server;
    std::unique_ptr<MainWindowSession> session;

    explicit Check(const QByteArray& versionFile, bool onStartup = false) {
        folders.installReadMe();
        auto key = RegistryHive(folders.paths().registryPath()).openKeyForWriting(SettingsKeyPath);
        key->writeString(QStringLiteral("UpdateServer"), server.base().toString());
        key->writeBool(QStringLiteral("CheckForUpdatesOnStartup"), onStartup);
        key->close();
        server.route(VersionPath, Reply::ok(versionFile));
        session = std::make_unique<MainWindowSession>(folders);
    }
    ScriptedPrompts& prompts() { return session->prompts; }
    MainWindow& window() { return *session->window; }
    MainWindow& start() { return session->start(); }
    void fromMenu() { window().testAccess().actions().checkForUpdatesAction->trigger(); }
    QString installerTarget() const { return folders.dataFolder() + QStringLiteral("setup.exe"); }
    QString localVersionFile() const { return folders.exeFolder() + QStringLiteral("verinfo.xml"); }
    // Every scripted question was asked, nothing else was, and the version file is gone.
    void verifyEnded() {
        QVERIFY2(prompts().problems().isEmpty(), qPrintable(prompts().problems().join('\n')));
        QCOMPARE(prompts().pending(), 0);
        QVERIFY(!QFile::exists(localVersionFile()));
        QCOMPARE(QDir(folders.exeFolder()).entryList({QStringLiteral("*.qntmp")}, QDir::Files),
                 QStringList());
    }
};

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT

    bool m_isolated = false;

private slots:
    void initTestCase() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy"})
            qunsetenv(name);
        // As root, a network of this process alone: a loopback, and one network without a route.
        // Without the ip tool the new network's loopback could not be brought up: stay outside.
        const bool haveIp = !QStandardPaths::findExecutable(
                                 QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                                 .isEmpty();
        m_isolated =
            haveIp && ::geteuid() == 0 && ::unshare(CLONE_NEWNET) == 0 &&
            QProcess::execute(QStringLiteral("sh"),
                              {QStringLiteral("-c"), QStringLiteral("ip link set lo up && ip route add "
                                                                    "unreachable 10.255.254.0/24")}) == 0;
    }

    // An installed program's folder is read-only: the version file goes to the data folder and the
    // installer's save dialog starts in the download folder.
    void readOnlyProgramFolder() {
        Check c(verInfo("2.0.0.0"));
        const QString bin = c.folders.exeFolder();
        const bool readOnly =
            ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
            QProcess::execute(
                QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("mount --make-rprivate / && mount --bind '%1' '%1' && "
                                                      "mount -o remount,bind,ro '%1'")
                                           .arg(bin)}) == 0;
        if (!readOnly)
            QSKIP("needs root for a private mount namespace");
        c.start();
        c.prompts().expect(offerText(QStringLiteral("2.0.0.0")), MsgButton::Yes);
        c.prompts().expectSaveFile(std::nullopt);
        bool versionFileInDataFolder = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            versionFileInDataFolder |= QFile::exists(c.folders.dataFolder() + QStringLiteral("verinfo.xml"));
        });
        look.start(0);
        c.fromMenu();
        QProcess::execute(QStringLiteral("umount"), {bin});
        QVERIFY(versionFileInDataFolder);
        QVERIFY(!QFile::exists(c.folders.dataFolder() + QStringLiteral("verinfo.xml")));
        QCOMPARE(c.prompts().lastSaveDialog.initialFolder,
                 QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
        c.verifyEnded();
    }

    void hostNotAnswering() {
        if (!m_isolated)
            QSKIP("needs root for a private network namespace");
        Check c(verInfo("2.0.0.0"));
        auto key = RegistryHive(c.folders.paths().registryPath()).openKeyForWriting(SettingsKeyPath);
        key->writeString(QStringLiteral("UpdateServer"), QStringLiteral("http://10.255.254.2"));
        key->close();
        c.start();
        c.prompts().expect(UpdateUnavailableText, MsgButton::OK);
        c.fromMenu();
        QCOMPARE(c.prompts().asked().last().kind, MsgKind::Information);
        QVERIFY(c.session->log().isEmpty());
        c.verifyEnded();
    }

    void actionIsAvailable() {
        Check c(verInfo("1.0.0.1"));
        c.start();
        QVERIFY(c.window().testAccess().actions().checkForUpdatesAction->isEnabled());
        QCOMPARE(c.server.hits(VersionPath), 0); // no start-up check unless the setting is on
    }

    void noNewerVersion_data() {
        QTest::addColumn<QByteArray>("offered");
        QTest::addColumn<bool>("onStartup");
        QTest::newRow("same, menu") << QByteArray(QUILLNOTE_FILE_VERSION) << false;
        QTest::newRow("same, start-up") << QByteArray(QUILLNOTE_FILE_VERSION) << true;
        QTest::newRow("older, menu") << QByteArray("0.9.9.99") << false;
        QTest::newRow("older, start-up") << QByteArray("0.9.9.99") << true;
    }
    void noNewerVersion() {
        QFETCH(QByteArray, offered);
        QFETCH(bool, onStartup);
        Check c(verInfo(offered), onStartup);
        c.start();
        if (!onStartup) {
            c.prompts().expect(UpdateTexts::MostRecent, MsgButton::OK);
            c.fromMenu();
            QCOMPARE(c.prompts().asked().last().text, UpdateTexts::MostRecent);
            QCOMPARE(c.prompts().asked().last().kind, MsgKind::Information);
        }
        QCOMPARE(c.server.hits(VersionPath), 1);
        QCOMPARE(c.server.hits(InstallerPath), 0);
        c.verifyEnded();
        QVERIFY(c.session->log().isEmpty());
    }

    void offerDeclinedOrSaveCancelled_data() {
        QTest::addColumn<bool>("declined");
        QTest::newRow("No to the offer") << true;
        QTest::newRow("save dialog cancelled") << false;
    }
    void offerDeclinedOrSaveCancelled() {
        QFETCH(bool, declined);
        Check c(verInfo(" 1.0.0.2 "));
        c.start();
        c.prompts().expect(offerText(QStringLiteral("1.0.0.2")), declined ? MsgButton::No : MsgButton::Yes);
        if (!declined)
            c.prompts().expectSaveFile(std::nullopt);
        c.fromMenu();
        const ScriptedPrompts::Asked offer = c.prompts().asked().first();
        QCOMPARE(offer.text, offerText(QStringLiteral("1.0.0.2")));
        QCOMPARE(offer.kind, MsgKind::Confirmation);
        QVERIFY(offer.buttons == (MsgButton::Yes | MsgButton::No));
        QCOMPARE(c.server.hits(InstallerPath), 0);
        c.verifyEnded();
    }

    void installerDownloadedWhereTheUserChose() {
        Check c(verInfo("1.0.0.01", "39300", " quill102.exe "), /*onStartup=*/true);
        const QByteArray installer(200 * 1024, 'I');
        c.server.route(InstallerPath, Reply::ok(installer));
        c.prompts().expect(offerText(QStringLiteral("1.0.0.01")), MsgButton::Yes);
        c.prompts().expectSaveFile(c.installerTarget());
        const QString done = downloadedText(c.installerTarget());
        c.prompts().expect(done, MsgButton::OK);
        c.start(); // the start-up check offers a version with the same numbers written differently

        const SaveDialogState shown = c.prompts().lastSaveDialog;
        QCOMPARE(shown.initialFolder, c.folders.exeFolder());
        QCOMPARE(shown.fileName, QStringLiteral("quill102.exe"));
        QCOMPARE(shown.filter, UpdateTexts::InstallerFilter);
        QCOMPARE(shown.title, QStringLiteral("Save As"));
        QCOMPARE(shown.defaultExtension, QStringLiteral("txt"));
        QVERIFY(shown.overwritePrompt);
        QCOMPARE(c.prompts().asked().last().text, done);
        QCOMPARE(c.prompts().asked().last().kind, MsgKind::Information);
        QCOMPARE(TestFolders::readFile(c.installerTarget()), installer);
        c.verifyEnded();
        QVERIFY(c.session->log().isEmpty());
    }

    // Export and the installer download each reopen their dialog where their own last file went;
    // the first export opens in the documents folder, or at home when there is none.
    void saveDialogsKeepTheirOwnFolders_data() {
        QTest::addColumn<bool>("documentsFolder");
        QTest::newRow("documents folder") << true;
        QTest::newRow("no documents folder") << false;
    }
    void saveDialogsKeepTheirOwnFolders() {
        QFETCH(bool, documentsFolder);
        Check c(verInfo("2.0.0.0"));
        c.server.route(InstallerPath, Reply::ok("installer"));
        const QString home = c.folders.root() + QStringLiteral("home");
        const QString documents = home + QStringLiteral("/Documents");
        QVERIFY(QDir().mkpath(documentsFolder ? documents : home));
        const QString exports = c.folders.root() + QStringLiteral("exports");
        QVERIFY(QDir().mkpath(exports));
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home));
        qunsetenv("XDG_CONFIG_HOME"); // its folder names could point the documents anywhere
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            if (!oldConfig.isNull())
                qputenv("XDG_CONFIG_HOME", oldConfig);
        });
        MainWindow& w = c.start();
        w.testAccess().actions().newNoteAction->trigger();
        w.testAccess().titleEdit()->setText(QStringLiteral("T"));
        auto exportTo = [&](const QString& file) {
            c.prompts().expectSaveFile(file);
            w.testAccess().actions().exportAction->trigger();
            QVERIFY(QFile::exists(file));
        };
        auto download = [&](const QString& file) {
            c.prompts().expect(offerText(QStringLiteral("2.0.0.0")), MsgButton::Yes);
            c.prompts().expectSaveFile(file);
            c.prompts().expect(downloadedText(file), MsgButton::OK);
            c.fromMenu();
            QCOMPARE(TestFolders::readFile(file), QByteArray("installer"));
        };
        auto verifyShown = [&](const QString& folder, const QString& name, const QString& filter) {
            QCOMPARE(c.prompts().lastSaveDialog.initialFolder, folder);
            QCOMPARE(c.prompts().lastSaveDialog.fileName, name);
            QCOMPARE(c.prompts().lastSaveDialog.filter, filter);
        };

        exportTo(exports + QStringLiteral("/first.txt"));
        verifyShown(documentsFolder ? documents : home, QString(), TextFilter);
        download(c.installerTarget());
        verifyShown(c.folders.exeFolder(), QStringLiteral("quill102.exe"), UpdateTexts::InstallerFilter);
        exportTo(exports + QStringLiteral("/second.txt"));
        verifyShown(exports, exports + QStringLiteral("/first.txt"), TextFilter);
        download(c.folders.root() + QStringLiteral("setup.exe"));
        verifyShown(QFileInfo(c.installerTarget()).absolutePath(), QStringLiteral("quill102.exe"),
                    UpdateTexts::InstallerFilter);
        c.verifyEnded();
        QVERIFY(c.session->log().isEmpty());
    }

    // A broken transfer leaves the file the user had under that name; the product page is offered.
    void installerDownloadFails_data() {
        QTest::addColumn<bool>("openSite");
        QTest::newRow("go to the site") << true;
        QTest::newRow("stay") << false;
    }
    void installerDownloadFails() {
        QFETCH(bool, openSite);
        Check c(verInfo("2.0.0.0"));
        c.server.route(InstallerPath, Reply::ok(QByteArray(100000, 'I')).stoppingAfter(5000, true));
        TestFolders::writeFile(c.installerTarget(), "older installer");
        c.start();
        c.prompts().expect(offerText(QStringLiteral("2.0.0.0")), MsgButton::Yes);
        c.prompts().expectSaveFile(c.installerTarget());
        c.prompts().expect(ErrorLogged, MsgButton::No);
        c.prompts().expect(UpdateTexts::NotDownloaded, openSite ? MsgButton::Yes : MsgButton::No);
        c.fromMenu();
        QCOMPARE(c.prompts().asked().last().kind, MsgKind::Confirmation);
        QCOMPARE(TestFolders::readFile(c.installerTarget()), QByteArray("older installer"));
        QCOMPARE(QDir(c.folders.dataFolder()).entryList({QStringLiteral("*.qntmp")}, QDir::Files),
                 QStringList());
        const QString log = QString::fromUtf8(c.session->log());
        QVERIFY(
            log.contains(QStringLiteral("Error downloading URL: ") + c.server.url(InstallerPath).toString()));
        QVERIFY(log.contains(QStringLiteral("Download_HTM")));
        if (openSite)
            QCOMPARE(c.session->shell.opened,
                     QList<QUrl>{c.server.url(QStringLiteral("/products/quillnote.htm"))});
        else
            QVERIFY(c.session->shell.opened.isEmpty());
        c.verifyEnded();
    }

    void cancelledDownloadEndsQuietly() {
        Check c(verInfo("2.0.0.0"));
        c.server.route(InstallerPath, Reply::ok(QByteArray(2000, 'I')).trickling(10));
        c.start();
        c.prompts().expect(offerText(QStringLiteral("2.0.0.0")), MsgButton::Yes);
        c.prompts().expectSaveFile(c.installerTarget());
        bool cancelled = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QProgressDialog*>(w); d && d->isVisible() && d->value() > 0) {
                    d->cancel();
                    cancelled = true;
                }
        });
        poll.start(20);
        c.fromMenu();
        QVERIFY(cancelled);
        QVERIFY(!QFile::exists(c.installerTarget()));
        QVERIFY(c.session->log().isEmpty());
        c.verifyEnded();
    }

    void versionFileMissingIsLogged() {
        Check c(verInfo("2.0.0.0"));
        c.server.route(VersionPath, Reply::answer(404));
        c.start();
        c.prompts().expect(ErrorLogged, MsgButton::No);
        c.fromMenu();
        const QString log = QString::fromUtf8(c.session->log());
        QVERIFY(
            log.contains(QStringLiteral("Error downloading URL: ") + c.server.url(VersionPath).toString()));
        QVERIFY(log.contains(QStringLiteral("Options")));
        c.verifyEnded();
    }

    void malformedOfferedVersionIsLogged() {
        Check c(verInfo("1.7"));
        c.start();
        c.prompts().expect(ErrorLogged, MsgButton::No);
        c.fromMenu(); // neither an offer nor "most recent"
        QVERIFY(c.session->log().contains("NewerVersionExists"));
        c.verifyEnded();
    }

    // A bad version file from the menu goes to the error log, so the user learns why nothing came.
    void badVersionFileFromMenu_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("not xml") << QByteArray("<html><p>Please sign in<br></html>");
        QTest::newRow("date not a number") << verInfo("2.0.0.0", "soon");
        QTest::newRow("installer name with a folder") << verInfo("2.0.0.0", "39300", "../../evil.exe");
    }
    void badVersionFileFromMenu() {
        QFETCH(QByteArray, file);
        Check c(file);
        c.start();
        c.prompts().expect(ErrorLogged, MsgButton::No);
        c.fromMenu();
        QVERIFY(c.session->log().contains("mnuCheckforUpdatesClick"));
        QCOMPARE(c.server.hits(QStringLiteral("/downloads/evil.exe")), 0);
        c.verifyEnded();
    }

    void failureAtStartup_data() {
        QTest::addColumn<MsgButton>("keepChecking");
        QTest::addColumn<MsgButton>("report");
        QTest::newRow("stop checking") << MsgButton::No << MsgButton::None;
        QTest::newRow("keep, no report") << MsgButton::Yes << MsgButton::No;
        QTest::newRow("keep and report") << MsgButton::Yes << MsgButton::Yes;
    }
    void failureAtStartup() {
        QFETCH(MsgButton, keepChecking);
        QFETCH(MsgButton, report);
        Check c(verInfo("2.0.0.0", "soon"), /*onStartup=*/true);
        c.prompts().expect(UpdateTexts::StartupError, keepChecking);
        if (report != MsgButton::None)
            c.prompts().expect(UpdateTexts::ReportQuestion, report);
        c.start();
        const QList<ScriptedPrompts::Asked> asked = c.prompts().asked();
        QCOMPARE(asked.first().text, UpdateTexts::StartupError);
        QCOMPARE(asked.first().kind, MsgKind::Warning);
        QVERIFY(asked.first().buttons == (MsgButton::Yes | MsgButton::No));
        if (report != MsgButton::None)
            QCOMPARE(asked.last().text,
                     UpdateTexts::StartupError + QStringLiteral("\n") + UpdateTexts::ReportQuestion);
        QCOMPARE(c.window().testAccess().settings().checkForUpdatesOnStartup, keepChecking == MsgButton::Yes);
        if (report == MsgButton::Yes) {
            const QString body =
                QStringLiteral("Procedure:\tmnuCheckforUpdatesClick\nError Message:\t"
                               "\"soon\" is not a valid whole number for Quillnote/Date.\n"
                               "Version No.:\t") +
                RunningVersion::text() +
                QStringLiteral("\n\nPlease provide additional details as to what you were doing "
                               "that might assist in resolving this issue.");
            QCOMPARE(c.session->shell.opened,
                     QList<QUrl>{MailRoutes::mailtoUrl(FeedbackAddress, UpdateTexts::ReportSubject, body)});
        } else {
            QVERIFY(c.session->shell.opened.isEmpty());
        }
        QVERIFY(c.session->log().isEmpty()); // the start-up path asks instead of logging
        c.verifyEnded();

        // Switched off, the next start does not check.
        if (keepChecking == MsgButton::No) {
            c.window().exitProgram();
            MainWindowSession again(c.folders);
            again.start();
            QCOMPARE(c.server.hits(VersionPath), 1);
        }
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_updateCheck.moc"
