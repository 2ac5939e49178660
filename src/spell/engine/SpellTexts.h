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
// The application's own set, used for ulOther; holds the English texts from the start.
extern SpellTextTable OtherSpellTexts;

const SpellTextTable& EnglishSpellTexts();
const SpellTextTable& GermanSpellTexts();
// Refills SpellTexts from the set `language` selects.
void LoadSpellTexts(TUserLanguage language);
// An entry with its one argument put in (%s or %d).
QString FormatSpellText(int entry, const QString& argument);
QString FormatSpellText(int entry, int argument);
