#pragma once

#include "platform/PrintDialogs.h"

#include <QPrinter>
#include <QString>

// The user at the print dialog, choosing a PDF file as the printer (or cancelling).
struct PdfPrintDialogs final : IPrintDialogs {
    QString file;
    bool accept = true;
    int shown = 0;

    bool dlgPrint(QPrinter& printer) override {
        ++shown;
        if (!accept)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
};
