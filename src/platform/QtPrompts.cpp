#include "QtPrompts.h"

#include "platform/FontChoiceQt.h"

#include <QFontDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconFor(MsgKind kind) {
    switch (kind) {
    case MsgKind::Information:
        return QMessageBox::Information;
    case MsgKind::Warning:
        return QMessageBox::Warning;
    case MsgKind::Confirmation:
        return QMessageBox::Question;
    case MsgKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons standardButtons(MsgButtons buttons) {
    QMessageBox::StandardButtons result;
    if (buttons & MsgButton::Yes)
        result |= QMessageBox::Yes;
    if (buttons & MsgButton::No)
        result |= QMessageBox::No;
    if (buttons & MsgButton::OK)
        result |= QMessageBox::Ok;
    if (buttons & MsgButton::Cancel)
        result |= QMessageBox::Cancel;
    return result;
}

MsgButton answerOf(int pressed) {
    switch (pressed) {
    case QMessageBox::Yes:
        return MsgButton::Yes;
    case QMessageBox::No:
        return MsgButton::No;
    case QMessageBox::Ok:
        return MsgButton::OK;
    default:
        return MsgButton::Cancel; // also the close box
    }
}

} // namespace

MsgButton QtPrompts::messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) {
    QMessageBox box(iconFor(kind), QStringLiteral("Quillnote"), text, standardButtons(buttons), m_owner);
    box.exec();
    return box.clickedButton() ? answerOf(box.standardButton(box.clickedButton())) : MsgButton::Cancel;
}

void QtPrompts::plainMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quillnote"), text, QMessageBox::Ok, m_owner);
    box.exec();
}

std::optional<FontChoice> QtPrompts::chooseFont(const FontChoice& initial) {
    const QFont font = fontOf(initial);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, m_owner, QStringLiteral("Font"));
    if (!ok)
        return std::nullopt;
    return FontChoice{chosen.family(), chosen.pointSize(), chosen.bold(),
                      chosen.italic(), chosen.underline(), chosen.strikeOut()};
}
