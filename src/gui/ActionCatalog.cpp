#include "ActionCatalog.h"

#include "gui/ImageList.h"

namespace {

// A hint "short|long" gives the tool-tip and the status-bar text.
QAction* makeAction(QObject* owner, const QString& name, const QString& caption, const QKeySequence& shortcut,
                    int image, const QString& hint) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (image >= 0)
        action->setIcon(ImageList::icon(image));
    if (!hint.isEmpty()) {
        const qsizetype bar = hint.indexOf(QLatin1Char('|'));
        action->setToolTip(bar < 0 ? hint : hint.left(bar));
        action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    }
    return action;
}

} // namespace

ActionCatalog::ActionCatalog(QObject* o) {
    using K = QKeySequence;
    newNoteAction = makeAction(o, "actNewNote", "&New", K("Ctrl+N"), ImageList::NewNote, "Add new note.");
    saveNoteAction = makeAction(o, "actSaveNote", "&Save", K("Ctrl+S"), ImageList::SaveNote,
                                "Save changes to current note.");
    deleteNoteAction =
        makeAction(o, "actDeleteNote", "&Delete", K(), ImageList::deleteNote, "Delete current note.");
    printAction =
        makeAction(o, "actPrint", "&Print", K("Ctrl+P"), ImageList::Print, "Print the selected note(s).");
    fontAction = makeAction(o, "actFont", "&Font...", K("Ctrl+O"), ImageList::Font, "Manage the font.");
    exportAction =
        makeAction(o, "actSaveNotesAs", "Save Note(s) &to File", K("Ctrl+T"), ImageList::SaveNotesAs,
                   "Save selected note(s) to File|Saves the selected note(s) to a file.");
    sendMailAction = makeAction(o, "actSendMail", "Send Note as E-Mail", K("Ctrl+M"), ImageList::SendMail,
                                "Send selected note as e-mail.");
    findAction = makeAction(o, "actFind", "", K("F3"), ImageList::Find, "Search notes.");
    startFindAction = makeAction(o, "actStartFind", "", K("Ctrl+F"), -1, "");
    spellCheckAction = makeAction(o, "actSpellCheck", "&Spell Check", K("Ctrl+L"), ImageList::SpellCheck, "");
    cutAction = makeAction(o, "actEditCut", "Cu&t", K("Ctrl+X"), ImageList::EditCut,
                           "Cut|Cuts the selection and puts it on the Clipboard");
    copyAction = makeAction(o, "actEditCopy", "&Copy", K("Ctrl+C"), ImageList::EditCopy,
                            "Copy|Copies the selection and puts it on the Clipboard");
    pasteAction = makeAction(o, "actEditPaste", "&Paste", K("Ctrl+V"), ImageList::EditPaste,
                             "Paste|Inserts Clipboard contents");
    selectAllAction = makeAction(o, "actEditSelectAll", "Select &All", K("Ctrl+A"), -1,
                                 "Select All|Selects the entire document");
    undoAction = makeAction(o, "actEditUndo", "&Undo", K("Ctrl+Z"), ImageList::EditUndo,
                            "Undo|Reverts the last action");
    // No shortcut: Ctrl+Shift+Z is the text fields' Redo.
    undoDeleteAction = makeAction(o, "actUndoDelete", "Undo &Delete", K(), -1,
                                  "Undo Delete|Brings back the last note deleted");

    exitAction = makeAction(o, "mnuExit", "E&xit", K(), -1, "");
    restoreNoteAction = makeAction(o, "mnuRestoreNote", "&Restore a Note...", K(), -1,
                                   "Bring back a note from an earlier copy of the notes file.");
    optionsAction = makeAction(o, "mnuOptions", "&Options...", K(), -1, "");
    checkForUpdatesAction = makeAction(o, "mnuCheckForUpdates", "Check for Updates &Now", K(), -1, "");
    helpAction = makeAction(o, "mnuHelp", "&Help", K("F1"), ImageList::Help, "Display the Help file.");
    aboutAction = makeAction(o, "mnuAbout", "&About...", K(), -1, "");
    sendFeedbackAction = makeAction(o, "mnuSendFeedback", "Send &Feedback...", K(), -1, "");

    exportAction->setEnabled(false);
    sendMailAction->setEnabled(false);
}

void ActionCatalog::setEnabledWithImage(QAction* action, bool enabled, int enabledImage, int disabledImage) {
    action->setEnabled(enabled);
    action->setIcon(ImageList::icon(enabled ? enabledImage : disabledImage));
}
