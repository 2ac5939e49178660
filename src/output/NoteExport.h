#pragma once

#include "store/Note.h"

#include <QByteArray>
#include <QRect>
#include <QString>
#include <vector>

// The texts that "Save Note(s) to File" and "Print" put together from the note in the editors and
// the checked rows of the note list. No widgets: the commands collect the pieces and hand them here.
namespace NoteExport {

// The note in the two editors, as the commands see it.
struct EditorNote {
    QString title; // as shown, not trimmed
    QString body;  // as shown, line breaks as "\n"
    // Dates of the note's own row, or the moment of the export for a note never saved.
    QString created;
    QString modified;
};

// One checked row of the list, in list order, marked when it is the note open in the editors.
struct CheckedRow {
    const Note* note;
    bool isOpenNote;
};

// The file's text: the editor's block (when its title holds text) and a block for each checked row
// other than the open note's, divided by a line of 50 underscores. Every line ends with LF, whatever
// kind of line break a body holds.
QString fileText(const EditorNote& editor, const std::vector<CheckedRow>& rows);
// The same text as the bytes written to the file: UTF-8, so that no character is lost.
QByteArray fileBytes(const EditorNote& editor, const std::vector<CheckedRow>& rows);

// The printed document, lines divided by "\n": the editor's note with its title underlined (or the
// body editor's text as it stands when the note has no title or no body), then each checked row's
// note, divided by a line of 50 underscores. The open note's row is not printed twice, yet counts
// for the divider before the next row.
QString printText(const EditorNote& editor, const std::vector<CheckedRow>& rows);

// What a printer reports about its page, in device units.
struct PrinterPage {
    int dpiX = 0;
    int dpiY = 0;
    int offsetX = 0; // printable area's distance from the paper's left edge
    int offsetY = 0; // ... and from its top edge
    int width = 0;   // printable area's size
    int height = 0;
};

// The rectangle the text fills, relative to the printable area, for margins in inches. The
// offsets are subtracted on every edge; values are rounded to the nearest unit, ties to even.
// A rectangle with no room left stands for the whole printable area.
QRect pageRectangle(const PrinterPage& page, double left, double right, double top, double bottom);

} // namespace NoteExport
