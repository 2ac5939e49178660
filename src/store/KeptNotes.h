#pragma once

#include "platform/LocaleFormats.h"
#include "store/KeptCopies.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class NoteStore;

// A note that a kept copy of the notes file holds (see KeptCopies).
struct KeptNote {
    QString title;
    QString createdText; // display texts; empty when the copy holds no valid value
    QString modifiedText;
    double newestDay = 0; // the later of the two dates, for the order
    QString copyPath;
    QDateTime copySaved;
    QByteArray element; // the note's XML as the copy holds it
};

namespace KeptNotes {

// The notes in the kept copies of the open notes file that the file no longer holds, matched by
// creation number text and title as the list matches rows; the most recently changed first, each
// from the newest copy that holds it. Copies that do not read are passed over.
QList<KeptNote> missingFrom(const NoteStore& store, const LocaleFormats& formats);

// The newest kept copy of the notes file that reads as one.
std::optional<KeptCopies::Copy> newestReadableCopy(const QString& notesPath);
// Where a notes file that does not read is set aside: "quill.xml.damaged-YYYYMMDD-HHMMSS".
QString damagedPathFor(const QString& notesPath, const QDateTime& now);
// Keeps the damaged notes file at `damagedPath` (never removed), then puts `copy` in its place. The
// notes file is never missing in between: a failure leaves it as it was.
void restoreCopy(const QString& notesPath, const QString& copyPath, const QString& damagedPath);

} // namespace KeptNotes
