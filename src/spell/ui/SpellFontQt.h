#pragma once

#include "spell/engine/SpellChecker.h"

#include <QColor>
#include <QFont>

// The checker's fonts as the widgets use them.
QFont toQFont(const SpellFont& font);
QColor misspellColor(const MisspellingStyle& font);
// The misspelling font: `base` with the name and style of `font`.
QFont misspellQFont(const MisspellingStyle& font, const QFont& base);
