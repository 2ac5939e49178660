#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class EditingCommands;
class IPrompts;
class NoteList;
class NoteStore;
struct Note;

// Notices between saves that another program wrote the notes file, and rebuilds the list from it,
// keeping the open note, the selected row and text not saved yet in the editors. Sync tools replace
// the file by renaming another over it, which ends a watch on the file, so its folder is watched
// too. A burst of events makes one reload once the file has been quiet for a moment.
class NotesFileWatcher final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        NoteStore& store;
        NoteList& list;
        EditingCommands& editing;
        IPrompts& prompts;
        std::function<void(const QString& text)> showStatus;
        std::function<void(const QString& message)> reportError;
    };
    NotesFileWatcher(Parts parts, QObject* parent = nullptr);

    // Watches this file from now on (again after the notes moved to another folder).
    void watch(const QString& notesPath);
    bool isSettling() const { return m_settle.isActive(); }
    // How long the file must be quiet before it is read again.
    void setQuietTime(int ms) { m_settle.setInterval(ms); }

    static constexpr int QuietMs = 200;

    // What the watcher does once the file has been quiet: reads it again if it changed.
    void lookAtFile();

private:
    void fileEvent();
    void queueReload(const QString& notice);
    void reloadList();
    // The open note's row in the rebuilt list (-1: gone); changedThere: its saved text differs now.
    void keepOpenNote(int row, bool changedThere, bool edited);

    Parts m;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QTimer m_confirm; // one more look once our own save is past the timestamp granularity
    QString m_path;
    bool m_reloadQueued = false;
    QStringList m_notices; // told after the reload
};
