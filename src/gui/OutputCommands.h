#pragma once

#include "output/NoteExport.h"
#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class EditingCommands;
class IPrintDialogs;
class NoteList;
class QPrinter;
class QWidget;
class LinkTextEdit;

// "Save Note(s) to File" and "Print": the note in the editors followed by the checked notes of the
// list, written to a text file or printed as one document. Neither changes the editors or the
// notes. Commands throw on failure; the main window runs each inside its error guard.
class OutputCommands {
public:
    struct Parts {
        LinkTextEdit& title;
        LinkTextEdit& body;
        NoteList& list;
        const EditingCommands& editing; // which note is open
        IPrompts& prompts;
        const IClock& clock;
        const LocaleFormats& formats;
        std::function<void(const QString& method, const QString& message)> logError;
        QWidget* owner; // of the print dialog
    };
    explicit OutputCommands(Parts parts);
    ~OutputCommands();

    void exportNotes();
    void printNotes();
    // Prints the document into the page rectangle of the given margins (inches), `copies` times.
    // Logs its own failure ("printDocument") and then answers false.
    bool printDocument(QPrinter& printer, const QString& document, double left, double right, double top,
                       double bottom, int copies);

    // The print dialog in use: the standard one unless a test hands in another.
    void setPrintDialogs(IPrintDialogs& dialogs) { m_printDialogs = &dialogs; }

private:
    NoteExport::EditorNote editorNote() const;
    // Checked rows from top to bottom in the list's order; the open note's row is marked.
    std::vector<NoteExport::CheckedRow> checkedRows() const;

    Parts m;
    // Export's own save dialog: the first opens in the documents folder, later ones at the last export.
    SaveDialogState m_saveDialog;
    std::unique_ptr<IPrintDialogs> m_standardPrintDialogs;
    IPrintDialogs* m_printDialogs;
};
