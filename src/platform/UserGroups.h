#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/types.h>
#include <vector>

// Who may change machine-wide desktop settings such as the common auto-start folder: root, and the
// members of the groups that the distributions use for their administrators.
namespace UserGroups {

inline const QStringList AdminGroups = {QStringLiteral("sudo"), QStringLiteral("wheel"),
                                        QStringLiteral("admin")};

// Looks up a group's id by name; nullopt when the system has no such group.
using GroupLookup = std::function<std::optional<gid_t>(const QString& name)>;

// The rule itself: root, or any of `groups` is one of AdminGroups.
bool isAdmin(uid_t effectiveUser, const std::vector<gid_t>& groups, const GroupLookup& lookup);

// The group database's answer for `name`.
std::optional<gid_t> groupId(const QString& name);

// The groups of this process: the effective group and the supplementary groups.
std::vector<gid_t> processGroups();

// The rule for this process. Throws QuillError when its groups cannot be read.
bool IsAdmin();

} // namespace UserGroups
