#include "EditingCommands.h"

#include "app/ActionCatalog.h"
#include "app/ImageList.h"
#include "app/NoteList.h"
#include "controls/TRichEditURL.h"

#include <QLabel>

namespace {

// Blanks and control characters at either end do not count as text.
QString trimmedOfControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blankOrControl = [](QChar c) { return c.unicode() <= 0x20; };
    while (begin < end && blankOrControl(text.at(begin)))
        ++begin;
    while (end > begin && blankOrControl(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

EditingCommands::EditingCommands(ActionCatalog& actions, TRichEditURL& title, TRichEditURL& body,
                                 QLabel& creationDate, NoteList& list, const bool& suppressChange,
                                 QObject* parent)
    : QObject(parent), m_actions(actions), m_title(title), m_body(body), m_creationDate(creationDate),
      m_list(list), m_suppressChange(suppressChange) {}

QString EditingCommands::OpenNoteCreated() const {
    return m_creationDate.text();
}

bool EditingCommands::hasUnsavedChanges() const {
    return m_actions.actSaveNote->isEnabled();
}

void EditingCommands::ClearNoteValues() {
    m_title.clear();
    m_openNotePosition = -1;
    m_body.clear();
}

void EditingCommands::EnableUserControls() {
    m_actions.actNewNote->setEnabled(true);
    m_actions.actSaveNotesAs->setEnabled(false);
    if (trimmedOfControls(m_title.text()).isEmpty()) {
        if (m_list.hasCheckedRows()) {
            m_actions.actSaveNotesAs->setEnabled(true);
            m_actions.actPrint->setEnabled(true);
        }
    } else {
        m_actions.actSaveNotesAs->setEnabled(true);
    }
    m_actions.actSpellCheck->setEnabled(!trimmedOfControls(m_title.text()).isEmpty() ||
                                        !trimmedOfControls(m_body.text()).isEmpty());
    m_actions.keepUnavailableDisabled();

    auto showImage = [](QAction* a, int enabledImage, int disabledImage) {
        a->setIcon(ImageList::icon(a->isEnabled() ? enabledImage : disabledImage));
    };
    showImage(m_actions.actSaveNote, ImageList::SaveNote, ImageList::SaveNoteDisabled);
    showImage(m_actions.actPrint, ImageList::Print, ImageList::PrintDisabled);
    showImage(m_actions.actSendMail, ImageList::SendMail, ImageList::SendMailDisabled);
    showImage(m_actions.actSaveNotesAs, ImageList::SaveNotesAs, ImageList::SaveNotesAsDisabled);
}

void EditingCommands::edtTitleOriginalChange() {
    if (m_suppressChange)
        return;
    const bool hasTitle = !m_title.text().isEmpty();
    for (QAction* a :
         {m_actions.actSaveNote, m_actions.actSendMail, m_actions.actPrint, m_actions.actSaveNotesAs})
        a->setEnabled(hasTitle);
    EnableUserControls();
}

void EditingCommands::lsvNotesSelectItem(bool selected) {
    ActionCatalog::setEnabledWithImage(m_actions.actDeleteNote, selected, ImageList::DeleteNote,
                                       ImageList::DeleteNoteDisabled);
    EnableUserControls();
}

void EditingCommands::openSelectedNote() {
    const int row = m_list.selectedRow();
    if (row < 0)
        return;
    const Note& note = m_list.model()->note(row);
    m_creationDate.setText(note.CreatedText);
    m_openNotePosition = note.Position;
    m_title.setText(note.Title);
    m_body.clear();
    m_body.setPlainText(note.Text);

    m_actions.actSaveNote->setEnabled(false);
    for (QAction* a : {m_actions.actPrint, m_actions.actSaveNotesAs, m_actions.actSendMail})
        a->setEnabled(true);
    EnableUserControls();
}

void EditingCommands::afterListRebuilt() {
    ActionCatalog::setEnabledWithImage(m_actions.actSaveNote, false, ImageList::SaveNote,
                                       ImageList::SaveNoteDisabled);
    ActionCatalog::setEnabledWithImage(m_actions.actDeleteNote, false, ImageList::DeleteNote,
                                       ImageList::DeleteNoteDisabled);
}
