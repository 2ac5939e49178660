#include "UserDictionary.h"

#include "Utf8Text.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace csapi {

namespace {

constexpr SEC udrError(int minor) {
    return CSAPI_SEC(secIOErrorUdr, minor);
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void fsyncFolder(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string_view keyOf(std::string_view line) {
    return line.substr(0, line.find('\t'));
}

} // namespace

SEC checkEntry(std::string_view word) {
    if (word.empty() || !isValidUtf8(word))
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    if (word.size() > UserDictionary::MaxEntryBytes)
        return CSAPI_SEC(secModuleError, secUdrEntryTooLong);
    if (std::any_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return CSAPI_SEC(secModuleError, secInvalidUdrEntry);
    return 0;
}

UserDictionary::UserDictionary(Kind kind, std::string path) : m_kind(kind), m_path(std::move(path)) {}

SEC UserDictionary::open(bool create) {
    if (m_path.empty())
        return 0;
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0) {
        if (errno != ENOENT || !create)
            return udrError(secFileOpenError);
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return udrError(secFileCreateError);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
            fsyncFolder(m_path);
        }
    } else if (!S_ISREG(info.st_mode)) {
        return udrError(secFileOpenError);
    }
    std::vector<std::string> lines;
    if (const SEC error = readFile(lines))
        return error;
    m_readOnly = ::access(m_path.c_str(), W_OK) != 0 || ::access(folderOf(m_path).c_str(), W_OK) != 0;
    index(std::move(lines));
    return 0;
}

std::string UserDictionary::stampOfFile() const {
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0)
        return {};
    return std::to_string(info.st_ino) + ':' + std::to_string(info.st_size) + ':' +
           std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec);
}

void UserDictionary::refresh() {
    if (m_path.empty() || stampOfFile() == m_stamp)
        return;
    std::vector<std::string> lines;
    if (readFile(lines) == 0)
        index(std::move(lines));
}

SEC UserDictionary::readFile(std::vector<std::string>& lines) const {
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return udrError(errno == ENOENT ? secFileOpenError : secFileReadError);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return udrError(secFileReadError);
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > MaxFileBytes) {
            ::close(fd);
            return udrError(secFileTooLargeError);
        }
    }
    ::close(fd);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return 0;
}

SEC UserDictionary::writeFile(const std::vector<std::string>& lines) const {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + '\n';
    std::string temporary = m_path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return udrError(secFileWriteError);
    struct stat info {};
    mode_t mode = 0644;
    if (::stat(m_path.c_str(), &info) == 0)
        mode = info.st_mode & 07777;
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return udrError(secFileWriteError);
    }
    fsyncFolder(m_path);
    return 0;
}

template <class Change> SEC UserDictionary::update(Change change) {
    std::vector<std::string> lines = m_lines;
    if (!m_path.empty()) {
        if (m_readOnly)
            return udrError(secUdrReadOnly);
        // Another session may have written the file since we read it.
        std::vector<std::string> current;
        if (readFile(current) == 0)
            lines = std::move(current);
    }
    if (!change(lines))
        return 0;
    if (!m_path.empty())
        if (const SEC error = writeFile(lines))
            return error;
    index(std::move(lines));
    return 0;
}

void UserDictionary::index(std::vector<std::string> lines) {
    if (!m_path.empty())
        m_stamp = stampOfFile();
    m_lines = std::move(lines);
    m_entries.clear();
    m_words.clear();
    m_changes.clear();
    for (const std::string& line : m_lines) {
        if (m_kind == Kind::Words) {
            if (line.find('\t') == std::string::npos && m_words.insert(line).second)
                m_entries.push_back(line);
            continue;
        }
        const auto tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
            continue;
        std::string word = line.substr(0, tab);
        if (m_changes.insert_or_assign(word, line.substr(tab + 1)).second)
            m_entries.push_back(std::move(word));
    }
}

SEC UserDictionary::add(std::string_view word) {
    if (m_kind != Kind::Words)
        return CSAPI_SEC(secModuleError, secOperNotMatchedUserDict);
    if (const SEC error = checkEntry(word))
        return error;
    return update([&](std::vector<std::string>& lines) {
        if (std::find(lines.begin(), lines.end(), word) != lines.end())
            return false;
        lines.emplace_back(word);
        return true;
    });
}

SEC UserDictionary::addChange(std::string_view word, std::string_view replacement) {
    if (m_kind == Kind::Words)
        return CSAPI_SEC(secModuleError, secOperNotMatchedUserDict);
    if (const SEC error = checkEntry(word))
        return error;
    if (const SEC error = checkEntry(replacement))
        return error;
    const std::string line = std::string(word) + '\t' + std::string(replacement);
    return update([&](std::vector<std::string>& lines) {
        // A new pair for the same word replaces the old one.
        std::erase_if(lines, [&](const std::string& l) { return keyOf(l) == word; });
        lines.push_back(line);
        return true;
    });
}

SEC UserDictionary::remove(std::string_view word) {
    if (const SEC error = checkEntry(word))
        return error;
    return update([&](std::vector<std::string>& lines) {
        return std::erase_if(lines, [&](const std::string& l) {
                   return m_kind == Kind::Words ? std::string_view(l) == word : keyOf(l) == word;
               }) > 0;
    });
}

SEC UserDictionary::clear() {
    return update([](std::vector<std::string>& lines) {
        lines.clear();
        return true;
    });
}

bool UserDictionary::accepts(std::string_view word) const {
    if (m_words.empty())
        return false;
    const std::string key(word);
    if (m_words.count(key))
        return true;
    const std::string lower = toLower(word);
    return m_words.count(lower) && (key == capitalizeFirst(lower) || key == toUpper(lower));
}

const std::string* UserDictionary::changeFor(std::string_view word, std::string& capitalised) const {
    if (m_changes.empty())
        return nullptr;
    if (auto it = m_changes.find(std::string(word)); it != m_changes.end())
        return &it->second;
    const std::string lower = toLower(word);
    if (auto it = m_changes.find(lower);
        it != m_changes.end() && std::string(word) == capitalizeFirst(lower)) {
        capitalised = capitalizeFirst(it->second);
        return &capitalised;
    }
    return nullptr;
}

std::vector<std::string> UserDictionary::strings() const {
    std::vector<std::string> out;
    for (const std::string& entry : m_entries) {
        out.push_back(entry);
        if (m_kind != Kind::Words)
            out.push_back(m_changes.at(entry));
    }
    return out;
}

} // namespace csapi
