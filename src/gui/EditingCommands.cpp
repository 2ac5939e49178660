#include "EditingCommands.h"

#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/ImageList.h"
#include "gui/NoteList.h"
#include "gui/dialogs/FontChoiceQt.h"
#include "platform/QuillError.h"
#include "store/AppSettings.h"
#include "store/DayNumber.h"
#include "store/NoteStore.h"
#include "store/TextTrim.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

template <typename Field> void run(Field* field, EditCommand command) {
    switch (command) {
    case EditCommand::Undo:
        field->undo();
        break;
    case EditCommand::Cut:
        field->cut();
        break;
    case EditCommand::Copy:
        field->copy();
        break;
    case EditCommand::Paste:
        field->paste();
        break;
    case EditCommand::SelectAll:
        field->selectAll();
        break;
    }
}

} // namespace

EditingCommands::EditingCommands(Parts parts, QObject* parent) : QObject(parent), m(parts) {}

void EditingCommands::editFocusedField(EditCommand command) {
    QWidget* field = m.title.window()->focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(field))
        run(line, command);
    else if (auto* text = qobject_cast<QPlainTextEdit*>(field))
        run(text, command);
}

QString EditingCommands::openNoteCreated() const {
    return m.creationDate.text();
}

bool EditingCommands::hasUnsavedChanges() const {
    return m.actions.saveNoteAction->isEnabled();
}

bool EditingCommands::askToSaveChanges(const std::function<bool()>& save) {
    if (!hasUnsavedChanges())
        return true;
    const MsgButton answer =
        m.prompts.messageDlg(QStringLiteral("Save changes to the current note?"), MsgKind::Confirmation,
                             MsgButton::Yes | MsgButton::No | MsgButton::Cancel);
    if (answer == MsgButton::Yes)
        return save(); // a failed save keeps the editors as they are
    return answer == MsgButton::No;
}

void EditingCommands::setSaveEnabled(bool enabled) {
    ActionCatalog::setEnabledWithImage(m.actions.saveNoteAction, enabled, ImageList::SaveNote,
                                       ImageList::SaveNoteDisabled);
}

void EditingCommands::newNote() {
    clearNote();
    setSaveEnabled(false);
    ActionCatalog::setEnabledWithImage(m.actions.deleteNoteAction, false, ImageList::deleteNote,
                                       ImageList::DeleteNoteDisabled);
    for (QAction* a : {m.actions.printAction, m.actions.exportAction, m.actions.sendMailAction})
        a->setEnabled(false);
    m.title.setFocus(Qt::OtherFocusReason);
}

void EditingCommands::saveNote() {
    const QString title = m.title.text();
    const QString body = m.body.text();
    if (m_openNotePosition < 0)
        saveNewNote(title, body);
    else
        saveOpenNote(title, body);
    setSaveEnabled(false);
    m.actions.exportAction->setEnabled(true);
    m.actions.sendMailAction->setEnabled(true);
}

void EditingCommands::saveNewNote(const QString& title, const QString& body) {
    const Note note = m.list.addNewNote(m.store, title, body, m.clock.now(), m.formats);
    m_openNotePosition = note.position;
    m.creationDate.setText(note.createdText);
}

void EditingCommands::saveOpenNote(const QString& title, const QString& body) {
    NoteListModel& model = *m.list.model();
    int row = -1;
    for (int r = 0; r < model.rowCount() && row < 0; ++r) {
        const Note& candidate = model.note(r);
        if (candidate.position == m_openNotePosition && candidate.createdText == openNoteCreated())
            row = r;
    }
    if (row < 0)
        throw QuillError(QStringLiteral("The open note is no longer in the list; nothing was saved."));

    const QDateTime now = m.clock.now();
    Note note = model.note(row);
    m.store.updateNote(note.position, title, body, now);
    // The row changes only once the file holds the change.
    note.modifiedText = DayNumber::displayText(now, m.formats);
    note.modifiedDay = DayNumber::fromDateTime(now);
    note.title = title;
    note.text = body;
    note.lastModified = DayNumber::nowText(now, m.formats.decimalSeparator);
    model.updateNote(row, note);
}

