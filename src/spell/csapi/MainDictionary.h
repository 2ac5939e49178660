#pragma once

#include "Utf8Text.h"
#include "csapi.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class Hunspell;

namespace csapi {

// A hunspell dictionary (the .dic file with its .aff beside it), spoken to in UTF-8.
class MainDictionary {
public:
    // The dictionary, or nullptr with `error` set when its files are missing, unreadable or damaged.
    static std::unique_ptr<MainDictionary> open(const std::string& dicPath, LID language, SEC& error);
    ~MainDictionary();

    bool spell(const std::string& word) const;
    std::vector<std::string> suggest(const std::string& word) const;
    // Characters the dictionary counts as word characters besides letters and digits.
    bool isWordChar(char32_t c) const { return m_wordChars.count(c) != 0; }
    LID language() const { return m_language; }

private:
    MainDictionary() = default;

    std::unique_ptr<Hunspell> m_hunspell;
    std::unique_ptr<EncodingConverter> m_converter;
    std::unordered_set<char32_t> m_wordChars;
    LID m_language = 0;
};

// Checks that a main dictionary's two files are there, readable and look like a dictionary.
SEC verifyDictionaryFiles(const std::string& dicPath);

} // namespace csapi
