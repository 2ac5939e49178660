#include "PrintDialogs.h"

#include <QPrintDialog>
#include <QPrinter>

bool QtPrintDialogs::dlgPrint(QPrinter& printer) {
    QPrintDialog dialog(&printer, m_owner);
    return dialog.exec() == QDialog::Accepted;
}
