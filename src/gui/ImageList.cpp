#include "ImageList.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>

namespace {

QString themeName(int index) {
    switch (index) {
    case ImageList::NewNote:
        return QStringLiteral("document-new");
    case ImageList::SaveNote:
    case ImageList::SaveNoteDisabled:
        return QStringLiteral("document-save");
    case ImageList::deleteNote:
    case ImageList::DeleteNoteDisabled:
        return QStringLiteral("edit-delete");
    case ImageList::Print:
    case ImageList::PrintDisabled:
        return QStringLiteral("document-print");
    case ImageList::EditUndo:
        return QStringLiteral("edit-undo");
    case ImageList::EditCopy:
        return QStringLiteral("edit-copy");
    case ImageList::EditCut:
        return QStringLiteral("edit-cut");
    case ImageList::EditPaste:
        return QStringLiteral("edit-paste");
    case ImageList::Font:
        return QStringLiteral("preferences-desktop-font");
    case ImageList::SendMail:
    case ImageList::SendMailDisabled:
        return QStringLiteral("mail-send");
    case ImageList::SaveNotesAs:
    case ImageList::SaveNotesAsDisabled:
        return QStringLiteral("document-save-as");
    case ImageList::Find:
        return QStringLiteral("edit-find");
    case ImageList::SortAscending:
        return QStringLiteral("view-sort-ascending");
    case ImageList::SortDescending:
        return QStringLiteral("view-sort-descending");
    case ImageList::SpellCheck:
        return QStringLiteral("tools-check-spelling");
    case ImageList::Help:
        return QStringLiteral("help-contents");
    }
    return {};
}

bool isDisabledImage(int index) {
    return index == ImageList::SaveNoteDisabled || index == ImageList::DeleteNoteDisabled ||
           index == ImageList::PrintDisabled || index == ImageList::SendMailDisabled ||
           index == ImageList::SaveNotesAsDisabled;
}

} // namespace

// The pictures are compiled into the static UI library, which does not register them by itself.
static void registerPictures() {
    Q_INIT_RESOURCE(quillnote);
}

QIcon ImageList::icon(int index) {
    static const bool registered = (registerPictures(), true);
    Q_UNUSED(registered);
    const QString name = themeName(index);
    if (name.isEmpty())
        return {};
    const QString fallbackPath = QStringLiteral(":/icons/%1.png").arg(name);
    QIcon icon = QIcon::fromTheme(name, QFile::exists(fallbackPath) ? QIcon(fallbackPath) : QIcon());
    if (!isDisabledImage(index) || icon.isNull())
        return icon;
    // The greyed image is what the style shows for a disabled action; as its own image it is that
    // picture in every mode.
    const QPixmap grey = icon.pixmap(24, QIcon::Disabled);
    return QIcon(grey);
}
