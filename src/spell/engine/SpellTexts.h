#pragma once

#include "spell/engine/SpellTypes.h"

#include <QString>
#include <array>

// The texts the spelling subsystem shows, in the order of every table. Entries with %s or %d take
// exactly one argument.
enum class SpellText {
    VariantsLabel,
    DeleteButton,
    ChangeButton,
    ChangeAllButton,
    SkipButton,
    SkipAllButton,
    AddButton,
    CancelButton,
    UndoEditButton,
    UnknownWord,
    IllegalHyphenation,
    CapitalizationError,
    PossibleAbbreviation,
    SentenceCapitalizationError,
    ExtraSpaces,
    MissingSpace,
    InitialNumerals,
    RepeatedWord,
    CheckComplete,
    MessageCaption,
    DialogCaption,        // %s: the language
    SpellingErrorNumber,  // %d: the library's status
    LibraryNotLoaded,     // %s: the library's path
    LibraryNotUnloaded,   // %s: the library's path
    LanguageNotInstalled, // %s: the language
    StartButton,
};

// One table for the whole program, filled from the set chosen by a checker's UserLanguage.
constexpr int SpellTextCount = int(SpellText::StartButton) + 1;
using SpellTextTable = std::array<QString, SpellTextCount>;

// The table readers index; empty until a checker's UserLanguage is set.
extern SpellTextTable SpellTexts;
// The application's own set, used for Other; holds the English texts from the start.
extern SpellTextTable otherSpellTexts;

const SpellTextTable& englishSpellTexts();
const SpellTextTable& germanSpellTexts();
// Refills SpellTexts from the set `language` selects.
void loadSpellTexts(TextLanguage language);
// An entry of SpellTexts; with `englishFallback`, the English text while the table is still empty.
const QString& spellText(SpellText entry, bool englishFallback = false);
// An entry with its one argument put in (%s or %d).
QString formatSpellText(SpellText entry, const QString& argument);
QString formatSpellText(SpellText entry, int argument);
