#pragma once

#include <QByteArray>
#include <QString>

// The auto-start entry "Quillnote.desktop" in an XDG autostart folder: it starts the program with
// the argument "-0", which makes it start in the tray. By default the common folder for all users.
class AutoStart {
public:
    static QString commonFolder() { return QStringLiteral("/etc/xdg/autostart/"); }
    static QString entryName() { return QStringLiteral("Quillnote.desktop"); }

    AutoStart(QString folder, QString programPath);

    QString entryPath() const;

    // Writes the entry, replacing one of that name. Throws QuillError when it cannot be written.
    void CreateStartupShortcut() const;
    // Removes the entry; a missing entry is not an error. Throws QuillError when it stays.
    void DeleteStartupShortcut() const;

    // The entry's text for a program at `programPath`.
    static QByteArray entryContents(const QString& programPath);
    // The Exec value: the program quoted as one argument, then "-0", escaped for a desktop file.
    static QString execValue(const QString& programPath);

private:
    QString m_folder;
    QString m_programPath;
};
