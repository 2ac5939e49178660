#include "KeptCopies.h"

#include "platform/DurableFile.h"
#include "platform/QuillError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace KeptCopies {

namespace {

const QString stampFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString suffixOf(const QFileInfo& notes) {
    const QString suffix = notes.suffix();
    return suffix.isEmpty() ? QStringLiteral("xml") : suffix;
}

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The folder gets the notes folder's permissions: copies are as private as the file they keep.
void makeFolder(const QString& folder, const QString& notesFolder) {
    struct stat parent {};
    const mode_t mode =
        ::stat(QFile::encodeName(notesFolder).constData(), &parent) == 0 ? (parent.st_mode & 07777) : 0700;
    if (::mkdir(QFile::encodeName(folder).constData(), mode) != 0 && errno != EEXIST)
        throw QuillError(
            QStringLiteral("Cannot create the folder \"%1\": %2.").arg(folder, errnoText(errno)));
}

} // namespace

bool linkOrCopy(const QString& from, const QString& to) {
    if (::linkat(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                 AT_SYMLINK_FOLLOW) == 0)
        return true;
    const int linkError = errno;
    if (linkError == EEXIST)
        return false;
    // Only where the file system has no links for us is a copy worth reading the whole file for: a
    // folder that may not be written, or a full disk, refuses a copy just the same.
    if (linkError != EPERM && linkError != EXDEV && linkError != EMLINK && linkError != EOPNOTSUPP)
        throw QuillError(QStringLiteral("Cannot keep a copy of \"%1\" as \"%2\": %3.")
                             .arg(from, to, errnoText(linkError)));
    try {
        QFile source(from);
        if (!source.open(QIODevice::ReadOnly))
            throw QuillError(source.errorString());
        const QByteArray bytes = source.readAll();
        if (source.error() != QFileDevice::NoError)
            throw QuillError(source.errorString());
        DurableFile::replaceContents(to, bytes);
        QFile::setPermissions(to, source.permissions());
    } catch (const std::exception& e) {
        throw QuillError(QStringLiteral("Cannot keep a copy of \"%1\" as \"%2\" (linking: %3; copying: %4)")
                             .arg(from, to, errnoText(linkError), messageOf(e)));
    }
    return true;
}

QString folderFor(const QString& notesPath) {
    return QFileInfo(notesPath).absolutePath() + QStringLiteral("/backups");
}

QString fileNameFor(const QString& notesPath, const QDateTime& saved) {
    const QFileInfo notes(notesPath);
    return QStringLiteral("%1-%2.%3")
        .arg(notes.completeBaseName(), saved.toString(stampFormat), suffixOf(notes));
}

QList<Copy> list(const QString& notesPath) {
    const QFileInfo notes(notesPath);
    const QRegularExpression pattern(QStringLiteral("^%1-(\\d{8}-\\d{6})\\.%2$")
                                         .arg(QRegularExpression::escape(notes.completeBaseName()),
                                              QRegularExpression::escape(suffixOf(notes))));
    const QDir folder(folderFor(notesPath));
    QList<Copy> copies;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        const QDateTime saved = QDateTime::fromString(match.captured(1), stampFormat);
        if (saved.isValid())
            copies.append({folder.filePath(name), saved});
    }
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        return a.saved != b.saved ? a.saved > b.saved : a.path > b.path;
    });
    return copies;
}

QStringList surplus(const QList<Copy>& copies, const QDateTime& now) {
    const QDate today = now.date();
    const QDate firstDay = today.addDays(-(KeptDays - 1));
    std::set<QDate> daysKept;
    QStringList out;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const QDate day = copies[i].saved.date();
        // The newest copy of a day, which the list meets first.
        const bool newestOfRecentDay = day >= firstDay && day <= today && daysKept.insert(day).second;
        if (i >= KeptSaves && !newestOfRecentDay)
            out << copies[i].path;
    }
    return out;
}

QString keep(const QString& notesPath, const QDateTime& now) {
    const QFileInfo notes(notesPath);
    if (!notes.exists())
        return {};
    const QString folder = folderFor(notesPath);
    makeFolder(folder, notes.absolutePath());
    const QString copy = folder + QLatin1Char('/') + fileNameFor(notesPath, now);
    // Several saves in one second keep the state before the first of them.
    if (QFileInfo::exists(copy) || !linkOrCopy(notesPath, copy))
        return {};
    return copy;
}

void prune(const QString& notesPath, const QDateTime& now) {
    QStringList failed;
    for (const QString& path : surplus(list(notesPath), now))
        if (!QFile::remove(path))
            failed << path;
    if (!failed.isEmpty())
        throw QuillError(
            QStringLiteral("Cannot remove the old copies %1.").arg(failed.join(QStringLiteral(", "))));
}

void copyAll(const QString& fromNotesPath, const QString& toNotesPath) {
    const QList<Copy> copies = list(fromNotesPath);
    if (copies.isEmpty())
        return;
    const QString folder = folderFor(toNotesPath);
    makeFolder(folder, QFileInfo(toNotesPath).absolutePath());
    QStringList failures;
    for (const Copy& copy : copies) {
        try {
            linkOrCopy(copy.path, folder + QLatin1Char('/') + QFileInfo(copy.path).fileName());
        } catch (const std::exception& e) {
            failures << messageOf(e);
        }
    }
    if (!failures.isEmpty())
        throw QuillError(failures.join(QStringLiteral("; ")) + QLatin1Char('.'));
}

} // namespace KeptCopies
