#include "UpdateCommands.h"

#include "gui/AppServices.h"
#include "gui/WaitCursor.h"
#include "gui/dialogs/ShellCommands.h"
#include "output/MailRoutes.h"
#include "platform/AppPaths.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"
#include "store/AppSettings.h"
#include "update/UpdateServer.h"
#include "update/VersionCompare.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <memory>
#include <optional>

namespace {

const QString UnitName = LogUnit::Main;

// The version file is tiny; the installer may be large.
DownloadLimits versionFileLimits() {
    DownloadLimits limits;
    limits.maxBytes = qint64(1) << 20;
    limits.totalTimeoutMs = 60 * 1000;
    return limits;
}

// A modal progress dialog for the length of one download: it keeps the user from starting other
// commands while the nested event loop runs, and lets the download be cancelled.
class DownloadProgressDialog final : public IDownloadProgress {
public:
    void started(const QUrl& url) override {
        m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("Downloading %1...").arg(url.fileName()),
                                                     QStringLiteral("Cancel"), 0, 0);
        m_dialog->setObjectName(QStringLiteral("dlgDownloadProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Quillnote"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    bool progress(qint64 received, qint64 total) override {
        if (!m_dialog)
            return true;
        // The dialog counts in int; kilobytes keep large files in range.
        if (total > 0 && m_dialog->maximum() != int(total / 1024) + 1)
            m_dialog->setMaximum(int(total / 1024) + 1);
        if (total > 0)
            m_dialog->setValue(int(received / 1024));
        return !m_dialog->wasCanceled();
    }

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

// Whether this process may create files in the folder.
} // namespace

UpdateCommands::UpdateCommands(Parts parts) : m(parts), m_formats(LocaleFormats::capture()) {
    m_installerSaveDialog.filter = UpdateTexts::InstallerFilter;
}

QString UpdateCommands::installerFolder() const {
    const QString programFolder = m.services.paths.executableFolder();
    if (AppPaths::isPortableFolder(programFolder))
        return programFolder;
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return downloads.isEmpty() ? QDir::homePath() : downloads;
}

QString UpdateCommands::versionFilePath() const {
    const AppPaths& paths = m.services.paths;
    const QString folder =
        AppPaths::isPortableFolder(paths.executableFolder()) ? paths.executableFolder() : paths.dataFolder();
    return folder + QStringLiteral("verinfo.xml");
}

std::optional<bool> UpdateCommands::isNewerVersion(const QString& offered) {
    try {
        return VersionCompare::isNewer(offered, RunningVersion::text());
    } catch (const std::exception& e) {
        m.log.logError({UnitName, LogRoutine::CompareVersions, messageOf(e)});
    }
    return std::nullopt;
}

DownloadResult UpdateCommands::download(const QUrl& url, const QString& file, const DownloadLimits& limits) {
    DownloadProgressDialog progress;
    return probeAndDownload(url, file, {m.dialogs, m.log, {}, limits, &progress});
}

void UpdateCommands::checkForUpdates() {
    if (m_running)
        return;
    m_running = true;
    const bool fromMenu = !m.startingUp;
    std::optional<WaitCursor> hourglass;
    if (fromMenu)
        hourglass.emplace();
    // The version file and its document go at the end of every check that fetched it.
    struct Cleanup {
        UpdateCommands& self;
        QString file;
        ~Cleanup() {
            self.m_currentVersion.deactivate();
            if (!file.isEmpty())
                QFile::remove(file);
            self.m_running = false;
        }
    } cleanup{*this, {}};

    try {
        const QUrl server = UpdateServer::base(RegistryHive(m.services.paths.registryPath()));
        const QString localFile = versionFilePath();
        if (download(UpdateServer::versionFile(server), localFile, versionFileLimits()) !=
            DownloadResult::Done)
            return; // the probe or the error log has told the user
        if (!QFileInfo::exists(localFile)) {
            m.dialogs.messageDlg(UpdateTexts::NoVersionInfo, MsgKind::Warning, MsgButton::OK);
            return;
        }
        cleanup.file = localFile;
        m_currentVersion.loadFromFile(localFile);
        const QString offered = m_currentVersion.quillnote().currentVersion().trimmed();
        const std::optional<bool> newer = isNewerVersion(offered);
        if (newer == true)
            offerInstaller(server, offered);
        else if (newer == false && fromMenu)
            m.dialogs.messageDlg(UpdateTexts::MostRecent, MsgKind::Information, MsgButton::OK);
    } catch (const std::exception& e) {
        failed(messageOf(e));
    }
}

void UpdateCommands::offerInstaller(const QUrl& server, const QString& offered) {
    const QuillnoteVersion entry = m_currentVersion.quillnote();
    const QString size = entry.size();
    const QDate day = QDate(1899, 12, 30).addDays(entry.date());
    const QString date = m_formats.locale.toString(day, m_formats.shortDateFormat);
    const QString fileName = entry.fileName().trimmed();
    // The name goes into a path on this machine: it must not name another folder.
    if (!UpdateServer::isPlainFileName(fileName))
        throw QuillError(
            QStringLiteral("The installer's name \"%1\" is not a plain file name.").arg(fileName));

    const QString text = QStringLiteral("A newer version of Quillnote is available.\n\n     Version: \t") +
                         offered + QStringLiteral("\n     File Size: \t") + size +
                         QStringLiteral("\n     File Date: \t") + date +
                         QStringLiteral("\n\nWould you like to download it now?");
    if (m.dialogs.messageDlg(text, MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) != MsgButton::Yes)
        return;
    QCoreApplication::processEvents();

    if (m_installerSaveDialog.initialFolder.isEmpty())
        m_installerSaveDialog.initialFolder = installerFolder();
    m_installerSaveDialog.fileName = fileName;
    const std::optional<QString> chosen = m.services.prompts.chooseSaveFile(m_installerSaveDialog);
    if (!chosen)
        return;

    switch (download(UpdateServer::installer(server, fileName), *chosen, DownloadLimits{})) {
    case DownloadResult::Done:
        m.dialogs.messageDlg(QStringLiteral("Please exit Quillnote and run the installation.  The file \n"
                                            "can be found in the following location:\n\n") +
                                 *chosen,
                             MsgKind::Information, MsgButton::OK);
        break;
    case DownloadResult::Failed:
        if (m.dialogs.messageDlg(UpdateTexts::NotDownloaded, MsgKind::Confirmation,
                                 MsgButton::Yes | MsgButton::No) == MsgButton::Yes)
            openWebsite(m.services.shell, m.dialogs, UpdateServer::productPage(server).toString());
        break;
    case DownloadResult::Cancelled:
        break; // the user's own choice: nothing to report
    }
}

void UpdateCommands::failed(const QString& message) {
    if (!m.startingUp) {
        // A check the user asked for must not end without a word: the error log tells and records it.
        m.log.logError({UnitName, LogRoutine::CheckForUpdates, message});
        return;
    }
    if (m.dialogs.messageDlg(UpdateTexts::StartupError, MsgKind::Warning, MsgButton::Yes | MsgButton::No) !=
        MsgButton::Yes) {
        m.settings.checkForUpdatesOnStartup = false;
        return;
    }
    if (m.dialogs.messageDlg(UpdateTexts::StartupError + QLatin1Char('\n') + UpdateTexts::ReportQuestion,
                             MsgKind::Warning, MsgButton::Yes | MsgButton::No) == MsgButton::Yes)
        m.mail.openMailtoMessage(FeedbackAddress, UpdateTexts::ReportSubject, errorReportBody(message));
}

QString UpdateCommands::errorReportBody(const QString& message) const {
    return QStringLiteral("Procedure:\t") + LogRoutine::CheckForUpdates +
           QStringLiteral("\nError Message:\t") + message + QStringLiteral("\nVersion No.:\t") +
           RunningVersion::text() +
           QStringLiteral(
               "\n\nPlease provide additional details as to what you were doing that might assist in "
               "resolving this issue.");
}
