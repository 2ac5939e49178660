#pragma once

#include "platform/QuillError.h"

#include <QString>
#include <cstdint>

// A Windows-style locale identifier (1033 English US, 2057 English GB, 1031 German, ...); 0 stands
// for an ispell dictionary that names no locale.
using LanguageId = std::uint16_t;

enum class EngineType : std::uint8_t { Library = 0, Ispell = 1 };

enum class TextLanguage { English = 0, Own = 1, Other = 2 };

// Which form of a language's name is shown.
enum class LanguageNameForm { Localized = 0, English = 1, Native = 2, Abbreviation = 3 };

// Option number n is bit n of the option word handed to every engine.
enum class SpellOption : int {
    SuggestFromUserDict = 0,
    IgnoreAllCaps = 1,
    IgnoreMixedDigits = 2,
    IgnoreRomanNumerals = 3,
    FindUncappedSentences = 4,
    FindMissingSpaces = 5,
    FindRepeatWord = 6,
    FindExtraSpaces = 7,
    FindSpacesBeforePunc = 8,
    FindSpacesAfterPunc = 9,
    RateSuggestions = 10,
    FindInitialNumerals = 11,
};

// The option word itself.
using SpellOptionFlags = std::uint16_t;

constexpr SpellOptionFlags spellOption(SpellOption option) {
    return SpellOptionFlags(1u << int(option));
}
constexpr bool hasSpellOption(SpellOptionFlags options, SpellOption option) {
    return (options & spellOption(option)) != 0;
}

// The result of every check of a segment; the values are those of the speller library's status.
enum class SpellResult : std::uint16_t {
    NoErrors = 0,
    UnknownInputWord = 1,
    ReturningChangeAlways = 2,
    ReturningChangeOnce = 3,
    InvalidHyphenation = 4,
    ErrorCapitalization = 5,
    WordConsideredAbbreviation = 6,
    HyphChangesSpelling = 7,
    NoMoreSuggestions = 8,
    MoreInfoThanBufferCouldHold = 9,
    NoSentenceStartCap = 10,
    RepeatWord = 11,
    ExtraSpaces = 12,
    MissingSpace = 13,
    InitialNumeral = 14,
};

// The spelling subsystem's failure, with a message from its text table.
class SpellError : public QuillError {
public:
    using QuillError::QuillError;
};
