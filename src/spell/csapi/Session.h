#pragma once

#include "MainDictionary.h"
#include "UserDictionary.h"
#include "csapi.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace csapi {

// What a buffer check carries over to the next call of a paragraph: whether the next word starts a
// sentence, the previous word (for repeats) and what stood before the current blanks.
struct ScanState {
    enum class Before { Nothing, Word, SentenceEnd, Punctuation };
    bool sentenceStart = false;
    std::string lastWord; // lower case; empty when something other than blanks followed it
    Before before = Before::Nothing;
};

struct Finding {
    SCRS status = scrsNoErrors;
    std::size_t start = 0;
    std::size_t length = 0;
    std::string replacement; // for change always / change once
};

// One SpellInit: the special characters, options, open dictionaries, the session's change and
// ignore lists, the state carried between the checks of a paragraph, and the suggestion pages.
class Session {
public:
    explicit Session(const WSC& wsc);

    void setOptions(uint32_t options) { m_options = options; }
    uint32_t options() const { return m_options; }

    SEC openMainDictionary(const std::string& path, const char* exclusionPath, bool createExclusion,
                           LID language, MDRS& record);
    SEC closeMainDictionary(const MDRS& record);
    SEC openUserDictionary(const std::string& path, bool create, uint16_t property, UDR& udr, bool& readOnly);
    SEC closeUserDictionary(UDR udr);
    UserDictionary* userDictionary(UDR udr);
    bool hasOpenDictionaries() const { return !m_mainDictionaries.empty() || m_userDictionaries.size() > 3; }

    SEC check(CC command, const SIB& input, SRB& output);
    SEC listUserDictionary(UDR udr, uint16_t start, SRB& output);

private:
    struct Lists {
        std::vector<const MainDictionary*> main;
        std::vector<const UserDictionary*> words;
        std::vector<const UserDictionary*> excluded;
        std::vector<const UserDictionary*> changeOnce;
        std::vector<const UserDictionary*> changeAlways;
    };
    SEC listsFor(const SIB& input, Lists& lists) const;

    class Scan;
    SCRS verifyWord(const Lists& lists, std::string_view word, std::string& replacement) const;
    std::vector<std::string> suggestionsFor(const Lists& lists, const std::string& word) const;
    SCRS writeSuggestions(SRB& output);
    bool isWordChar(const Lists& lists, char32_t c) const;

    char32_t m_hardHyphen = U'-';
    char32_t m_softHyphen = 31;
    char32_t m_nonBreakingHyphen = 30;
    char32_t m_emDash = U'\u2014';
    char32_t m_enDash = U'\u2013';
    char32_t m_ellipsis = U'\u2026';
    uint32_t m_options = 0;

    std::map<MDR, std::unique_ptr<MainDictionary>> m_mainDictionaries;
    std::map<MDR, UDR> m_exclusions;
    std::map<UDR, std::unique_ptr<UserDictionary>> m_userDictionaries;
    MDR m_nextMdr = 1;
    UDR m_nextUdr = 1;

    ScanState m_carried;
    // The last finding of a buffer check, with the state before it: a check that begins again at
    // the flagged text (after the word was added) must not see that word as its own predecessor.
    std::string m_findingText;
    ScanState m_beforeFinding;

    std::vector<std::string> m_suggestions;
    std::size_t m_nextSuggestion = 0;
    bool m_suggesting = false;
};

} // namespace csapi
