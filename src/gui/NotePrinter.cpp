#include "NotePrinter.h"

#include "platform/QuillError.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>

namespace NotePrinter {

namespace {

// The editors' design font is in points; a font chosen in pixels is taken at screen size (96 dpi),
// since pixels on a printer would make it tiny.
QFont printableFont(QFont font) {
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

void fail(const QString& step) {
    throw QuillError(QStringLiteral("The printer failed while %1.").arg(step));
}

} // namespace

NoteExport::PrinterPage pageOf(const QPrinter& printer) {
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    return {printer.logicalDpiX(),         printer.logicalDpiY(), printable.left() - paper.left(),
            printable.top() - paper.top(), printable.width(),     printable.height()};
}

void printText(QPrinter& printer, const QString& text, const QFont& font, const QRect& pageRect,
               const QString& jobTitle) {
    printer.setDocName(jobTitle);

    QTextDocument document;
    document.setUndoRedoEnabled(false);
    document.documentLayout()->setPaintDevice(&printer); // lay out in the printer's units
    document.setDefaultFont(printableFont(font));
    document.setDocumentMargin(0);
    QTextOption option = document.defaultTextOption();
    // A word longer than a line is broken rather than run over the margin.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(option.tabStopDistance() * printer.logicalDpiX() / 96.0);
    document.setDefaultTextOption(option);
    document.setPlainText(text);
    document.setPageSize(pageRect.size());

    QPainter painter;
    if (!painter.begin(&printer))
        fail(QStringLiteral("starting the print job"));
    // The pages the user chose in the print dialog, counted from 1; all by default.
    int first = 1;
    int last = document.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage());
        last = std::min(last, printer.toPage() > 0 ? printer.toPage() : last);
    }
    for (int number = first; number <= last; ++number) {
        const int page = number - 1;
        if (number > first && !printer.newPage()) {
            painter.end();
            fail(QStringLiteral("starting page %1").arg(number));
        }
        const qreal top = qreal(page) * pageRect.height();
        painter.save();
        painter.translate(pageRect.left(), pageRect.top() - top);
        document.drawContents(&painter, QRectF(0, top, pageRect.width(), pageRect.height()));
        painter.restore();
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        fail(QStringLiteral("ending the print job"));
}

} // namespace NotePrinter
