#pragma once

#include <QFileInfo>
#include <QFlags>
#include <QString>
#include <optional>

enum class MsgKind { Information, Warning, Confirmation, Error };

enum class MsgButton { None = 0x0, Yes = 0x1, No = 0x2, OK = 0x4, Cancel = 0x8 };
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

// A font as the font dialog offers it, with its colour.
struct FontChoice {
    FontChoice() = default;
    FontChoice(QString family, int pointSize, bool bold, bool italic, bool underline, bool strikeOut,
               std::optional<quint32> colour = std::nullopt)
        : family(std::move(family)), pointSize(pointSize), bold(bold), italic(italic), underline(underline),
          strikeOut(strikeOut), colour(colour) {}

    QString family;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // 0xRRGGBB; none: the desktop's text colour, which follows a change of theme.
    std::optional<quint32> colour;
    bool operator==(const FontChoice&) const = default;
};

// One use of the save dialog (export, installer download) with what it remembers between its own
// uses, so that one use never sends another to its folder.
struct SaveDialogState {
    QString title = QStringLiteral("Save As");
    // Filter in the "Description|*.ext|Description|*.ext" form.
    QString filter = QStringLiteral("Text File (*.txt)|*.txt|All Files (*.*)|*.*");
    QString defaultExtension = QStringLiteral("txt"); // added when the user types a name without one
    QString initialFolder; // where the dialog opens: the last chosen file's folder once there is one
    QString fileName;      // the last chosen file (absolute), or a bare name to start with
    bool overwritePrompt = true;

    void remember(const QString& chosenFile) {
        fileName = chosenFile;
        initialFolder = QFileInfo(chosenFile).absolutePath();
    }
};

// Every question the program puts to the user goes through here, so that tests can answer them
// from a script and the real program shows them as Qt dialogs with the caption "Quillnote".
class IPrompts {
public:
    virtual ~IPrompts() = default;

    // A modal message box of the given kind; returns the button pressed (closing the box is Cancel).
    virtual MsgButton messageDlg(const QString& text, MsgKind kind, MsgButtons buttons) = 0;
    // A plain message box with only an OK button and no icon.
    virtual void plainMessage(const QString& text) = 0;
    // The font dialog with a colour choice, starting at `initial`; nullopt when the user cancels.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) {
        Q_UNUSED(initial);
        return std::nullopt;
    }
    // The save dialog; returns the chosen file (with the default extension added when the typed name
    // has none) and remembers it with its folder in `state`; nullopt when the user cancels.
    virtual std::optional<QString> chooseSaveFile(SaveDialogState& state) {
        Q_UNUSED(state);
        return std::nullopt;
    }
    // A folder picker starting at `initial`; nullopt when the user cancels.
    virtual std::optional<QString> chooseFolder(const QString& caption, const QString& initial) {
        Q_UNUSED(caption);
        Q_UNUSED(initial);
        return std::nullopt;
    }
};
