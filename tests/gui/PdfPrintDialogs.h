#pragma once

#include "gui/PrintDialogs.h"

#include <QPrinter>
#include <QString>

// The user at the print dialog, choosing a PDF file as the printer (or cancelling).
struct PdfPrintDialogs final : IPrintDialogs {
    QString file;
    bool accept = true;
    int fromPage = 0; // a page range, when not 0
    int toPage = 0;
    int shown = 0;

    bool dlgPrint(QPrinter& printer) override {
        ++shown;
        if (!accept)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        if (fromPage > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(fromPage, toPage);
        }
        return true;
    }
};
