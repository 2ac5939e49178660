#include "KeptNotes.h"

#include "platform/DurableFile.h"
#include "platform/QuillError.h"
#include "store/DayNumber.h"
#include "store/KeptCopies.h"
#include "store/NoteStore.h"
#include "store/StoreEscapes.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <pugixml.hpp>

namespace KeptNotes {

namespace {

QString valueOf(pugi::xml_node note, const char* name) {
    return QString::fromUtf8(note.child_value(name));
}

QString keyOf(pugi::xml_node note) {
    return valueOf(note, "DateTime") + QLatin1Char('\n') + valueOf(note, "Title");
}

struct ByteWriter final : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

QByteArray xmlOf(pugi::xml_node note) {
    ByteWriter writer;
    note.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.bytes;
}

// The display text of a stored day number, and the number (NaN when it is none).
QString dateText(const QString& stored, const LocaleFormats& formats, double& day) {
    const auto parsed = DayNumber::parse(stored, formats.decimalSeparator);
    day = parsed ? *parsed : qQNaN();
    return parsed ? DayNumber::displayTextOfNumber(*parsed, formats) : QString();
}

KeptNote keptNote(pugi::xml_node note, const KeptCopies::Copy& copy, const LocaleFormats& formats) {
    KeptNote kept;
    kept.title = StoreEscapes::unescapeTitle(valueOf(note, "Title"));
    double created = qQNaN();
    double modified = qQNaN();
    kept.createdText = dateText(valueOf(note, "DateTime"), formats, created);
    kept.modifiedText = dateText(valueOf(note, "LastModified"), formats, modified);
    kept.newestDay = std::isnan(modified) ? (std::isnan(created) ? -HUGE_VAL : created)
                                          : (std::isnan(created) ? modified : std::max(created, modified));
    kept.copyPath = copy.path;
    kept.copySaved = copy.saved;
    kept.element = xmlOf(note);
    return kept;
}

} // namespace

QList<KeptNote> missingFrom(const NoteStore& store, const LocaleFormats& formats) {
    QSet<QString> seen;
    store.forEachNote([&seen](pugi::xml_node note) { seen.insert(keyOf(note)); });
    QList<KeptNote> found;
    for (const KeptCopies::Copy& copy : KeptCopies::list(store.notesPath())) {
        try {
            NoteStore::readNotesFile(copy.path, [&](pugi::xml_node root) {
                for (pugi::xml_node note = root.first_child(); note; note = note.next_sibling()) {
                    // A note without a title would end the list where it is restored.
                    if (note.type() != pugi::node_element || !*note.child_value("Title"))
                        continue;
                    if (!seen.contains(keyOf(note))) {
                        seen.insert(keyOf(note));
                        found.append(keptNote(note, copy, formats));
                    }
                }
            });
        } catch (const std::exception&) {
            continue; // a damaged copy holds nothing to offer
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const KeptNote& a, const KeptNote& b) { return a.newestDay > b.newestDay; });
    return found;
}

std::optional<KeptCopies::Copy> newestReadableCopy(const QString& notesPath) {
    for (const KeptCopies::Copy& copy : KeptCopies::list(notesPath)) {
        try {
            NoteStore::readNotesFile(copy.path, {});
            return copy;
        } catch (const std::exception&) {
            continue;
        }
    }
    return std::nullopt;
}

QString damagedPathFor(const QString& notesPath, const QDateTime& now) {
    const QString stamp =
        notesPath + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stamp;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stamp + QStringLiteral("-%1").arg(n);
    return path;
}

void restoreCopy(const QString& notesPath, const QString& copyPath, const QString& damagedPath) {
    QFile copy(copyPath);
    if (!copy.open(QIODevice::ReadOnly))
        throw QuillError(
            QStringLiteral("Cannot open the kept copy \"%1\": %2.").arg(copyPath, copy.errorString()));
    const QByteArray bytes = copy.readAll();
    if (copy.error() != QFileDevice::NoError)
        throw QuillError(
            QStringLiteral("Cannot read the kept copy \"%1\": %2.").arg(copyPath, copy.errorString()));
    if (!KeptCopies::linkOrCopy(notesPath, damagedPath))
        throw QuillError(QStringLiteral("\"%1\" already exists.").arg(damagedPath));
    DurableFile::replaceContents(notesPath, bytes);
}

} // namespace KeptNotes
