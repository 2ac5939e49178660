#include "QtPrompts.h"

#include "gui/dialogs/FontColourDialog.h"

#include <QFileDialog>
#include <QFileInfo>
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
    FontColourDialog dialog(initial, m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

namespace {

// "Text File (*.txt)|*.txt|All Files (*.*)|*.*" as Qt's name filters: "Text File (*.txt)", ...
QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        result.append(parts[i]);
    return result;
}

} // namespace

std::optional<QString> QtPrompts::chooseSaveFile(SaveDialogState& state) {
    QFileDialog dialog(m_owner, state.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters(state.filter));
    dialog.setDefaultSuffix(state.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !state.overwritePrompt);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setSizeGripEnabled(true);
    const QFileInfo last(state.fileName);
    if (!state.initialFolder.isEmpty())
        dialog.setDirectory(state.initialFolder);
    else if (last.isAbsolute())
        dialog.setDirectory(last.absolutePath());
    if (!state.fileName.isEmpty())
        dialog.selectFile(last.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    state.remember(dialog.selectedFiles().constFirst());
    return state.fileName;
}

std::optional<QString> QtPrompts::chooseFolder(const QString& caption, const QString& initial) {
    const QString folder = QFileDialog::getExistingDirectory(m_owner, caption, initial);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}
