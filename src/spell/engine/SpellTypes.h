#pragma once

#include "platform/QuillError.h"

#include <QString>
#include <cstdint>

// A Windows-style locale identifier (1033 English US, 2057 English GB, 1031 German, ...); 0 stands
// for an ispell dictionary that names no locale.
using TLanguage = std::uint16_t;

enum class TSpellerType : std::uint8_t { sptMSOffice = 0, sptISpell = 1 };

enum class TUserLanguage { ulEnglish = 0, ulOwn = 1, ulOther = 2 };

// Which form of a language's name is shown.
enum class TLangOption { loLocalized = 0, loEnglish = 1, loNative = 2, loAbbrev = 3 };

// Option number n is bit n of the option word handed to every engine.
enum TSpellOption : int {
    spoSuggestFromUserDict = 0,
    spoIgnoreAllCaps = 1,
    spoIgnoreMixedDigits = 2,
    spoIgnoreRomanNumerals = 3,
    spoFindUncappedSentences = 4,
    spoFindMissingSpaces = 5,
    spoFindRepeatWord = 6,
    spoFindExtraSpaces = 7,
    spoFindSpacesBeforePunc = 8,
    spoFindSpacesAfterPunc = 9,
    spoRateSuggestions = 10,
    spoFindInitialNumerals = 11,
};

// The option word itself.
using TSpellOptions = std::uint16_t;

constexpr TSpellOptions spellOption(TSpellOption option) {
    return TSpellOptions(1u << option);
}
constexpr bool hasSpellOption(TSpellOptions options, TSpellOption option) {
    return (options & spellOption(option)) != 0;
}

// The result of every check of a segment; the values are those of the speller library's status.
enum class TSpellReturnCode : std::uint16_t {
    srNoErrors = 0,
    srUnknownInputWord = 1,
    srReturningChangeAlways = 2,
    srReturningChangeOnce = 3,
    srInvalidHyphenation = 4,
    srErrorCapitalization = 5,
    srWordConsideredAbbreviation = 6,
    srHyphChangesSpelling = 7,
    srNoMoreSuggestions = 8,
    srMoreInfoThanBufferCouldHold = 9,
    srNoSentenceStartCap = 10,
    srRepeatWord = 11,
    srExtraSpaces = 12,
    srMissingSpace = 13,
    srInitialNumeral = 14,
};

// The spelling subsystem's failure, with a message from its text table.
class ESpellError : public QuillError {
public:
    using QuillError::QuillError;
};
