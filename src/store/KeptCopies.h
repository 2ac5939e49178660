#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Earlier versions of the notes file, kept in a "backups" folder beside it as
// "quill-YYYYMMDD-HHMMSS.xml" (the time of the save that replaced them). The newest copy of each of
// the last days and the copies of the last saves are kept; anything else in the folder is left alone.
namespace KeptCopies {

inline constexpr int KeptDays = 7;
inline constexpr int KeptSaves = 10;

struct Copy {
    QString path;
    QDateTime saved;
};

QString folderFor(const QString& notesPath);
QString fileNameFor(const QString& notesPath, const QDateTime& saved);

// The kept copies of the notes file at `notesPath`, newest first.
QList<Copy> list(const QString& notesPath);

// Which of `copies` (newest first) the rules no longer keep at `now`.
QStringList surplus(const QList<Copy>& copies, const QDateTime& now);

// Keeps the file at `notesPath` as it is now: a hard link, so nothing is read or written while the
// file is replaced by a rename afterwards; a durable copy where links are not possible. Returns the
// new copy, or an empty string when there is nothing to keep or this second already has its copy.
// Throws QuillError when neither works.
QString keep(const QString& notesPath, const QDateTime& now);

// A hard link where possible, a durable copy with the same permissions otherwise. False when `to`
// exists already; throws QuillError when neither works.
bool linkOrCopy(const QString& from, const QString& to);

// Removes what the rules no longer keep. Throws QuillError naming a copy that could not be removed.
void prune(const QString& notesPath, const QDateTime& now);

// Gives the notes file at `toNotesPath` the copies of the one at `fromNotesPath`, leaving those and
// any copy already there in place. Throws QuillError after trying every copy.
void copyAll(const QString& fromNotesPath, const QString& toNotesPath);

} // namespace KeptCopies
