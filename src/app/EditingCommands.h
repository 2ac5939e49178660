#pragma once

#include <QObject>
#include <QString>

struct ActionCatalog;
class NoteList;
class QLabel;
class TRichEditURL;

// The note in the two editors and the commands that act on it. The open note has unsaved changes
// exactly when the Save action is enabled.
class EditingCommands final : public QObject {
    Q_OBJECT
public:
    EditingCommands(ActionCatalog& actions, TRichEditURL& title, TRichEditURL& body, QLabel& creationDate,
                    NoteList& list, const bool& suppressChange, QObject* parent = nullptr);

    int OpenNotePosition() const { return m_openNotePosition; }
    QString OpenNoteCreated() const;
    bool hasUnsavedChanges() const;

    // Empties both editors; no note is open afterwards.
    void ClearNoteValues();
    // Recomputes which commands are available from the editors and the list's check boxes.
    void EnableUserControls();
    // Text change in either editor.
    void edtTitleOriginalChange();
    // A row of the list became selected or unselected.
    void lsvNotesSelectItem(bool selected);
    // Puts the selected row's note into the editors (after any question about unsaved changes).
    void openSelectedNote();
    // What the list's rebuild leaves: nothing to save, nothing to delete.
    void afterListRebuilt();

private:
    ActionCatalog& m_actions;
    TRichEditURL& m_title;
    TRichEditURL& m_body;
    QLabel& m_creationDate;
    NoteList& m_list;
    const bool& m_suppressChange;
    int m_openNotePosition = -1;
};
