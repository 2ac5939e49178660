#include "Session.h"

#include "Utf8Text.h"

#include <algorithm>
#include <cstring>
#include <unicode/uchar.h>

namespace csapi {

namespace {

constexpr SEC moduleError(int minor) {
    return CSAPI_SEC(secModuleError, minor);
}

bool isLineBreak(char32_t c) {
    return c == 10 || c == 11 || c == 13 || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == 0xA0 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x3000 || isLineBreak(c);
}

// Opening and closing quotes and brackets keep the sentence state of what they enclose.
bool isEnclosing(char32_t c) {
    const auto mask = U_GET_GC_MASK(static_cast<UChar32>(c));
    return c == U'"' || c == U'\'' ||
           (mask & (U_GC_PS_MASK | U_GC_PE_MASK | U_GC_PI_MASK | U_GC_PF_MASK)) != 0;
}

bool isRomanNumeral(std::string_view word) {
    if (word.empty() || word.size() > 15)
        return false;
    const bool upper =
        std::all_of(word.begin(), word.end(), [](char c) { return std::strchr("IVXLCDM", c) && c; });
    const bool lower =
        std::all_of(word.begin(), word.end(), [](char c) { return std::strchr("ivxlcdm", c) && c; });
    return upper || lower;
}

bool looksLikeAddress(std::string_view chunk) {
    if (chunk.find("://") != std::string_view::npos || chunk.find('@') != std::string_view::npos)
        return true;
    return chunk.size() > 4 && toLower(chunk.substr(0, 4)) == "www.";
}

void clearOutput(SRB& output) {
    output.ichError = 0;
    output.cchError = 0;
    output.scrs = scrsNoErrors;
    output.csz = 0;
    output.cchMac = 0;
    if (output.lrgsz && output.cch > 0)
        std::memset(output.lrgsz, 0, std::min<std::size_t>(output.cch, 2));
}

// Writes strings from `next` on as "w1\0w2\0\0"; returns how many fitted.
std::size_t writeStrings(SRB& output, const std::vector<std::string>& strings, std::size_t next) {
    const std::size_t capacity = output.lrgsz ? output.cch : 0;
    std::size_t used = 0;
    std::size_t written = 0;
    for (std::size_t i = next; i < strings.size() && written < 0xFFFF; ++i) {
        const std::string& s = strings[i];
        if (used + s.size() + 2 > capacity)
            break;
        std::memcpy(output.lrgsz + used, s.data(), s.size());
        used += s.size();
        output.lrgsz[used++] = '\0';
        ++written;
    }
    if (used < capacity)
        output.lrgsz[used++] = '\0';
    output.csz = static_cast<uint16_t>(written);
    output.cchMac = static_cast<uint16_t>(used);
    return written;
}

} // namespace

Session::Session(const WSC& wsc) {
    auto character = [](char byte, char32_t fallback) {
        const auto b = static_cast<unsigned char>(byte);
        return b ? fromWindows1252(b) : fallback;
    };
    m_hardHyphen = character(wsc.bHyphenHard, U'-');
    m_softHyphen = character(wsc.bHyphenSoft, 31);
    m_nonBreakingHyphen = character(wsc.bHyphenNonBreaking, 30);
    m_emDash = character(wsc.bEmDash, U'\u2014');
    m_enDash = character(wsc.bEnDash, U'\u2013');
    m_ellipsis = character(wsc.bEllipsis, U'\u2026');
    m_userDictionaries[udrChangeOnce] =
        std::make_unique<UserDictionary>(UserDictionary::Kind::ChangeOnce, "");
    m_userDictionaries[udrChangeAlways] =
        std::make_unique<UserDictionary>(UserDictionary::Kind::ChangeAlways, "");
    m_userDictionaries[udrIgnoreAlways] = std::make_unique<UserDictionary>(UserDictionary::Kind::Words, "");
}

// ---- dictionaries ----

SEC Session::openMainDictionary(const std::string& path, const char* exclusionPath, bool createExclusion,
                                LID language, MDRS& record) {
    SEC error = 0;
    auto dictionary = MainDictionary::open(path, language, error);
    if (!dictionary)
        return error;
    UDR exclusion = 0;
    if (exclusionPath && *exclusionPath) {
        auto list = std::make_unique<UserDictionary>(UserDictionary::Kind::Words, exclusionPath);
        if (const SEC listError = list->open(createExclusion))
            return listError;
        exclusion = m_nextUdr++;
        m_userDictionaries[exclusion] = std::move(list);
    }
    const MDR mdr = m_nextMdr++;
    m_mainDictionaries[mdr] = std::move(dictionary);
    if (exclusion)
        m_exclusions[mdr] = exclusion;
    record.mdr = mdr;
    record.sclid = language;
    record.udrExc = exclusion;
    return 0;
}

SEC Session::closeMainDictionary(const MDRS& record) {
    if (!m_mainDictionaries.erase(record.mdr))
        return moduleError(secInvalidMainDict);
    if (auto it = m_exclusions.find(record.mdr); it != m_exclusions.end()) {
        m_userDictionaries.erase(it->second);
        m_exclusions.erase(it);
    }
    return 0;
}

SEC Session::openUserDictionary(const std::string& path, bool create, uint16_t property, UDR& udr,
                                bool& readOnly) {
    UserDictionary::Kind kind = UserDictionary::Kind::Words;
    if (property == udrChangeOnce)
        kind = UserDictionary::Kind::ChangeOnce;
    else if (property == udrChangeAlways)
        kind = UserDictionary::Kind::ChangeAlways;
    else if (property != udrIgnoreAlways && property != 0)
        return moduleError(secInvalidUdr);
    if (path.empty())
        return CSAPI_SEC(secIOErrorUdr, secFileOpenError);
    if (m_nextUdr >= udrChangeOnce)
        return moduleError(secUdrCountExceeded);
    auto dictionary = std::make_unique<UserDictionary>(kind, path);
    if (const SEC error = dictionary->open(create))
        return error;
    readOnly = dictionary->readOnly();
    udr = m_nextUdr++;
    m_userDictionaries[udr] = std::move(dictionary);
    return 0;
}

SEC Session::closeUserDictionary(UDR udr) {
    // The session's own lists live as long as the session.
    if (udr == udrChangeOnce || udr == udrChangeAlways || udr == udrIgnoreAlways)
        return 0;
    for (const auto& [mdr, exclusion] : m_exclusions)
        if (exclusion == udr)
            return moduleError(secOperNotMatchedUserDict);
    return m_userDictionaries.erase(udr) ? SEC(0) : moduleError(secInvalidUdr);
}

UserDictionary* Session::userDictionary(UDR udr) {
    const auto it = m_userDictionaries.find(udr);
    return it == m_userDictionaries.end() ? nullptr : it->second.get();
}

SEC Session::listsFor(const SIB& input, Lists& lists) const {
    if (input.cMdr == 0 || !input.lrgMdr)
        return moduleError(secMdrCountExceeded);
    if (input.cUdr > 0 && !input.lrgUdr)
        return moduleError(secUdrCountExceeded);
    for (uint16_t i = 0; i < input.cMdr; ++i) {
        const auto it = m_mainDictionaries.find(input.lrgMdr[i]);
        if (it == m_mainDictionaries.end())
            return moduleError(secInvalidMainDict);
        lists.main.push_back(it->second.get());
        if (auto exclusion = m_exclusions.find(input.lrgMdr[i]); exclusion != m_exclusions.end())
            lists.excluded.push_back(m_userDictionaries.at(exclusion->second).get());
    }
    std::vector<UDR> udrs{udrChangeOnce, udrChangeAlways, udrIgnoreAlways};
    for (uint16_t i = 0; i < input.cUdr; ++i)
        udrs.push_back(input.lrgUdr[i]);
    if (m_options & soUseAllOpenUdr)
        for (const auto& [udr, dictionary] : m_userDictionaries)
            udrs.push_back(udr);
    for (const UDR udr : udrs) {
        const auto it = m_userDictionaries.find(udr);
        if (it == m_userDictionaries.end())
            return moduleError(secInvalidUdr);
        const UserDictionary* d = it->second.get();
        if (std::find(lists.excluded.begin(), lists.excluded.end(), d) != lists.excluded.end())
            continue;
        auto& target = d->kind() == UserDictionary::Kind::Words        ? lists.words
                       : d->kind() == UserDictionary::Kind::ChangeOnce ? lists.changeOnce
                                                                       : lists.changeAlways;
        if (std::find(target.begin(), target.end(), d) == target.end())
            target.push_back(d);
    }
    return 0;
}

// ---- words ----

namespace {

bool known(const std::vector<const MainDictionary*>& main, const std::vector<const UserDictionary*>& words,
           const std::string& word) {
    return std::any_of(words.begin(), words.end(), [&](auto* d) { return d->accepts(word); }) ||
           std::any_of(main.begin(), main.end(), [&](auto* d) { return d->spell(word); });
}

} // namespace

// 0, 1 or 5 for a word without its context; 2 or 3 with the replacement for listed words.
SCRS Session::verifyWord(const Lists& lists, std::string_view text, std::string& replacement) const {
    const std::string word(text);
    std::string capitalised;
    for (const auto* d : lists.changeAlways)
        if (const std::string* to = d->changeFor(word, capitalised)) {
            replacement = *to;
            return scrsReturningChangeAlways;
        }
    for (const auto* d : lists.changeOnce)
        if (const std::string* to = d->changeFor(word, capitalised)) {
            replacement = *to;
            return scrsReturningChangeOnce;
        }
    for (const auto* d : lists.excluded)
        if (d->accepts(word))
            return scrsUnknownInputWord;
    int letters = 0;
    bool anyLower = false;
    for (std::size_t i = 0; i < word.size();) {
        const Utf8Char c = decodeAt(word, i);
        letters += isLetter(c.code) ? 1 : 0;
        anyLower = anyLower || isLower(c.code);
        i += c.length;
    }
    if ((m_options & soIgnoreAllCaps) && letters > 0 && !anyLower)
        return scrsNoErrors;
    if ((m_options & soIgnoreSingleLetter) && letters == 1 && decodeAt(word, 0).length == word.size())
        return scrsNoErrors;
    if ((m_options & soIgnoreRomanNumerals) && isRomanNumeral(word))
        return scrsNoErrors;
    if (known(lists.main, lists.words, word))
        return scrsNoErrors;
    for (const std::string& variant : {capitalizeFirst(word), toLower(word)})
        if (variant != word && known(lists.main, lists.words, variant))
            return scrsErrorCapitalization;
    return scrsUnknownInputWord;
}

bool Session::isWordChar(const Lists& lists, char32_t c) const {
    if (isLetter(c) || isDigit(c) || isMark(c))
        return true;
    return std::any_of(lists.main.begin(), lists.main.end(), [&](auto* d) { return d->isWordChar(c); }) &&
           c != U'.' && c != U'-' && c != U'\'' && c != 0x2019;
}

// ---- buffer check ----

// One pass over a buffer: words, blanks and punctuation, stopping at the first finding.
class Session::Scan {
public:
    Scan(const Session& session, const Lists& lists, std::string_view text, ScanState state)
        : state(std::move(state)), s(session), lists(lists), text(text) {}

