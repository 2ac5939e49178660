#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace csapi {

// One decoded character; an invalid byte decodes as itself with `valid` false and length 1, so a
// scan always moves on.
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};
Utf8Char decodeAt(std::string_view text, std::size_t offset);
bool isValidUtf8(std::string_view text);

bool isLetter(char32_t c);
bool isDigit(char32_t c);
bool isMark(char32_t c);
bool isUpper(char32_t c);
bool isLower(char32_t c);

std::string toLower(std::string_view utf8);
std::string toUpper(std::string_view utf8);
// First character upper-cased, the rest unchanged.
std::string capitalizeFirst(std::string_view utf8);
// Edit distance in characters, stopping early once it exceeds `limit`.
int editDistance(std::string_view a, std::string_view b, int limit);

// A windows-1252 byte of the special-character record as a Unicode character.
char32_t fromWindows1252(unsigned char byte);

// Converts between UTF-8 and a dictionary's own encoding (hunspell's SET name); identity for UTF-8.
class EncodingConverter {
public:
    explicit EncodingConverter(const std::string& dictionaryEncoding);
    ~EncodingConverter();
    EncodingConverter(const EncodingConverter&) = delete;
    EncodingConverter& operator=(const EncodingConverter&) = delete;

    bool usable() const { return m_identity || (m_toDictionary && m_fromDictionary); }
    // nullopt when the text has characters the encoding cannot hold.
    std::optional<std::string> toDictionary(std::string_view utf8) const;
    std::optional<std::string> fromDictionary(std::string_view text) const;

private:
    bool m_identity = true;
    void* m_toDictionary = nullptr;
    void* m_fromDictionary = nullptr;
};

} // namespace csapi
