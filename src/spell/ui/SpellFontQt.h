#pragma once

#include "spell/engine/TSpellChecker.h"

#include <QColor>
#include <QFont>

// The checker's fonts as the widgets use them.
QFont toQFont(const SpellFont& font);
QColor misspellColor(const TMisspellFont& font);
// The misspelling font: `base` with the name and style of `font`.
QFont misspellQFont(const TMisspellFont& font, const QFont& base);
