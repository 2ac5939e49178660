#include "MainDictionary.h"

#include <cctype>
#include <fstream>
#include <hunspell/hunspell.hxx>
#include <sys/stat.h>

namespace csapi {

namespace {

constexpr SEC mdrError(int minor) {
    return CSAPI_SEC(secIOErrorMdr, minor);
}

std::string affixPathOf(const std::string& dicPath) {
    const auto dot = dicPath.rfind('.');
    const auto slash = dicPath.rfind('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? dicPath.substr(0, dot) : dicPath) + ".aff";
}

SEC checkReadable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return mdrError(secFileOpenError);
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return mdrError(secFileReadError);
    return 0;
}

} // namespace

SEC verifyDictionaryFiles(const std::string& dicPath) {
    if (dicPath.empty())
        return mdrError(secFileOpenError);
    if (const SEC error = checkReadable(dicPath))
        return error;
    if (const SEC error = checkReadable(affixPathOf(dicPath)))
        return error;
    // hunspell loads anything without complaint; a .dic begins with its word count.
    std::ifstream dic(dicPath, std::ios::binary);
    std::string first;
    std::getline(dic, first);
    if (first.compare(0, 3, "\xEF\xBB\xBF") == 0)
        first.erase(0, 3);
    if (first.empty() || !std::isdigit(static_cast<unsigned char>(first[0])))
        return mdrError(secInvalidMainDictFile);
    return 0;
}

std::unique_ptr<MainDictionary> MainDictionary::open(const std::string& dicPath, LID language, SEC& error) {
    error = verifyDictionaryFiles(dicPath);
    if (error)
        return nullptr;
    std::unique_ptr<MainDictionary> dictionary(new MainDictionary);
    dictionary->m_hunspell = std::make_unique<Hunspell>(affixPathOf(dicPath).c_str(), dicPath.c_str());
    dictionary->m_converter =
        std::make_unique<EncodingConverter>(dictionary->m_hunspell->get_dict_encoding());
    if (!dictionary->m_converter->usable()) {
        error = mdrError(secInvalidMainDictFile);
        return nullptr;
    }
    dictionary->m_language = language;
    if (auto chars = dictionary->m_converter->fromDictionary(dictionary->m_hunspell->get_wordchars_cpp())) {
        for (std::size_t i = 0; i < chars->size();) {
            const Utf8Char c = decodeAt(*chars, i);
            if (c.valid)
                dictionary->m_wordChars.insert(c.code);
            i += c.length;
        }
    }
    return dictionary;
}

MainDictionary::~MainDictionary() = default;

bool MainDictionary::spell(const std::string& word) const {
    const auto converted = m_converter->toDictionary(word);
    return converted && m_hunspell->spell(*converted);
}

std::vector<std::string> MainDictionary::suggest(const std::string& word) const {
    std::vector<std::string> out;
    const auto converted = m_converter->toDictionary(word);
    if (!converted)
        return out;
    for (const std::string& suggestion : m_hunspell->suggest(*converted))
        if (auto utf8 = m_converter->fromDictionary(suggestion))
            out.push_back(std::move(*utf8));
    return out;
}

} // namespace csapi
