#pragma once

#include "output/NoteExport.h"

#include <QFont>
#include <QRect>
#include <QString>

class QPrinter;

// The paginated print of plain text in one font: the text is laid out in the width of the page
// rectangle and drawn one page rectangle at a time. No header, footer or page numbers.
namespace NotePrinter {

// The printer's resolution, the offsets of its printable area and that area's size.
NoteExport::PrinterPage pageOf(const QPrinter& printer);

// One print job under `jobTitle`, as many pages as the text needs. `pageRect` is relative to the
// printable area, in device units. Throws QuillError when the printer fails; the job is ended in
// any case.
void printText(QPrinter& printer, const QString& text, const QFont& font, const QRect& pageRect,
               const QString& jobTitle);

} // namespace NotePrinter
