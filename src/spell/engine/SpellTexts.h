#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <array>

// The 26 texts the spelling subsystem shows, one table for the whole program, filled from the set
// chosen by a checker's UserLanguage. Entries with %s or %d take exactly one argument.
constexpr int SpellTextCount = 26;
using SpellTextTable = std::array<QString, SpellTextCount>;

// The table readers index; empty until a checker's UserLanguage is set.
extern SpellTextTable SpellTexts;
// The application's own set, used for Other; holds the English texts from the start.
extern SpellTextTable otherSpellTexts;

const SpellTextTable& englishSpellTexts();
const SpellTextTable& germanSpellTexts();
// Refills SpellTexts from the set `language` selects.
void loadSpellTexts(TextLanguage language);
// An entry with its one argument put in (%s or %d).
QString formatSpellText(int entry, const QString& argument);
QString formatSpellText(int entry, int argument);
