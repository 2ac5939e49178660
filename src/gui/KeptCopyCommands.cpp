#include "KeptCopyCommands.h"

#include "gui/NoteList.h"
#include "gui/WaitCursor.h"
#include "gui/dialogs/RestoreNoteDialog.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/QuillError.h"
#include "store/DayNumber.h"
#include "store/KeptNotes.h"
#include "store/NoteStore.h"

#include <QFileInfo>
#include <QTimer>

KeptCopyCommands::KeptCopyCommands(Parts parts, QObject* parent) : QObject(parent), m(parts) {}

bool KeptCopyCommands::offerCopyAtStartUp(const QString& failure) {
    const QString notesPath = m.store.notesPath();
    const std::optional<KeptCopies::Copy> copy = KeptNotes::newestReadableCopy(notesPath);
    if (!copy)
        return false;
    const QString damaged = KeptNotes::damagedPathFor(notesPath, m.clock.now());
    const QString question =
        QStringLiteral("%1\n\nRestore the newest earlier copy that can be read, kept on %2? The damaged "
                       "file is kept as \"%3\".")
            .arg(failure, DayNumber::displayText(copy->saved, m.formats), QFileInfo(damaged).fileName());
    if (m.prompts.messageDlg(question, MsgKind::Error, MsgButton::Yes | MsgButton::No) != MsgButton::Yes)
        return false;
    KeptNotes::restoreCopy(notesPath, copy->path, damaged);
    m.store.open(notesPath);
    return true;
}

void KeptCopyCommands::restoreNotes() {
    if (!m.store.isOpen())
        throw QuillError(QStringLiteral("No notes file is open."));
    QList<KeptNote> notes;
    {
        const WaitCursor hourglass; // every kept copy is read
        notes = KeptNotes::missingFrom(m.store, m.formats);
    }
    if (notes.isEmpty()) {
        m.prompts.messageDlg(QStringLiteral("The earlier copies hold no note that is missing now."),
                             MsgKind::Information, MsgButton::OK);
        return;
    }
    RestoreNoteDialog dialog(notes, m.formats, m.owner);
    QTimer::singleShot(0, &dialog, [this, &dialog] { emit dialogShown(&dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Appended, so the rows of the other notes and the note being edited stay as they are.
    int lastRow = -1;
    for (const int index : dialog.chosen()) {
        const int position = m.store.restoreNote(-1, notes[index].element);
        lastRow = m.list.model()->appendNote(m.store.readNote(position));
    }
    if (lastRow < 0)
        return;
    m.list.selectRow(lastRow);
    m.list.resortInCurrentDirection();
}
