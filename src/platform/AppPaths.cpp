#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

AppPaths::AppPaths(QString executableFolder, QString dataFolder, QString configFolder)
    : m_executableFolder(withTrailingSlash(executableFolder)), m_dataFolder(withTrailingSlash(dataFolder)),
      m_configFolder(withTrailingSlash(configFolder)) {}

QString AppPaths::withTrailingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

static bool isWritableFolder(const QString& folder) {
    // access() asks the kernel, so it also honours read-only mounts.
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

bool AppPaths::isPortableFolder(const QString& executableFolder) {
    const QString folder = QDir::cleanPath(executableFolder);
    if (folder.endsWith(QStringLiteral("/lib/quillnote")))
        return false;
    return isWritableFolder(folder);
}

AppPaths AppPaths::forRunningProgram() {
    const QString exeFolder = QCoreApplication::applicationDirPath();
    QString dataFolder = exeFolder;
    if (!isPortableFolder(exeFolder)) {
        dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Tarrowin/Quillnote");
        QDir().mkpath(dataFolder);
    }
    const QString configFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Tarrowin");
    QDir().mkpath(configFolder);
    return AppPaths(exeFolder, dataFolder, configFolder);
}
