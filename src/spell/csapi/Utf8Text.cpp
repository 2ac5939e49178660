#include "Utf8Text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <vector>

namespace csapi {

Utf8Char decodeAt(std::string_view text, std::size_t offset) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    auto i = static_cast<int32_t>(offset);
    const int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0)
        return {static_cast<char32_t>(bytes[start]), 1, false};
    return {static_cast<char32_t>(c), static_cast<std::size_t>(i - start), true};
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Char c = decodeAt(text, i);
        if (!c.valid)
            return false;
        i += c.length;
    }
    return true;
}

bool isLetter(char32_t c) {
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}
bool isDigit(char32_t c) {
    return u_isdigit(static_cast<UChar32>(c));
}
bool isMark(char32_t c) {
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_M_MASK) != 0;
}
bool isUpper(char32_t c) {
    return u_isUUppercase(static_cast<UChar32>(c));
}
bool isLower(char32_t c) {
    return u_isULowercase(static_cast<UChar32>(c));
}

namespace {
icu::UnicodeString unicodeOf(std::string_view utf8) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
}
std::string utf8Of(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}
} // namespace

std::string toLower(std::string_view utf8) {
    return utf8Of(unicodeOf(utf8).toLower(icu::Locale::getRoot()));
}

std::string toUpper(std::string_view utf8) {
    return utf8Of(unicodeOf(utf8).toUpper(icu::Locale::getRoot()));
}

std::string capitalizeFirst(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const Utf8Char first = decodeAt(utf8, 0);
    return toUpper(utf8.substr(0, first.length)) + std::string(utf8.substr(first.length));
}

int editDistance(std::string_view a, std::string_view b, int limit) {
    auto codes = [](std::string_view s) {
        std::vector<char32_t> out;
        for (std::size_t i = 0; i < s.size();) {
            const Utf8Char c = decodeAt(s, i);
            out.push_back(c.code);
            i += c.length;
        }
        return out;
    };
    const auto x = codes(a);
    const auto y = codes(b);
    const int lengthGap = std::abs(static_cast<int>(x.size()) - static_cast<int>(y.size()));
    if (lengthGap > limit)
        return limit + 1;
    std::vector<int> row(y.size() + 1);
    for (std::size_t j = 0; j <= y.size(); ++j)
        row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= x.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        int best = row[0];
        for (std::size_t j = 1; j <= y.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
            diagonal = above;
            best = std::min(best, row[j]);
        }
        if (best > limit)
            return limit + 1;
    }
    return row[y.size()];
}

char32_t fromWindows1252(unsigned char byte) {
    static const char32_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char32_t(byte);
}

namespace {

// hunspell names some encodings its own way.
std::string iconvName(const std::string& name) {
    const std::string prefix = "microsoft-cp";
    if (name.compare(0, prefix.size(), prefix) == 0)
        return "CP" + name.substr(prefix.size());
    return name;
}

std::optional<std::string> convert(void* handle, std::string_view text) {
    auto cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno != E2BIG)
                return std::nullopt;
            const std::size_t used = out.size() - outLeft;
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
    }
    // Stateful encodings write their last character only when flushed.
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

EncodingConverter::EncodingConverter(const std::string& dictionaryEncoding) {
    std::string upper = dictionaryEncoding;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    if (upper.empty() || upper == "UTF-8" || upper == "UTF8")
        return;
    m_identity = false;
    const std::string name = iconvName(dictionaryEncoding);
    iconv_t to = iconv_open(name.c_str(), "UTF-8");
    iconv_t from = iconv_open("UTF-8", name.c_str());
    if (to != reinterpret_cast<iconv_t>(-1))
        m_toDictionary = to;
    if (from != reinterpret_cast<iconv_t>(-1))
        m_fromDictionary = from;
}

EncodingConverter::~EncodingConverter() {
    if (m_toDictionary)
        iconv_close(static_cast<iconv_t>(m_toDictionary));
    if (m_fromDictionary)
        iconv_close(static_cast<iconv_t>(m_fromDictionary));
}

std::optional<std::string> EncodingConverter::toDictionary(std::string_view utf8) const {
    if (m_identity)
        return std::string(utf8);
    return m_toDictionary ? convert(m_toDictionary, utf8) : std::nullopt;
}

std::optional<std::string> EncodingConverter::fromDictionary(std::string_view text) const {
    if (m_identity)
        return std::string(text);
    return m_fromDictionary ? convert(m_fromDictionary, text) : std::nullopt;
}

} // namespace csapi
