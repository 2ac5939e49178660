#pragma once

#include <QFlags>
#include <QString>
#include <optional>

enum class MsgKind { Information, Warning, Confirmation, Error };

enum class MsgButton { None = 0x0, Yes = 0x1, No = 0x2, OK = 0x4, Cancel = 0x8 };
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

// A font as the font dialog offers it.
struct FontChoice {
    QString family;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontChoice&) const = default;
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
    // The font dialog, starting at `initial`; nullopt when the user cancels.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) {
        Q_UNUSED(initial);
        return std::nullopt;
    }
};
