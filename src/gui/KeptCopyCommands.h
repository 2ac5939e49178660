#pragma once

#include <QObject>
#include <QString>

class IClock;
class IPrompts;
class NoteList;
class NoteStore;
class QWidget;
class RestoreNoteDialog;
struct LocaleFormats;

// The earlier versions of the notes file that every save keeps (KeptCopies) put to use: a notes file
// that does not read at start-up can be replaced by the newest copy that does, and Tools, "Restore a
// Note..." brings back notes that the file no longer holds. Commands throw on failure; the main window
// runs each inside its error guard.
class KeptCopyCommands final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        NoteStore& store;
        NoteList& list;
        IPrompts& prompts;
        const IClock& clock;
        const LocaleFormats& formats;
        QWidget* owner;
    };
    explicit KeptCopyCommands(Parts parts, QObject* parent = nullptr);

    // After opening the notes file failed with `failure`: offers the newest kept copy that reads in
    // its place, keeping the damaged file beside it. True when the copy is restored and open.
    bool offerCopyAtStartUp(const QString& failure);
    void restoreNotes();

signals:
    // The dialog is up (for tests, which drive it like a user).
    void dialogShown(RestoreNoteDialog* dialog);

private:
    Parts m;
};
