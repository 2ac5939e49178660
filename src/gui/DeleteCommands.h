#pragma once

#include "platform/Prompts.h"

#include <QByteArray>
#include <deque>
#include <functional>

struct ActionCatalog;
struct AppSettings;
class EditingCommands;
class NoteList;
class NoteStore;

// Delete and Undo Delete. A deleted note is kept for the rest of the run, so that Undo Delete can put
// it back as it was, dates and all. Commands throw on failure; the main window runs each inside its
// error guard.
class DeleteCommands {
public:
    struct Parts {
        ActionCatalog& actions;
        NoteList& list;
        NoteStore& store;
        EditingCommands& editing;
        const AppSettings& settings;
        IPrompts& prompts;
        std::function<bool()> saveNote;    // the Save command; false when it failed
        std::function<void()> rebuildList; // from the notes file, leaving the editors alone
    };
    // How many deletes Undo Delete can take back.
    static constexpr int KeptDeletes = 20;

    explicit DeleteCommands(Parts parts);

    // Deletes the selected row's note. Unsaved edits are asked about first; kept unsaved, they stay in
    // the editors unless their own note is the one deleted.
    void deleteSelectedNote();
    // Brings back the last note deleted, at its old place in the file, and selects its row.
    void undoDelete();

private:
    struct DeletedNote {
        int position;
        QByteArray element;
    };
    void keep(DeletedNote deleted);
    bool showList();

    Parts m;
    std::deque<DeletedNote> m_deleted; // the newest last
};
