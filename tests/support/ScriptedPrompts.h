#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QString>
#include <functional>

// A strict stand-in for the user at a message box: each expected question is scripted with its
// answer, every question asked is recorded, and an unscripted question is a test failure.
class ScriptedPrompts final : public IPrompts {
public:
    struct Asked {
        QString text;
        MsgKind kind;
        MsgButtons buttons;
        bool plain = false;
    };

    // The next question must contain `textPart`; it is answered with `answer`.
    void expect(const QString& textPart, MsgButton answer);
    // The next question makes the dialog itself fail (throws QuillError).
    void expectFailure(const QString& textPart, const QString& message);
    void expectPlain(const QString& textPart);
    // The next question is the font dialog; it answers `answer` (nullopt: Cancel).
    void expectFont(std::optional<FontChoice> answer);
    // The next question is the save dialog; it answers `file` (nullopt: Cancel). The dialog's state
    // as it was shown is kept in lastSaveDialog.
    void expectSaveFile(std::optional<QString> file);
    // The next question is the folder picker; it answers `folder` (nullopt: Cancel).
    void expectFolder(std::optional<QString> folder);

    MsgButton messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) override;
    void plainMessage(const QString& text) override;
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    std::optional<QString> chooseSaveFile(SaveDialogState& state) override;
    std::optional<QString> chooseFolder(const QString& caption, const QString& initial) override;
    SaveDialogState lastSaveDialog;
    // The font the last font dialog started with.
    FontChoice lastFontShown;

    const QList<Asked>& asked() const { return m_asked; }
    int pending() const { return int(m_script.size()); }
    // Problems seen (unscripted or mismatching questions); empty when all went as scripted.
    const QStringList& problems() const { return m_problems; }
    void clear();

private:
    struct Step {
        QString textPart;
        MsgButton answer;
        bool plain;
        QString failure;
        bool font = false;
        std::optional<FontChoice> fontAnswer;
        std::optional<QString> fileAnswer = std::nullopt;
    };
    Step take(const QString& text, bool plain);

    QList<Step> m_script;
    QList<Asked> m_asked;
    QStringList m_problems;
};
