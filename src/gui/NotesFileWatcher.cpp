#include "NotesFileWatcher.h"

#include "gui/EditingCommands.h"
#include "gui/NoteList.h"
#include "gui/WaitCursor.h"
#include "platform/Prompts.h"
#include "store/NoteStore.h"

#include <QFileInfo>

#include <utility>

namespace {

// A row's note as the list and the file both name it: its stored creation number and title.
struct RowKey {
    QString dateTime;
    QString title;
    QString text;
    bool valid = false;
};

RowKey keyOf(const NoteListModel& model, int row) {
    if (row < 0 || row >= model.rowCount())
        return {};
    const Note& note = model.note(row);
    return {note.dateTime, note.title, note.text, true};
}

// The same title wins; a note renamed elsewhere is still found when its creation time is unique.
// Only rows of that time are read further: reading every row would decode every body in the file.
int rowOf(const NoteListModel& model, const RowKey& key) {
    if (!key.valid)
        return -1;
    int byTime = -1;
    int sameTime = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.noteAsRead(row).dateTime != key.dateTime)
            continue;
        if (model.note(row).title == key.title)
            return row;
        byTime = row;
        ++sameTime;
    }
    return sameTime == 1 ? byTime : -1;
}

// The open note's row, found as a save finds it: positions of rows read before the document was
// replaced may repeat, their creation texts hardly.
int rowOfOpenNote(const NoteListModel& model, const EditingCommands& editing) {
    if (editing.openNotePosition() < 0)
        return -1;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.noteAsRead(row).position == editing.openNotePosition() &&
            model.note(row).createdText == editing.openNoteCreated())
            return row;
    }
    return -1;
}

} // namespace

NotesFileWatcher::NotesFileWatcher(Parts parts, QObject* parent) : QObject(parent), m(std::move(parts)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(QuietMs);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &NotesFileWatcher::fileEvent);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &NotesFileWatcher::fileEvent);
    connect(&m_settle, &QTimer::timeout, this, &NotesFileWatcher::lookAtFile);
    m_confirm.setSingleShot(true);
    m_confirm.setInterval(FileStamp::GranularityMs + QuietMs);
    connect(&m_confirm, &QTimer::timeout, this, &NotesFileWatcher::lookAtFile);
    m.store.setReplacedListener([this](const QString& notice) { queueReload(notice); });
}

void NotesFileWatcher::watch(const QString& notesPath) {
    if (notesPath == m_path)
        return;
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path = notesPath;
    if (m_path.isEmpty())
        return;
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    m_watcher.addPath(m_path);
}

void NotesFileWatcher::fileEvent() {
    m_settle.start(); // restarted by every event of a burst
}

void NotesFileWatcher::lookAtFile() {
    // A file replaced by rename is a new file: the old watch ended with the old one.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    try {
        if (m.store.refreshFromDisk() == NoteStore::DiskState::Reloaded) {
            // No command holds rows here: the list is rebuilt before any event can reach its old rows.
            reloadList();
            m.showStatus(QStringLiteral("The notes file was changed by another program; the list shows "
                                        "its changes."));
        }
    } catch (const std::exception& e) {
        m.reportError(QString::fromUtf8(e.what()));
    }
    if (m.store.checkNeedsHash())
        m_confirm.start();
}

void NotesFileWatcher::queueReload(const QString& notice) {
    if (!notice.isEmpty())
        m_notices << notice;
    if (m_reloadQueued)
        return;
    m_reloadQueued = true;
    // After the command that saved has finished with the rows it knows.
    QMetaObject::invokeMethod(this, &NotesFileWatcher::reloadList, Qt::QueuedConnection);
}

void NotesFileWatcher::reloadList() {
    if (!m_reloadQueued)
        return; // done already
    m_reloadQueued = false;
    const WaitCursor hourglass;
    NoteListModel& model = *m.list.model();
    const RowKey selected = keyOf(model, m.list.selectedRow());
    const RowKey open = keyOf(model, rowOfOpenNote(model, m.editing));
    const bool edited = m.editing.hasUnsavedChanges();
    try {
        m.list.loadNotes(m.store);
    } catch (const std::exception& e) {
        m.reportError(QString::fromUtf8(e.what()));
    }
    m.list.resortInCurrentDirection();

    if (open.valid) {
        const int row = rowOf(model, open);
        keepOpenNote(row, row < 0 || model.note(row).title != open.title || model.note(row).text != open.text,
                     edited);
    }
    const int selectedRow = rowOf(model, selected);
    if (selectedRow >= 0)
        m.list.selectRow(selectedRow);
    else
        m.list.view()->clearSelection();

    const QStringList notices = std::exchange(m_notices, {});
    for (const QString& notice : notices)
        m.prompts.messageDlg(notice, MsgKind::Information, MsgButton::OK);
}

void NotesFileWatcher::keepOpenNote(int row, bool changedThere, bool edited) {
    if (edited && changedThere) {
        // The text in the editors was begun on a version that is no longer there: saved, it becomes
        // a note of its own instead of replacing the other program's version.
        m.editing.setOpenNotePosition(-1);
        m.showStatus(QStringLiteral("Another program changed the open note; saving it adds your version "
                                    "as a new note."));
    } else if (edited) {
        m.editing.setOpenNotePosition(m.list.model()->note(row).position);
    } else if (row < 0) {
        m.editing.clearNote();
    } else {
        m.list.selectRow(row);
        m.editing.openSelectedNote();
    }
}
