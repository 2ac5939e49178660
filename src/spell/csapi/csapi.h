/* Quillnote speller library: the Common Speller API entry points over hunspell dictionaries.
 *
 * Types have fixed widths and records their natural alignment, so that the layout is the same for
 * every compiler on a platform (SIB 32 bytes, SRB 40 bytes, MDRS 12 bytes on 64-bit Linux).
 *
 * Text at this interface is UTF-8. Every text length and offset (SIB.cch, SRB.ichError,
 * SRB.cchError, SRB.cch, SRB.cchMac) counts bytes, and an offset always falls on a character
 * boundary. Paths are file-system bytes. Words passed to the user-dictionary calls are
 * NUL-terminated UTF-8. The special-character record (WSC) is read as windows-1252, so that its em
 * dash, en dash and ellipsis bytes stand for U+2014, U+2013 and U+2026 in the UTF-8 text.
 *
 * SpellCheck reports these statuses: 0, 1, 2, 3 (the replacement is the first string of lrgsz), 5,
 * 8, 9, 10, 11, 12, 13 and 14. It never reports 4 (invalid hyphenation) nor 7 (hyphenation changes
 * spelling), because hunspell dictionaries carry no hyphenation rules, so the hyphenation command
 * (5) is refused as an invalid command; wildcard (6) and anagram (7) are refused too. Status 6 is not
 * reported either: dotted abbreviations the dictionary knows pass, others are unknown words.
 *
 * Options honoured: suggest from user dictionary, ignore all caps, ignore mixed digits, ignore Roman
 * numerals, find uncapped sentences, find missing spaces, find repeat word, find extra spaces, rate
 * suggestions, find initial numerals, use all open user dictionaries, ignore single letter. The
 * others are accepted and have no effect.
 *
 * Every entry point returns a SEC: 0 on success, else the major code in the low byte and the minor
 * code in the high byte. No entry point lets an exception out, and all of them may be called from
 * several threads (calls are serialised).
 */
#ifndef QUILL_CSAPI_H
#define QUILL_CSAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define CSAPI_EXPORT __attribute__((visibility("default")))
#else
#define CSAPI_EXPORT
#endif

typedef uint32_t MDR;   /* main dictionary reference */
typedef uint32_t UDR;   /* user dictionary reference */
typedef uint32_t SPLID; /* speller session */
typedef uint16_t CC;    /* check command */
typedef uint16_t SCRS;  /* check result status */
typedef uint16_t LID;   /* locale id */
typedef uint16_t SEC;   /* error code */
typedef uint16_t CSAPI_WORD;
typedef int32_t CSAPI_BOOL;
typedef char CSAPI_CHAR;

/* Special characters, one byte each (windows-1252). */
typedef struct WSC {
    CSAPI_CHAR bIgnore;
    CSAPI_CHAR bHyphenHard;
    CSAPI_CHAR bHyphenSoft;
    CSAPI_CHAR bHyphenNonBreaking;
    CSAPI_CHAR bEmDash;
    CSAPI_CHAR bEnDash;
    CSAPI_CHAR bEllipsis;
    CSAPI_CHAR rgLineBreak[2];
    CSAPI_CHAR rgParaBreak[2];
} WSC;

/* Input of SpellCheck. */
typedef struct SIB {
    uint16_t cch;         /* bytes of lrgch */
    uint16_t cMdr;        /* entries of lrgMdr */
    uint16_t cUdr;        /* entries of lrgUdr */
    uint16_t wSpellState; /* SpellState flags */
    const CSAPI_CHAR* lrgch;
    const MDR* lrgMdr;
    const UDR* lrgUdr;
} SIB;

/* Output of SpellCheck and SpellGetListUdr; the caller sets cch, lrgsz, lrgbRating and cbRate. */
typedef struct SRB {
    uint16_t ichError;
    uint16_t cchError;
    SCRS scrs;
    uint16_t csz;      /* strings written to lrgsz */
    uint16_t cchMac;   /* bytes used in lrgsz, the closing empty string included */
    uint16_t cch;      /* size of lrgsz */
    CSAPI_CHAR* lrgsz; /* "w1\0w2\0\0" */
    uint8_t* lrgbRating;
    uint16_t cbRate; /* size of lrgbRating */
} SRB;

/* Filled by SpellOpenMdr. */
typedef struct MDRS {
    MDR mdr;
    LID sclid;
    UDR udrExc; /* exclusion dictionary, 0 when none */
} MDRS;

enum SpellCommand {
    sccVerifyWord = 1,
    sccVerifyBuffer = 2,
    sccSuggest = 3,
    sccSuggestMore = 4,
    sccHyphInfo = 5,
    sccWildcard = 6,
    sccAnagram = 7
};

enum SpellState {
    sstateNone = 0x0,
    sstateIsContinued = 0x1,
    sstateStartsSentence = 0x2,
    sstateIsEditedChange = 0x4
};