bool EditingCommands::isOpenNote(const Note& note) const {
    return note.position == m_openNotePosition && note.createdText == openNoteCreated();
}

void EditingCommands::nodeRemovedAt(int position) {
    if (m_openNotePosition > position)
        --m_openNotePosition;
}

void EditingCommands::nodeInsertedAt(int position) {
    if (m_openNotePosition >= position)
        ++m_openNotePosition;
}

bool EditingCommands::chooseFont() {
    const std::optional<FontChoice> chosen =
        m.prompts.chooseFont(fontChoiceOf(m.body.font(), chosenTextColour(m.body)));
    if (!chosen)
        return false;
    for (LinkTextEdit* field : {&m.body, &m.title}) {
        field->setFont(fontOf(*chosen, field->font()));
        setChosenTextColour(*field, colourOf(*chosen));
    }
    return true;
}

void EditingCommands::clearNote() {
    m.title.clear();
    m_openNotePosition = -1;
    m.body.clear();
}

void EditingCommands::enableUserControls() {
    m.actions.newNoteAction->setEnabled(true);
    m.actions.exportAction->setEnabled(false);
    if (trimmedOfBlanksAndControls(m.title.text()).isEmpty()) {
        if (m.list.hasCheckedRows()) {
            m.actions.exportAction->setEnabled(true);
            m.actions.printAction->setEnabled(true);
        }
    } else {
        m.actions.exportAction->setEnabled(true);
    }
    m.actions.spellCheckAction->setEnabled(!trimmedOfBlanksAndControls(m.title.text()).isEmpty() ||
                                           !trimmedOfBlanksAndControls(m.body.toPlainText()).isEmpty());

    auto showImage = [](QAction* a, int enabledImage, int disabledImage) {
        a->setIcon(ImageList::icon(a->isEnabled() ? enabledImage : disabledImage));
    };
    showImage(m.actions.saveNoteAction, ImageList::SaveNote, ImageList::SaveNoteDisabled);
    showImage(m.actions.printAction, ImageList::Print, ImageList::PrintDisabled);
    showImage(m.actions.sendMailAction, ImageList::SendMail, ImageList::SendMailDisabled);
    showImage(m.actions.exportAction, ImageList::SaveNotesAs, ImageList::SaveNotesAsDisabled);
}

void EditingCommands::markNoteEdited() {
    if (m.suppressChange)
        return;
    const bool hasTitle = !m.title.text().isEmpty();
    for (QAction* a :
         {m.actions.saveNoteAction, m.actions.sendMailAction, m.actions.printAction, m.actions.exportAction})
        a->setEnabled(hasTitle);
    enableUserControls();
}

void EditingCommands::followSelection(bool selected) {
    ActionCatalog::setEnabledWithImage(m.actions.deleteNoteAction, selected, ImageList::deleteNote,
                                       ImageList::DeleteNoteDisabled);
    enableUserControls();
}

void EditingCommands::openSelectedNote() {
    const int row = m.list.selectedRow();
    if (row < 0)
        return;
    const Note& note = m.list.model()->note(row);
    m.creationDate.setText(note.createdText);
    m_openNotePosition = note.position;
    m.title.setText(note.title);
    m.body.clear();
    m.body.setPlainText(note.text);

    setSaveEnabled(false);
    for (QAction* a : {m.actions.printAction, m.actions.exportAction, m.actions.sendMailAction})
        a->setEnabled(true);
    enableUserControls();
}

void EditingCommands::afterListRebuilt() {
    setSaveEnabled(false);
    ActionCatalog::setEnabledWithImage(m.actions.deleteNoteAction, false, ImageList::deleteNote,
                                       ImageList::DeleteNoteDisabled);
}
