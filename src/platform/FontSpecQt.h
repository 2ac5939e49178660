#pragma once

#include "platform/Prompts.h"

#include <QFont>

// FontSpec, as the font dialog and the settings speak of fonts, to and from QFont.
inline FontSpec fontSpecOf(const QFont& font) {
    return {font.family(), font.pointSize(), font.bold(), font.italic(), font.underline(), font.strikeOut()};
}

// `base` keeps whatever FontSpec does not say (e.g. hinting).
inline QFont fontOf(const FontSpec& spec, QFont base = QFont()) {
    base.setFamily(spec.family);
    if (spec.pointSize > 0)
        base.setPointSize(spec.pointSize);
    base.setBold(spec.bold);
    base.setItalic(spec.italic);
    base.setUnderline(spec.underline);
    base.setStrikeOut(spec.strikeOut);
    return base;
}
