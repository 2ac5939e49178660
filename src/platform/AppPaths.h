#pragma once

#include <QString>

// Where the program finds its read-only files and where it writes its own data.
// The executable's folder holds the read-me text, the help and the spelling files. Files that belong
// "beside the executable" (default notes folder, the error log) go there too when that folder is
// writable (portable use), otherwise into the user's XDG data folder.
class AppPaths {
public:
    AppPaths(QString executableFolder, QString dataFolder, QString configFolder);

    // Paths of the running program, per the XDG base directories.
    static AppPaths forRunningProgram();

    // Each folder ends with a '/'.
    const QString& executableFolder() const { return m_executableFolder; }
    const QString& dataFolder() const { return m_dataFolder; }
    const QString& configFolder() const { return m_configFolder; }

    QString readMePath() const { return m_executableFolder + QStringLiteral("qnReadMe.txt"); }
    QString logPath() const { return m_dataFolder + QStringLiteral("Quillnote.log"); }
    QString registryPath() const { return m_configFolder + QStringLiteral("registry.ini"); }

    static QString withTrailingSlash(const QString& folder);

    // Whether the program's own data may sit beside it: a writable folder of its own, not an
    // installed copy (<prefix>/lib/quillnote), where even root must not leave notes behind.
    static bool isPortableFolder(const QString& executableFolder);

private:
    QString m_executableFolder;
    QString m_dataFolder;
    QString m_configFolder;
};
