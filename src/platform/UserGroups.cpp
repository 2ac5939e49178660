#include "UserGroups.h"

#include "platform/QuillError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <unistd.h>

namespace UserGroups {

bool isAdmin(uid_t effectiveUser, const std::vector<gid_t>& groups, const GroupLookup& lookup) {
    if (effectiveUser == 0)
        return true;
    for (const QString& name : AdminGroups) {
        const std::optional<gid_t> id = lookup(name);
        if (id && std::find(groups.begin(), groups.end(), *id) != groups.end())
            return true;
    }
    return false;
}

std::optional<gid_t> groupId(const QString& name) {
    const QByteArray encoded = name.toLocal8Bit();
    std::vector<char> buffer(4096);
    for (;;) {
        group entry{};
        group* found = nullptr;
        const int error = ::getgrnam_r(encoded.constData(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2); // a group with many members
            continue;
        }
        if (error != 0)
            throw QuillError(QStringLiteral("The group \"%1\" could not be looked up: %2")
                                 .arg(name, QString::fromLocal8Bit(std::strerror(error))));
        if (!found)
            return std::nullopt;
        return found->gr_gid;
    }
}

std::vector<gid_t> processGroups() {
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    if (count < 0 || ::getgroups(count, groups.data()) != count)
        throw QuillError(QStringLiteral("The groups of the current user could not be read: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno))));
    groups.push_back(::getegid());
    return groups;
}

bool IsAdmin() {
    return isAdmin(::geteuid(), processGroups(), groupId);
}

} // namespace UserGroups
