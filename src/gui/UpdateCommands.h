#pragma once

#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "update/ConnectivityProbe.h"
#include "update/VersionFile.h"

#include <QString>
#include <QUrl>
#include <optional>

class IErrorReporter;
class IPrompts;
class MailRoutes;
struct AppServices;
struct AppSettings;

// Texts of the update check.
namespace UpdateTexts {
inline const QString NoVersionInfo =
    QStringLiteral("Unable to access the version information for Quillnote.  Please \nbe sure an Internet "
                   "connection exists.");
inline const QString MostRecent = QStringLiteral("This is the most recent version of Quillnote.");
inline const QString InstallerFilter = QStringLiteral("Executable Files (*.exe)|*.exe|All Files (*.*)|*.*");
inline const QString NotDownloaded = QStringLiteral("The file was unable to be downloaded.  Would you like "
                                                    "to go to the\nTarrowin site and download it yourself?");
inline const QString StartupError =
    QStringLiteral("An error occurred when attempting to check for a more recent version.\nDo you want to "
                   "continue to check on startup?");
inline const QString ReportQuestion = QStringLiteral("Would you like to report the error via e-mail?");
inline const QString ReportSubject = QStringLiteral("Quillnote Error Submission");
} // namespace UpdateTexts

// Tools > "Check for Updates Now" and the check at start-up: asks the vendor's server for the newest
// version and, if the user wants it, downloads the installer into a file the user chooses. It never
// installs anything.
class UpdateCommands {
public:
    struct Parts {
        const AppServices& services;
        IPrompts& dialogs; // the main window's guarded message box
        MailRoutes& mail;
        IErrorReporter& log;
        AppSettings& settings;
        const bool& startingUp; // a check during start-up reports its failure differently
    };
    explicit UpdateCommands(Parts parts);

    // The whole check, on the user-interface thread. From the menu unless the window is starting up.
    // A second call while one runs (from a nested event loop) does nothing.
    void checkForUpdates();

    // Newer (true), not newer (false), or a malformed version (nothing: logged as "Main" /
    // "isNewerVersion").
    std::optional<bool> isNewerVersion(const QString& offered);

    // Where the check keeps the version file while it runs: the program's folder, or the data folder
    // when the program's folder is not writable.
    QString versionFilePath() const;
    // Where the installer's save dialog first opens: the program's folder, or the user's download
    // folder when the program's folder is not writable (an installed program). Later it opens where
    // the last installer went.
    QString installerFolder() const;

    // The document of the version file while a check reads it.
    const VersionInfo& xmlCurrVersion() const { return m_currentVersion; }

private:
    DownloadResult download(const QUrl& url, const QString& file, const DownloadLimits& limits);
    void offerInstaller(const QUrl& server, const QString& offered);
    void failed(const QString& message);
    QString errorReportBody(const QString& message) const;

    Parts m;
    LocaleFormats m_formats;
    VersionInfo m_currentVersion;
    SaveDialogState m_installerSaveDialog; // its own, so that exports do not open in the installer's folder
    bool m_running = false;
};
