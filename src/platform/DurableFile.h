#pragma once

#include <QByteArray>
#include <QString>

// Crash-safe replacement of a whole file: the bytes go to a temporary file in the same folder, every
// write is checked, the temporary file is fsync'ed and renamed over the target, and the folder is
// fsync'ed. On any failure the temporary file is removed, the old file stays as it was, and a
// QuillError naming the file and the failing step is thrown.
namespace DurableFile {

// Temporary files are named "<target>.<random>.qntmp", so that stale ones can be found again.
void replaceContents(const QString& path, const QByteArray& bytes);

// Removes temporary files that a killed save may have left beside `path`. Returns how many.
int removeStaleTemporaries(const QString& path);

} // namespace DurableFile
