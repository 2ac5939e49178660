// The notes file as the program opens it: every note read the way the list reads it (the row at once,
// the details when first shown), then saved and opened again.
#include "FuzzSupport.h"

#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "platform/QuillError.h"
#include "store/NoteStore.h"
#include "store/StoreEscapes.h"
#include "store/StrictXml.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace {

class FixedTime final : public IClock {
public:
    QDateTime now() const override { return QDateTime(QDate(2009, 3, 5), QTime(13, 2, 13)); }
};

class SilentPrompts final : public IPrompts {
public:
    MsgButton messageDlg(const QString&, MsgKind, MsgButtons) override { return MsgButton::OK; }
    void plainMessage(const QString&) override {}
};

struct Row {
    bool isNote = false;
    bool readable = false;
    QString title, text, dateTime, lastModified, created, modified;
    bool operator==(const Row&) const = default;
};

QList<Row> readRows(NoteStore& store) {
    QList<Row> rows;
    for (int position = 0, count = store.childCount(); position < count; ++position) {
        Row row;
        row.isNote = store.isNoteAt(position);
        if (row.isNote) {
            try {
                Note note = store.readNote(position, true);
                store.fillDetails(note);
                FuzzSupport::check(note.position == position, "a note reads back at another position");
                row = {true,
                       true,
                       note.title,
                       note.text,
                       note.dateTime,
                       note.lastModified,
                       note.createdText,
                       note.modifiedText};
                store.readNoteDate(position);
            } catch (const QuillError&) {
                // A note without a title: the list leaves it out.
            }
        }
        rows.append(row);
    }
    return rows;
}

// As the list reads them: a date repaired while reading is saved, and a save may renumber the notes
// (text between them cleaned away); the walk then starts again.
QList<Row> readAll(NoteStore& store) {
    for (int attempt = 0;; ++attempt) {
        const int generation = store.generation();
        QList<Row> rows = readRows(store);
        if (store.generation() == generation || attempt == 2)
            return rows;
    }
}

bool isClean(const QString& text) {
    return StoreEscapes::xmlSafe(text) == text;
}

// A note whose file had to be cleaned reads back with clean texts where they held what XML cannot
// carry, and as it was otherwise. Dropping characters may join what they kept apart ("^", a control
// character, "M"; a date with a stray control character that now reads), so only the texts count.
bool readsBackCleaned(const Row& before, const Row& after) {
    const auto same = [](const QString& was, const QString& is) {
        return was == is || (!isClean(was) && isClean(is));
    };
    return before.isNote == after.isNote && before.readable == after.readable &&
           same(before.title, after.title) && same(before.text, after.text);
}

QList<Row> notesOf(const QList<Row>& rows) {
    QList<Row> notes;
    for (const Row& row : rows)
        if (row.isNote)
            notes.append(row);
    return notes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Both decimal separators: a point and a comma read dates differently.
    static const LocaleFormats formats[] = {
        LocaleFormats::capture(QLocale(QLocale::English, QLocale::UnitedStates)),
        LocaleFormats::capture(QLocale(QLocale::German, QLocale::Germany)),
    };
    const LocaleFormats& format = formats[size % 2];
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    const QString path = FuzzSupport::scratchFolder() + QStringLiteral("/quill.xml");
    FuzzSupport::writeFile(path, bytes);

    FixedTime clock;
    SilentPrompts prompts;
    NoteStore store(format, clock, prompts, {});
    try {
        store.open(path);
    } catch (const QuillError&) {
        QFile file(path);
        FuzzSupport::check(file.open(QIODevice::ReadOnly) && file.readAll() == bytes,
                           "a notes file that does not open was changed");
        return 0;
    }
    // Taken before reading: a date repair saves, and that save cleans too.
    const bool cleaned = !StrictXml::characterFault(store.serialized()).isEmpty();
    const QList<Row> first = readAll(store);

    // What opened must save, and read back as it was before the save.
    try {
        store.save();
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("a notes file that opened cannot be saved");
    }
    const auto onDisk = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // Saved note by note, then with every note copied from that save: the same bytes as the whole
    // document written at once.
    if (!cleaned) {
        FuzzSupport::check(onDisk() == store.serialized(), "a save wrote other bytes than the document's");
        store.save();
        FuzzSupport::check(onDisk() == store.serialized(), "a save that copied notes wrote other bytes");
    }
    store.close();
    const QByteArray saved = onDisk();
    FuzzSupport::check(StrictXml::characterFault(saved).isEmpty(),
                       "a saved notes file holds what XML cannot carry");
    NoteStore again(format, clock, prompts, {});
    try {
        again.open(path);
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        FuzzSupport::fail("a saved notes file does not open");
    }
    // Stray text and other nodes between the notes may be cleaned by the save (text that XML cannot
    // carry), which moves later positions: the notes themselves must read back as they were.
    const QList<Row> before = notesOf(first);
    const QList<Row> after = notesOf(readAll(again));
    if (!cleaned) {
        FuzzSupport::check(after == before, "the notes read differently after a save");
        return 0;
    }
    FuzzSupport::check(before.size() == after.size() &&
                           std::equal(before.begin(), before.end(), after.begin(), readsBackCleaned),
                       "the notes read differently after a save that cleaned them");
    // Cleaning is done once: what a cleaned file reads as does not change with the next save.
    again.save();
    again.close();
    NoteStore third(format, clock, prompts, {});
    third.open(path);
    FuzzSupport::check(notesOf(readAll(third)) == after, "the notes changed again at the next save");
    return 0;
}