    bool run();

    Finding finding;
    ScanState beforeFinding;
    ScanState afterFinding;
    ScanState state; // at the end when nothing was found

private:
    struct Token {
        std::size_t start = 0, end = 0;
        std::string spelled;                                     // without soft hyphens
        std::vector<std::pair<std::size_t, std::size_t>> pieces; // between dots and hyphens
        std::size_t firstDot = std::string::npos;
        bool hasLetter = false, hasDigit = false;
    };
    Token readToken(std::size_t from) const;
    bool checkToken(std::size_t& i);
    bool checkPunctuation(std::size_t& i, const Utf8Char& c);
    bool report(SCRS status, std::size_t start, std::size_t length, const ScanState& after,
                std::string replacement = {});
    bool option(uint32_t flag) const { return (s.m_options & flag) != 0; }
    bool isSoftHyphen(char32_t c) const { return c == s.m_softHyphen || c == 0xAD; }
    bool isConnector(char32_t c) const {
        return c == U'.' || c == U'\'' || c == 0x2019 || c == U'-' || c == s.m_hardHyphen ||
               c == s.m_nonBreakingHyphen || c == 0x2010 || c == 0x2011 || isSoftHyphen(c);
    }

    const Session& s;
    const Lists& lists;
    std::string_view text;
    std::size_t lastTokenEnd = std::string::npos;
};

bool Session::Scan::report(SCRS status, std::size_t start, std::size_t length, const ScanState& after,
                           std::string replacement) {
    finding = {status, start, length, std::move(replacement)};
    beforeFinding = state;
    afterFinding = after;
    return true;
}

Session::Scan::Token Session::Scan::readToken(std::size_t from) const {
    Token token;
    token.start = from;
    std::size_t j = from;
    std::size_t pieceStart = from;
    char32_t previous = 0;
    while (j < text.size()) {
        const Utf8Char c = decodeAt(text, j);
        if (c.valid && s.isWordChar(lists, c.code)) {
            token.spelled.append(text.substr(j, c.length));
            token.hasLetter = token.hasLetter || isLetter(c.code);
            token.hasDigit = token.hasDigit || isDigit(c.code);
            previous = c.code;
            j += c.length;
            continue;
        }
        if (!c.valid || j + c.length >= text.size())
            break;
        const Utf8Char next = decodeAt(text, j + c.length);
        const bool betweenDigits = isDigit(previous) && isDigit(next.code);
        const bool joins = next.valid && s.isWordChar(lists, next.code) &&
                           (isConnector(c.code) || ((c.code == U',' || c.code == U':') && betweenDigits));
        if (!joins)
            break;
        const bool splits = !betweenDigits && c.code != U'\'' && c.code != 0x2019 && !isSoftHyphen(c.code);
        if (splits) {
            token.pieces.emplace_back(pieceStart, j);
            pieceStart = j + c.length;
            if (c.code == U'.' && token.firstDot == std::string::npos)
                token.firstDot = j;
        }
        if (!isSoftHyphen(c.code))
            token.spelled.append(text.substr(j, c.length));
        j += c.length;
    }
    token.pieces.emplace_back(pieceStart, j);
    token.end = j;
    return token;
}

bool Session::Scan::checkToken(std::size_t& i) {
    Token token = readToken(i);
    const std::string lower = token.hasLetter ? toLower(token.spelled) : std::string();
    ScanState after{false, lower, ScanState::Before::Word};
    const std::size_t length = token.end - token.start;
    lastTokenEnd = token.end;

    if (option(soFindRepeatWord) && token.hasLetter && !state.lastWord.empty() && lower == state.lastWord)
        return report(scrsRepeatWord, token.start, length, after);
    bool accepted = !token.hasLetter;
    if (!accepted && option(soFindInitialNumerals) && isDigit(decodeAt(text, token.start).code))
        return report(scrsInitialNumeral, token.start, length, after);
    accepted = accepted || (token.hasDigit && option(soIgnoreMixedDigits));
    if (!accepted) {
        std::string replacement;
        const SCRS status = s.verifyWord(lists, token.spelled, replacement);
        if (status == scrsReturningChangeAlways || status == scrsReturningChangeOnce)
            return report(status, token.start, length, after, replacement);
        accepted = status == scrsNoErrors;
        std::string unused;
        if (!accepted && token.end < text.size() && text[token.end] == '.' &&
            s.verifyWord(lists, token.spelled + ".", unused) == scrsNoErrors) {
            // A dotted abbreviation: its period ends no sentence.
            ++token.end;
            accepted = true;
        } else if (!accepted && token.pieces.size() > 1) {
            for (const auto& [from, to] : token.pieces) {
                std::string piece;
                for (std::size_t k = from; k < to;) {
                    const Utf8Char c = decodeAt(text, k);
                    if (!isSoftHyphen(c.code))
                        piece.append(text.substr(k, c.length));
                    k += c.length;
                }
                const SCRS pieceStatus = s.verifyWord(lists, piece, unused);
                if (pieceStatus == scrsUnknownInputWord || pieceStatus == scrsErrorCapitalization)
                    return report(pieceStatus, from, to - from, after);
            }
            if (token.firstDot != std::string::npos && option(soFindMissingSpaces))
                return report(scrsMissingSpace, token.firstDot, token.end - token.firstDot, after);
            accepted = true;
        } else if (!accepted) {
            return report(status, token.start, length, after);
        }
    }
    if (state.sentenceStart && option(soFindUncappedSentences) && isLower(decodeAt(text, token.start).code))
        return report(scrsNoSentenceStartCap, token.start, length, after);
    state = after;
    lastTokenEnd = token.end;
    i = token.end;
    return false;
}

bool Session::Scan::checkPunctuation(std::size_t& i, const Utf8Char& c) {
    const bool sentenceEnd = c.code == U'.' || c.code == U'!' || c.code == U'?';
    if (option(soFindMissingSpaces) && lastTokenEnd == i && c.code < 0x80 &&
        std::strchr(".,;:!?", static_cast<int>(c.code)) && c.code != 0 && i + c.length < text.size()) {
        const Utf8Char next = decodeAt(text, i + c.length);
        if (next.valid && isLetter(next.code)) {
            const Token word = readToken(i + c.length);
            return report(scrsMissingSpace, i, word.end - i,
                          ScanState{false, std::string(), ScanState::Before::Word});
        }
    }
    if (sentenceEnd) {
        state.sentenceStart = true;
        state.before = ScanState::Before::SentenceEnd;
    } else if (!isEnclosing(c.code)) {
        state.before = ScanState::Before::Punctuation;
    }
    state.lastWord.clear();
    i += c.length;
    return false;
}

bool Session::Scan::run() {
    bool chunkStart = true;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char c = decodeAt(text, i);
        if (c.valid && isBlank(c.code)) {
            std::size_t j = i;
            bool spacesOnly = true;
            bool lineBreak = false;
            while (j < text.size()) {
                const Utf8Char d = decodeAt(text, j);
                if (!d.valid || !isBlank(d.code))
                    break;
                spacesOnly = spacesOnly && d.code == U' ';
                lineBreak = lineBreak || isLineBreak(d.code);
                j += d.length;
            }
            const bool afterText =
                state.before == ScanState::Before::Word || state.before == ScanState::Before::Punctuation;
            if (option(soFindExtraSpaces) && spacesOnly && j - i >= 2 && j < text.size() && afterText)
                return report(scrsExtraSpaces, i, j - i + decodeAt(text, j).length, state);
            if (lineBreak)
                state.lastWord.clear();
            i = j;
            chunkStart = true;
            continue;
        }
        if (chunkStart) {
            std::size_t end = i;
            while (end < text.size()) {
                const Utf8Char d = decodeAt(text, end);
                if (d.valid && isBlank(d.code))
                    break;
                end += d.length;
            }
            chunkStart = false;
            if (looksLikeAddress(text.substr(i, end - i))) {
                state = ScanState{false, std::string(), ScanState::Before::Word};
                i = end;
                continue;
            }
        }
        if (c.valid && (isLetter(c.code) || isDigit(c.code))) {
            if (checkToken(i))
                return true;
            continue;
        }
        if (c.valid && (c.code == s.m_emDash || c.code == s.m_enDash || c.code == s.m_ellipsis)) {
            state.lastWord.clear();
            state.before = ScanState::Before::Punctuation;
            i += c.length;
            continue;
        }
        if (checkPunctuation(i, c))
            return true;
    }
    return false;
}

