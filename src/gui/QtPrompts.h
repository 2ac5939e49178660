#pragma once

#include "platform/Prompts.h"

#include <QPointer>
#include <QWidget>

// Message boxes as Qt dialogs with the caption "Quillnote", centred on the owner window.
class QtPrompts final : public IPrompts {
public:
    void setOwner(QWidget* owner) { m_owner = owner; }

    MsgButton messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) override;
    void plainMessage(const QString& text) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    std::optional<QString> chooseSaveFile(SaveDialogState& state) override;
    std::optional<QString> chooseFolder(const QString& caption, const QString& initial) override;

private:
    QPointer<QWidget> m_owner;
};
