#pragma once

#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "store/Note.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class FileImage;

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// The notes file "quill.xml" and its document, open for the whole run. Every change is written
// to disk at once, durably (see DurableFile). Failures are thrown as QuillError.
class NoteStore {
public:
    // Receives failures that a method reports itself instead of throwing: (method name, message).
    using ErrorReporter = std::function<void(const QString& method, const QString& message)>;

    NoteStore(const LocaleFormats& formats, const IClock& clock, IPrompts& prompts,
              ErrorReporter reportError);
    ~NoteStore();

    static QString notesPathFor(const QString& storageFolder); // folder + '/' + "quill.xml"

    // Opening at start-up: the existing file, or a new one with the read-me note.
    void openOrCreate(const QString& notesPath, const QString& readMePath);
    void open(const QString& path);
    // Writes the first notes file, with the read-me note, at NotesPath(). Refuses to replace a file
    // that is already there, and writes nothing when the read-me text cannot be read.
    void createWithReadMe(const QString& readMePath);

    bool isOpen() const;
    const QString& notesPath() const { return m_notesPath; }
    void setNotesPath(const QString& path) { m_notesPath = path; }

    // Enumeration: every child node of the root element counts; only elements are notes.
    int childCount() const;
    bool isNoteAt(int position) const;

    // The creation date as display text; repairs and saves a stored value that is not a number.
    QString readNoteDate(int position);
    // The row for the note at `position`: throws when its "Title" is missing or empty. The creation
    // date is checked (and repaired) at once; with deferDetails the title, body, last-modified value
    // and display texts are left for fillDetails, which the list calls when the row is first needed.
    Note readNote(int position, bool deferDetails = false);
    void fillDetails(Note& note, bool withDisplayTexts = true) const;
    // Reads only what sorting by title or last-modified needs, leaving the body for fillDetails.
    void fillSortFields(Note& note) const;
    // The beginning of the note's body as fillDetails would read it, of at most about `maxBytes` of
    // the file; `whole` tells whether that is all of it.
    QString textBeginning(const Note& note, qsizetype maxBytes, bool& whole) const;

    // Each change is saved at once. When the save fails the change is undone in memory too, so the
    // document keeps matching the file and a retry does not apply it twice.
    int appendNote(const QString& title, const QString& text, const QDateTime& now);
    void updateNote(int position, const QString& title, const QString& text, const QDateTime& now);
    void deleteNote(int position);
    // The note's element as XML, kept by the caller to bring a deleted note back with restoreNote.
    QByteArray noteElement(int position) const;
    // Puts a kept element back before the node now at `position`, or at the end when there is none,
    // and saves. Returns the position it took.
    int restoreNote(int position, const QByteArray& element);
    void save();
    void close();

    // Moves the notes file to another folder and opens it there. The copy is verified before the
    // program switches to it; a notes file already in the new folder is first kept as a dated backup.
    void moveStorage(const QString& oldFolder, const QString& newFolder);

    // The file's bytes as Save would write them, unless they need cleaning (for tests and benchmarks).
    QByteArray serialized() const;

    // Reads a notes file as open() does, without opening it, and hands its root element to `visit`.
    // Throws QuillError when open() would fail.
    static void readNotesFile(const QString& path, const std::function<void(pugi::xml_node root)>& visit);
    // Every element of the open document's root, in document order.
    void forEachNote(const std::function<void(pugi::xml_node note)>& visit) const;
    // Appends a note element as it was written elsewhere (its XML, as another notes file holds it),
    // dates included, and saves. Returns its position.
    int restoreNote(const QByteArray& elementXml);

private:
    struct Loaded {
        std::unique_ptr<FileImage> image; // what doc was parsed in, if not its own copy
        std::unique_ptr<pugi::xml_document> doc;
    };
    static Loaded load(const QString& path);
    pugi::xml_node root() const;
    pugi::xml_node nodeAt(int position) const;
    pugi::xml_node noteAt(int position) const;
    // readNoteDate's rules without the error report: the creation day number, repaired if need be.
    double creationDay(pugi::xml_node note);
    void requireOpen() const;
    void readDetails(Note& note) const;
    void readText(Note& note) const;
    void rebuildIndex() const;
    void markChanged();
    // Earlier versions of the file (KeptCopies): a failure never stops a save and is reported once.
    QString keepCopy();
    void afterSave(const QString& keptCopy, bool saved);
    void reportCopyFailure(const std::exception& e);
    // Replaces the file with the document, which holds `elements` elements under its root.
    void saveDocumentTo(int elements);
    // One attempt; `unclean` tells whether it failed on what a strict XML reader would refuse.
    void writeDocument(int elements, bool& unclean);

    const LocaleFormats& m_formats;
    const IClock& m_clock;
    IPrompts& m_prompts;
    ErrorReporter m_reportError;
    std::unique_ptr<FileImage> m_image; // before m_doc, which may point into it
    std::unique_ptr<pugi::xml_document> m_doc;
    QString m_notesPath;
    bool m_unsaved = false;
    bool m_copyFailureReported = false;
    // Child nodes of the root by position, rebuilt lazily after a structural change.
    mutable std::unique_ptr<struct NodeIndex> m_index;
};
