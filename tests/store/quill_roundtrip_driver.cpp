// Opens a notes file as the program does, reads every note as the list reads it and saves it, for
// tst_interop. Usage: quill_roundtrip_driver INPUT COPY
//   Copies INPUT to COPY and works on the copy. Prints the notes as read, as JSON, before the save.
//   Exits 0 when the copy opened and saved, 3 when it did not open (it must then be unchanged), 1 on
//   any other failure.
#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "platform/QuillError.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

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

// Every note in order; a note the list leaves out (no title) is null.
QJsonArray readNotes(NoteStore& store) {
    QJsonArray notes;
    for (int position = 0, count = store.childCount(); position < count; ++position) {
        if (!store.isNoteAt(position))
            continue;
        try {
            Note note = store.readNote(position);
            notes.append(QJsonObject{{QStringLiteral("title"), note.title},
                                     {QStringLiteral("text"), note.text},
                                     {QStringLiteral("dateTime"), note.dateTime},
                                     {QStringLiteral("lastModified"), note.lastModified}});
        } catch (const QuillError&) {
            notes.append(QJsonValue::Null);
        }
    }
    return notes;
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 64;
    const QByteArray input = contentsOf(args[1]);
    const QString copy = args[2];
    QFile::remove(copy);
    if (!QFile::copy(args[1], copy))
        return 1;

    const LocaleFormats formats = LocaleFormats::capture(QLocale(QLocale::English, QLocale::UnitedStates));
    FixedTime clock;
    SilentPrompts prompts;
    NoteStore store(formats, clock, prompts, [](const QString& method, const QString& message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(method), qPrintable(message));
    });
    try {
        store.open(copy);
    } catch (const QuillError& e) {
        std::fprintf(stderr, "not opened: %s\n", e.what());
        return contentsOf(copy) == input ? 3 : 1;
    }
    try {
        const QJsonArray notes = readNotes(store);
        std::fputs(QJsonDocument(notes).toJson(QJsonDocument::Compact).constData(), stdout);
        store.save();
        store.close();
    } catch (const QuillError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
