#pragma once

#include <QIcon>

// The main window's images by their numbers. Each comes from the desktop's icon theme by its
// freedesktop name, with our own picture as the fallback.
namespace ImageList {

enum Index {
    NewNote = 0,
    SaveNote = 1,
    SaveNoteDisabled = 2,
    deleteNote = 3,
    DeleteNoteDisabled = 4,
    Print = 5,
    PrintDisabled = 6,
    EditUndo = 7,
    EditCopy = 8,
    EditCut = 9,
    EditPaste = 10,
    Font = 11,
    SendMail = 12,
    SendMailDisabled = 13,
    SaveNotesAs = 14,
    SaveNotesAsDisabled = 15,
    Find = 20,
    SortAscending = 22,
    SortDescending = 23,
    SpellCheck = 25,
    Help = 26,
};

QIcon icon(int index);

} // namespace ImageList