// ---- commands ----

std::vector<std::string> Session::suggestionsFor(const Lists& lists, const std::string& word) const {
    std::vector<std::string> out;
    auto add = [&](std::string s) {
        if (!s.empty() && s != word && std::find(out.begin(), out.end(), s) == out.end())
            out.push_back(std::move(s));
    };
    if (m_options & soSuggestFromUserDict) {
        const std::string lower = toLower(word);
        const int limit = lower.size() <= 4 ? 1 : 2;
        for (const UserDictionary* d : lists.words) {
            if (d->path().empty())
                continue; // the ignore-all list holds no proposals
            for (const std::string& entry : d->words())
                if (editDistance(toLower(entry), lower, limit) <= limit)
                    add(entry);
        }
    }
    for (const MainDictionary* d : lists.main)
        for (std::string& s : d->suggest(word))
            add(std::move(s));
    return out;
}

SCRS Session::writeSuggestions(SRB& output) {
    if (m_nextSuggestion >= m_suggestions.size()) {
        writeStrings(output, {}, 0);
        return scrsNoMoreSuggestions;
    }
    const std::size_t first = m_nextSuggestion;
    const std::size_t written = writeStrings(output, m_suggestions, first);
    if (written == 0) {
        // Dropped, so that a caller asking for more until "no more suggestions" always gets there.
        ++m_nextSuggestion;
        return scrsMoreInfoThanBufferCouldHold;
    }
    m_nextSuggestion += written;
    if ((m_options & soRateSuggestions) && output.lrgbRating)
        for (std::size_t k = 0; k < written && k < output.cbRate; ++k)
            output.lrgbRating[k] =
                static_cast<uint8_t>(std::max<int>(1, 255 - 8 * static_cast<int>(first + k)));
    return scrsNoErrors;
}

