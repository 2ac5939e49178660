#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// The auto-start entry "Quillnote.desktop" in an XDG autostart folder: it starts the program with
// the argument "-0", which makes it start in the tray.
class AutoStart {
public:
    static QString commonFolder() { return QStringLiteral("/etc/xdg/autostart/"); }
    // $XDG_CONFIG_HOME/autostart/, by default ~/.config/autostart/.
    static QString userFolder();
    // Root's entry starts the program for everyone. Only root can write the common folder, so
    // every other user gets an entry of their own.
    static QString folderFor(uid_t user);
    static QString entryName() { return QStringLiteral("Quillnote.desktop"); }

    AutoStart(QString folder, QString programPath);

    QString entryPath() const;
    bool exists() const;

    // Writes the entry, replacing one of that name. Throws QuillError when it cannot be written.
    void createAutoStartEntry() const;
    // Removes the entry; a missing entry is not an error. Throws QuillError when it stays.
    void removeAutoStartEntry() const;

    // The entry's text for a program at `programPath`.
    static QByteArray entryContents(const QString& programPath);
    // The Exec value: the program quoted as one argument, then "-0", escaped for a desktop file.
    static QString execValue(const QString& programPath);

private:
    QString m_folder;
    QString m_programPath;
};
