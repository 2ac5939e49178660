#pragma once

#include "platform/Prompts.h"
#include "store/SettingsStore.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

// The colour a field's text was given; none while it follows the desktop's text colour.
inline std::optional<QColor> chosenTextColour(const QWidget& field) {
    const QPalette palette = field.palette();
    if (!palette.isBrushSet(QPalette::Active, QPalette::Text))
        return std::nullopt;
    return palette.color(QPalette::Active, QPalette::Text);
}

// Gives a field's text a colour of its own, or (none) hands it back to the desktop's text colour,
// keeping any other colour the field was given.
inline void setChosenTextColour(QWidget& field, const std::optional<QColor>& colour) {
    QPalette palette;
    const QPalette own = field.palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = QPalette::ColorGroup(group);
            const auto r = QPalette::ColorRole(role);
            if (r != QPalette::Text && own.isBrushSet(g, r))
                palette.setBrush(g, r, own.brush(g, r));
        }
    }
    if (colour)
        palette.setColor(QPalette::Text, *colour);
    field.setPalette(palette);
}

// FontChoice, as the font dialog and the settings speak of fonts, to and from QFont and QColor.
inline FontChoice fontChoiceOf(const QFont& font, const std::optional<QColor>& colour = std::nullopt) {
    FontChoice choice{font.family(), font.pointSize(), font.bold(),
                      font.italic(), font.underline(), font.strikeOut()};
    if (colour)
        choice.colour = colour->rgb() & 0xFFFFFFu;
    return choice;
}

inline std::optional<QColor> colourOf(const FontChoice& choice) {
    if (!choice.colour)
        return std::nullopt;
    return QColor::fromRgb(*choice.colour | 0xFF000000u);
}

// `base` keeps whatever FontChoice does not say (e.g. hinting).
inline QFont fontOf(const FontChoice& choice, QFont base = QFont()) {
    base.setFamily(choice.family);
    if (choice.pointSize > 0)
        base.setPointSize(choice.pointSize);
    base.setBold(choice.bold);
    base.setItalic(choice.italic);
    base.setUnderline(choice.underline);
    base.setStrikeOut(choice.strikeOut);
    return base;
}

// An invalid colour stands for the default text colour and is stored as the window-text constant.
inline int colourValue(const QColor& colour) {
    if (!colour.isValid())
        return WindowTextColourValue;
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

// System colour constants, window text or any other, give `windowText`: the only system colour a
// stored font colour meets in practice is the default text colour. The platform's palette flags in the
// high byte (other than 0xFF) do not exist here; the low three bytes are taken as the colour.
inline QColor colourFromValue(int value, const QColor& windowText) {
    if (isSystemColourValue(value))
        return windowText;
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}
