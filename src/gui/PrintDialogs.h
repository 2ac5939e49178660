#pragma once

class QPrinter;
class QWidget;

// The print dialog behind "Print": the program shows the standard one; tests choose a PDF file.
class IPrintDialogs {
public:
    virtual ~IPrintDialogs() = default;
    // Lets the user choose a printer and its properties for `printer`. Returns false on Cancel;
    // otherwise `printer` holds the choice.
    virtual bool dlgPrint(QPrinter& printer) = 0;
};

// The standard print dialog with its default options.
class QtPrintDialogs final : public IPrintDialogs {
public:
    explicit QtPrintDialogs(QWidget* owner) : m_owner(owner) {}
    bool dlgPrint(QPrinter& printer) override;

private:
    QWidget* m_owner;
};
