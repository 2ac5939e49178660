#include "DeleteCommands.h"

#include "gui/ActionCatalog.h"
#include "gui/EditingCommands.h"
#include "gui/NoteList.h"
#include "store/AppSettings.h"
#include "store/NoteStore.h"

#include <algorithm>

DeleteCommands::DeleteCommands(Parts parts) : m(std::move(parts)) {
    m.actions.undoDeleteAction->setEnabled(false);
}

void DeleteCommands::deleteSelectedNote() {
    const int selected = m.list.selectedRow();
    if (selected < 0)
        return;
    // Saving never moves a note in the file, though saving a new note moves the selection.
    const int position = m.list.model()->note(selected).position;
    if (!m.editing.askToSaveChanges(m.saveNote))
        return;
    if (m.settings.confirmOnDelete &&
        m.prompts.messageDlg(QStringLiteral("Would you like to delete the current note?"),
                             MsgKind::Confirmation, MsgButton::Yes | MsgButton::No) != MsgButton::Yes)
        return;

    NoteListModel& model = *m.list.model();
    const int row = model.rowOfPosition(position);
    if (row < 0)
        return;
    // Edits still unsaved after the question (No) stay, unless their own note goes.
    const bool keepEditors = !m.editing.isOpenNote(model.note(row)) && m.editing.hasUnsavedChanges();
    const int next = row == model.rowCount() - 1 ? row - 1 : row;
    QByteArray element = m.store.noteElement(position);
    m.store.deleteNote(position);
    keep({position, std::move(element)});
    model.removeNoteRow(row);

    if (keepEditors) {
        m.editing.nodeRemovedAt(position);
    } else {
        m.editing.clearNote();
        m.editing.afterListRebuilt();
    }
    if (!showList())
        return;
    m.list.selectRow(std::max(next, 0));
    // With nothing unsaved in the editors, the note that took the deleted one's place opens.
    if (!keepEditors)
        m.editing.openSelectedNote();
}

void DeleteCommands::undoDelete() {
    if (m_deleted.empty())
        return;
    const DeletedNote& last = m_deleted.back();
    const int position = m.store.restoreNote(last.position, last.element);
    m_deleted.pop_back();
    m.actions.undoDeleteAction->setEnabled(!m_deleted.empty());
    m.editing.nodeInsertedAt(position);
    if (showList())
        m.list.selectRow(m.list.model()->rowOfPosition(position));
}

void DeleteCommands::keep(DeletedNote deleted) {
    m_deleted.push_back(std::move(deleted));
    if (m_deleted.size() > size_t(KeptDeletes))
        m_deleted.pop_front();
    m.actions.undoDeleteAction->setEnabled(true);
}

// The positions after a removed or inserted node have changed, so the rows are built again.
// Returns whether there are rows.
bool DeleteCommands::showList() {
    m.rebuildList();
    const bool any = m.list.model()->rowCount() > 0;
    if (any)
        m.list.resortInCurrentDirection();
    else
        m.editing.followSelection(false);
    return any;
}
