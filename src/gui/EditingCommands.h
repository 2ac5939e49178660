#pragma once

#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "store/Note.h"

#include <QObject>
#include <QString>
#include <functional>

struct ActionCatalog;
struct AppSettings;
class NoteList;
class NoteStore;
class QLabel;
class LinkTextEdit;

enum class EditCommand { Undo, Cut, Copy, Paste, SelectAll };

// The note in the two editors and the commands that act on it: New, Save, Delete, Font, and which
// commands are available. The open note has unsaved changes exactly when the Save action is enabled.
// Commands throw on failure; the main window runs each inside its error guard.
class EditingCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        ActionCatalog& actions;
        LinkTextEdit& title;
        LinkTextEdit& body;
        QLabel& creationDate; // holds the open note's creation text
        NoteList& list;
        NoteStore& store;
        AppSettings& settings;
        IPrompts& prompts;
        const IClock& clock;
        const LocaleFormats& formats;
        const bool& suppressChange;
    };
    explicit EditingCommands(Parts parts, QObject* parent = nullptr);

    int openNotePosition() const { return m_openNotePosition; }
    // The open note's place after the list was rebuilt; -1 makes a save add it as a new note.
    void setOpenNotePosition(int position) { m_openNotePosition = position; }
    QString openNoteCreated() const;
    bool hasUnsavedChanges() const;

    // Asks "Save changes to the current note?" when there are unsaved changes. Yes runs `save`.
    // Returns false when the command should stop: Cancel, or a save that failed.
    bool askToSaveChanges(const std::function<bool()>& save);

    void newNote();
    void saveNote();
    // Whether this row's note is the one in the editors.
    bool isOpenNote(const Note& note) const;
    // A node of the notes file was taken out or put back: the open note's position follows.
    void nodeRemovedAt(int position);
    void nodeInsertedAt(int position);
    // Returns true when a font was chosen.
    bool chooseFont();

    void clearNote();
    void enableUserControls();
    void markNoteEdited();
    void followSelection(bool selected);
    void openSelectedNote();
    void afterListRebuilt();

    // Runs a standard editing command on the window's text field that has the keyboard focus, the
    // find box included. Tool buttons take no focus, and a menu gives it back before its command runs.
    void editFocusedField(EditCommand command);

private:
    void saveNewNote(const QString& title, const QString& body);
    void saveOpenNote(const QString& title, const QString& body);
    void setSaveEnabled(bool enabled);

    Parts m;
    int m_openNotePosition = -1;
};
