#pragma once

#include "csapi.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace csapi {

// A list of words (user dictionary, ignore-all list, exclusion list) or of change pairs, kept in
// memory or in a file of UTF-8 lines ("word" or "word<TAB>replacement"). Every change to a file
// reads it again first, so that two sessions sharing one file never drop each other's words, and
// replaces it atomically (temporary file, fsync, rename): a failed write keeps the old file.
// Lines this class does not understand are kept as they are.
class UserDictionary {
public:
    enum class Kind { Words, ChangeOnce, ChangeAlways };

    UserDictionary(Kind kind, std::string path);

    // Reads the file, creating an empty one when it is missing and `create` is set.
    SEC open(bool create);
    bool readOnly() const { return m_readOnly; }
    Kind kind() const { return m_kind; }
    const std::string& path() const { return m_path; }

    // Reads the file again when another session (or program) has replaced it since.
    void refresh();

    SEC add(std::string_view word);
    SEC addChange(std::string_view word, std::string_view replacement);
    SEC remove(std::string_view word);
    SEC clear();

    // Also accepts the capitalised and the upper-case forms of a lower-case entry.
    bool accepts(std::string_view word) const;
    // The replacement for the word; a capitalised word gets a capitalised replacement.
    const std::string* changeFor(std::string_view word, std::string& capitalised) const;

    std::size_t size() const { return m_entries.size(); }
    // Every entry as strings: one per word, two per pair.
    std::vector<std::string> strings() const;
    const std::vector<std::string>& words() const { return m_entries; }

    static constexpr std::size_t MaxEntryBytes = 255;
    static constexpr std::size_t MaxFileBytes = 16 * 1024 * 1024;

private:
    SEC readFile(std::vector<std::string>& lines) const;
    SEC writeFile(const std::vector<std::string>& lines) const;
    // Re-reads the file, applies `change` to its lines and writes them back.
    template <class Change> SEC update(Change change);
    void index(std::vector<std::string> lines);
    // What identifies the file's current content: inode, size and change time.
    std::string stampOfFile() const;

    Kind m_kind;
    std::string m_path; // empty: in memory only
    bool m_readOnly = false;
    std::string m_stamp;
    std::vector<std::string> m_lines;   // as in the file
    std::vector<std::string> m_entries; // words, or the first halves of pairs
    std::unordered_set<std::string> m_words;
    std::unordered_map<std::string, std::string> m_changes;
};

// Whether a word may be stored: valid UTF-8, not empty, no control characters, not too long.
SEC checkEntry(std::string_view word);

} // namespace csapi
