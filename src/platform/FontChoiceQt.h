#pragma once

#include "platform/Prompts.h"

#include <QFont>

// FontChoice, as the font dialog and the settings speak of fonts, to and from QFont.
inline FontChoice fontChoiceOf(const QFont& font) {
    return {font.family(), font.pointSize(), font.bold(), font.italic(), font.underline(), font.strikeOut()};
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