enum SpellStatus {
    scrsNoErrors = 0,
    scrsUnknownInputWord = 1,
    scrsReturningChangeAlways = 2,
    scrsReturningChangeOnce = 3,
    scrsInvalidHyphenation = 4,
    scrsErrorCapitalization = 5,
    scrsWordConsideredAbbreviation = 6,
    scrsHyphChangesSpelling = 7,
    scrsNoMoreSuggestions = 8,
    scrsMoreInfoThanBufferCouldHold = 9,
    scrsNoSentenceStartCap = 10,
    scrsRepeatWord = 11,
    scrsExtraSpaces = 12,
    scrsMissingSpace = 13,
    scrsInitialNumeral = 14
};

enum SpellMajorError {
    secNOERRORS = 0,
    secOOM = 1,
    secModuleError = 2,
    secIOErrorMdr = 3,
    secIOErrorUdr = 4
};

enum SpellMinorError {
    secModuleAlreadyBusy = 128,
    secInvalidID = 129,
    secInvalidWsc = 130,
    secInvalidMainDict = 131,
    secInvalidUdr = 132,
    secInvalidCommand = 133,
    secInvalidMainDictFile = 134,
    secOperNotMatchedUserDict = 135,
    secFileReadError = 136,
    secFileWriteError = 137,
    secFileCreateError = 138,
    secFileShareError = 139,
    secModuleNotTerminated = 140,
    secUserDictFull = 141,
    secInvalidUdrEntry = 142,
    secUdrEntryTooLong = 143,
    secMdrCountExceeded = 144,
    secUdrCountExceeded = 145,
    secFileOpenError = 146,
    secFileTooLargeError = 147,
    secUdrReadOnly = 148
};

enum SpellOptionFlag {
    soSuggestFromUserDict = 0x1,
    soIgnoreAllCaps = 0x2,
    soIgnoreMixedDigits = 0x4,
    soIgnoreRomanNumerals = 0x8,
    soFindUncappedSentences = 0x10,
    soFindMissingSpaces = 0x20,
    soFindRepeatWord = 0x40,
    soFindExtraSpaces = 0x80,
    soFindSpacesBeforePunc = 0x100,
    soFindSpacesAfterPunc = 0x200,
    soRateSuggestions = 0x400,
    soFindInitialNumerals = 0x800,
    soReportUDHits = 0x1000,
    soQuickSuggest = 0x2000,
    soUseAllOpenUdr = 0x4000,
    soSwapMdr = 0x8000,
    soSglStepSugg = 0x10000,
    soIgnoreSingleLetter = 0x20000
};

/* Reserved user-dictionary references, also the property types of SpellOpenUdr. A dictionary
 * opened with udrIgnoreAlways (or 0) holds words; one opened with udrChangeOnce or udrChangeAlways
 * holds pairs, stored one per line as "word<TAB>replacement". The three references themselves name
 * the session's in-memory lists. */
enum { udrChangeOnce = 0xFFFC, udrChangeAlways = 0xFFFD, udrIgnoreAlways = 0xFFFE };

CSAPI_EXPORT SEC SpellVer(CSAPI_WORD* pwVer, CSAPI_WORD* pwEngine, CSAPI_WORD* pwSpellType);
CSAPI_EXPORT SEC SpellInit(SPLID* pSplid, const WSC* pWsc);
CSAPI_EXPORT SEC SpellOptions(SPLID splid, uint32_t options);
CSAPI_EXPORT SEC SpellCheck(SPLID splid, CC command, const SIB* pSib, SRB* pSrb);
CSAPI_EXPORT SEC SpellTerminate(SPLID splid, CSAPI_BOOL force);
CSAPI_EXPORT SEC SpellVerifyMdr(const CSAPI_CHAR* mainPath, LID lid, LID* pLid);
CSAPI_EXPORT SEC SpellOpenMdr(SPLID splid, const CSAPI_CHAR* mainPath, const CSAPI_CHAR* exclusionPath,
                              CSAPI_BOOL createExclusion, CSAPI_BOOL cache, LID lid, MDRS* pMdrs);
CSAPI_EXPORT SEC SpellOpenUdr(SPLID splid, const CSAPI_CHAR* path, CSAPI_BOOL create, CSAPI_WORD property,
                              UDR* pUdr, CSAPI_BOOL* pReadOnly);
CSAPI_EXPORT SEC SpellAddUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word);
CSAPI_EXPORT SEC SpellAddChangeUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word,
                                   const CSAPI_CHAR* replacement);
CSAPI_EXPORT SEC SpellDelUdr(SPLID splid, UDR udr, const CSAPI_CHAR* word);
CSAPI_EXPORT SEC SpellClearUdr(SPLID splid, UDR udr);
CSAPI_EXPORT SEC SpellGetSizeUdr(SPLID splid, UDR udr, int32_t* pCount);
CSAPI_EXPORT SEC SpellGetListUdr(SPLID splid, UDR udr, CSAPI_WORD start, SRB* pSrb);
CSAPI_EXPORT SEC SpellCloseMdr(SPLID splid, MDRS* pMdrs);
CSAPI_EXPORT SEC SpellCloseUdr(SPLID splid, UDR udr, CSAPI_BOOL force);

/* An error code from its major and minor parts. */
#define CSAPI_SEC(major, minor) ((SEC)((major) | ((minor) << 8)))

#ifdef __cplusplus
}
#endif

#endif
