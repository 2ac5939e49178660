#include "OutputCommands.h"

#include "controls/LinkTextEdit.h"
#include "gui/EditingCommands.h"
#include "gui/NoteList.h"
#include "gui/NotePrinter.h"
#include "gui/PrintDialogs.h"
#include "gui/WaitCursor.h"
#include "platform/DurableFile.h"
#include "platform/LogNames.h"
#include "platform/QuillError.h"
#include "store/DayNumber.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QStandardPaths>

namespace {

QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

OutputCommands::OutputCommands(Parts parts)
    : m(std::move(parts)), m_standardPrintDialogs(std::make_unique<QtPrintDialogs>(m.owner)),
      m_printDialogs(m_standardPrintDialogs.get()) {}

OutputCommands::~OutputCommands() = default;

NoteExport::EditorNote OutputCommands::editorNote() const {
    NoteExport::EditorNote note{m.title.text(), m.body.text(), {}, {}};
    const int open = m.editing.openNotePosition();
    const NoteListModel& model = *m.list.model();
    if (open != -1) {
        for (int row = 0; row < model.rowCount(); ++row) {
            const Note& candidate = model.note(row);
            if (candidate.position == open) {
                note.created = candidate.createdText;
                note.modified = candidate.modifiedText;
                return note;
            }
        }
    }
    // A note never saved (or whose row has gone) is dated by the moment of the export.
    note.created = note.modified = DayNumber::displayText(m.clock.now(), m.formats);
    return note;
}

std::vector<NoteExport::CheckedRow> OutputCommands::checkedRows() const {
    const int open = m.editing.openNotePosition();
    const NoteListModel& model = *m.list.model();
    std::vector<NoteExport::CheckedRow> rows;
    for (int row : model.checkedRows()) {
        const Note& note = model.note(row);
        rows.push_back({&note, open != -1 && note.position == open});
    }
    return rows;
}

void OutputCommands::exportNotes() {
    if (m_saveDialog.initialFolder.isEmpty())
        m_saveDialog.initialFolder = documentsFolder();
    const std::optional<QString> file = m.prompts.chooseSaveFile(m_saveDialog);
    if (!file)
        return;
    const QByteArray bytes = NoteExport::fileBytes(editorNote(), checkedRows());
    WaitCursor hourglass;
    // A failure keeps whatever the file held before: nothing half-written is left behind.
    DurableFile::replaceContents(*file, bytes);
}

void OutputCommands::printNotes() {
    QPrinter printer(QPrinter::HighResolution);
    if (!m_printDialogs->dlgPrint(printer))
        return;
    // The document is put together beside the editors, which keep their text, caret and undo steps.
    const QString document = NoteExport::printText(editorNote(), checkedRows());
    WaitCursor hourglass;
    printDocument(printer, document, 1.0, 1.0, 1.0, 1.0, 1);
}

bool OutputCommands::printDocument(QPrinter& printer, const QString& document, double left, double right,
                                   double top, double bottom, int copies) {
    try {
        const QRect pageRect =
            NoteExport::pageRectangle(NotePrinter::pageOf(printer), left, right, top, bottom);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QString jobTitle = QStringLiteral("Quillnote: ") + m.title.text();
        for (int copy = 0; copy < copies; ++copy) {
            NotePrinter::printText(printer, document, m.body.font(), pageRect, jobTitle);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        return true;
    } catch (const std::exception& e) {
        m.logError(LogRoutine::PrintDocument, messageOf(e));
    } catch (...) {
        m.logError(LogRoutine::PrintDocument, QStringLiteral("Unknown failure"));
    }
    return false;
}