SEC Session::check(CC command, const SIB& input, SRB& output) {
    clearOutput(output);
    if (input.cch > 0 && !input.lrgch)
        return moduleError(secInvalidUdrEntry);
    const std::string_view text(input.lrgch ? input.lrgch : "", input.cch);

    if (command == sccSuggestMore) {
        output.scrs = m_suggesting ? writeSuggestions(output) : SCRS(scrsNoMoreSuggestions);
        return 0;
    }
    if (command != sccVerifyWord && command != sccVerifyBuffer && command != sccSuggest)
        return moduleError(secInvalidCommand);
    for (auto& [udr, dictionary] : m_userDictionaries)
        dictionary->refresh();
    Lists lists;
    if (const SEC error = listsFor(input, lists))
        return error;

    if (command == sccSuggest) {
        m_suggestions = suggestionsFor(lists, std::string(text));
        m_nextSuggestion = 0;
        m_suggesting = true;
        output.scrs = writeSuggestions(output);
        return 0;
    }

    Finding found;
    if (command == sccVerifyWord) {
        found.status = text.empty() ? SCRS(scrsNoErrors) : verifyWord(lists, text, found.replacement);
        found.length = found.status ? text.size() : 0;
    } else {
        ScanState start;
        if (input.wSpellState & sstateStartsSentence) {
            start.sentenceStart = true;
        } else if (input.wSpellState & sstateIsContinued) {
            start = m_carried;
            const std::size_t n = m_findingText.size();
            if (n > 0 && text.substr(0, n) == m_findingText &&
                (n == text.size() || !isWordChar(lists, decodeAt(text, n).code)))
                start = m_beforeFinding;
        }
        Scan scan(*this, lists, text, start);
        m_findingText.clear();
        if (scan.run()) {
            found = scan.finding;
            m_carried = scan.afterFinding;
            m_beforeFinding = scan.beforeFinding;
            m_findingText = std::string(text.substr(found.start, found.length));
        } else {
            m_carried = scan.state;
        }
    }
    output.scrs = found.status;
    output.ichError = static_cast<uint16_t>(found.start);
    output.cchError = static_cast<uint16_t>(found.length);
    if (found.status == scrsReturningChangeAlways || found.status == scrsReturningChangeOnce)
        if (writeStrings(output, {found.replacement}, 0) == 0)
            output.scrs = scrsMoreInfoThanBufferCouldHold;
    return 0;
}

SEC Session::listUserDictionary(UDR udr, uint16_t start, SRB& output) {
    clearOutput(output);
    const UserDictionary* d = userDictionary(udr);
    if (!d)
        return moduleError(secInvalidUdr);
    const std::vector<std::string> strings = d->strings();
    const std::size_t first = std::min<std::size_t>(start, strings.size());
    const std::size_t written = writeStrings(output, strings, first);
    output.scrs = first + written < strings.size() ? scrsMoreInfoThanBufferCouldHold : scrsNoErrors;
    return 0;
}

} // namespace csapi
