#pragma once

#include "platform/Clock.h"
#include "platform/LocaleFormats.h"
#include "platform/Prompts.h"
#include "store/FileStamp.h"
#include "store/Note.h"
#include "store/NoteChange.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

class FileImage;

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// The notes file "quill.xml" and its document, open for the whole run. Every change is written
// to disk at once, durably (see DurableFile). Failures are thrown as QuillError.
// Other programs may write the file too (sync tools, another copy of Quillnote, an editor): before
// each save the file is compared with what was last read or written, and when it changed, the
// changes not yet saved are applied to the new file instead (see NoteChange).
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
    // The note's title and last-modified value as fillDetails would read them, without reading them
    // into the note.
    QString titleText(const Note& note) const;
    QString lastModifiedText(const Note& note) const;
    // The beginning of the note's body as fillDetails would read it, of at most about `maxBytes` of
    // the file; `whole` tells whether that is all of it.
    QString textBeginning(const Note& note, qsizetype maxBytes, bool& whole) const;
    // The const readers above may run on several threads at once while no other call runs.

    // Each change is saved at once. When the save fails the change is undone in memory too, so the
    // document keeps matching the file and a retry does not apply it twice.
    int appendNote(const QString& title, const QString& text, const QDateTime& now);
    void updateNote(int position, const QString& title, const QString& text, const QDateTime& now);
    void deleteNote(int position);
    // The note's element as XML, kept by the caller to bring a deleted note back with restoreNote.
    QByteArray noteElement(int position) const;
    // Puts a kept element back (as noteElement gave it, or as another notes file holds it), dates
    // included, before the node now at `position`, or at the end when there is none or position is
    // -1, and saves. Returns the position it took.
    int restoreNote(int position, const QByteArray& element);
    void save();
    void close();

    // What a look at the file between saves found.
    enum class DiskState { Unchanged, Reloaded, Unreadable };
    // Reads the file again when another program changed it, first saving into it what is still
    // pending. A file that does not read is reported once and left alone; the document stays.
    DiskState refreshFromDisk();
    // Counts the times the document was replaced by a newer file: positions read before are stale.
    int generation() const { return m_generation; }
    // Called whenever a save or refresh replaced the document, with what the user should be told
    // about the merge (empty when nothing). Without a listener the store tells the user itself. The
    // listener must not rebuild anything from the store before the calling command has finished.
    using ReplacedListener = std::function<void(const QString& notice)>;
    void setReplacedListener(ReplacedListener listener) { m_replaced = std::move(listener); }
    // Called with true when a save starts writing, or a refresh reading, and with false when it has
    // ended, failed or not: either holds the caller for a noticeable time with a large file.
    using BusyListener = std::function<void(bool busy)>;
    void setBusyListener(BusyListener listener) { m_busy = std::move(listener); }
    // Changes held in memory because the file could not be read when they were to be saved.
    bool hasPendingChanges() const { return m_unsaved && !m_pending.empty(); }
    // Whether the next check must still hash the file (it was written a moment ago): one more look
    // once FileStamp::GranularityMs have passed takes that cost off the next save.
    bool checkNeedsHash() const { return m_stamp.needsHash(); }

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

private:
    struct Loaded {
        std::unique_ptr<FileImage> image; // what doc was parsed in, if not its own copy
        std::unique_ptr<pugi::xml_document> doc;
        FileStamp stamp; // of the file as it was read
    };
    static Loaded load(const QString& path);
    pugi::xml_node root() const;
    pugi::xml_node nodeAt(int position) const;
    pugi::xml_node noteAt(int position) const;
    // readNoteDate's rules without the error report: the creation day number, repaired if need be.
    double creationDay(pugi::xml_node note);
    void requireOpen() const;
    void readDetails(Note& note) const;
    QString readLastModified(pugi::xml_node note, double* day) const;
    void readText(Note& note) const;
    const struct NodeIndex& index() const;
    void resetIndex();
    void markChanged();
    // Earlier versions of the file (KeptCopies): a failure never stops a save and is reported once.
    QString keepCopy();
    void afterSave(const QString& keptCopy, bool saved);
    void reportCopyFailure(const std::exception& e);
    // Runs a change on the document and saves it; a failed save takes it out of memory again.
    void saveChange(NoteChange change, const std::function<void()>& undo);
    // The file as another program left it, with the pending changes applied; null when unchanged.
    // With FileStamp::Bytes::Later, a file whose status is unchanged has its bytes compared while the
    // save is written (m_bytesUncompared), and a change found then throws ChangedMeanwhile.
    Loaded mergedWithOutside(NoteChange::Outcome& outcome, FileStamp::Bytes bytes);
    // Merges, then writes; returns whether the notes' positions changed.
    bool writeMerged(NoteChange::Outcome& outcome, FileStamp::Bytes bytes, bool& replaced);
    void replaceDocument(Loaded& loaded);
    void swapDocument(Loaded& other);
    // Returns whether the notes' positions changed, as saveDocumentTo does.
    bool writeAndStamp();
    void markSaved();
    QString conflictTitle(const QString& rawTitle) const;
    void reportUnreadable(const QString& message);
    static QString mergeNotice(const NoteChange::Outcome& outcome);
    void announceReplaced(const QString& notice);
    // Replaces the file with the document, which holds `elements` elements under its root. Returns
    // whether the notes' positions changed (cleaning took out text between them).
    bool saveDocumentTo(int elements);
    // One attempt; `unclean` tells whether it failed on what a strict XML reader would refuse.
    void writeDocument(int elements, bool& unclean);
    // checkWritten, and, where the look before the save left it to this, whether the file's own bytes
    // changed since the stamp (ChangedMeanwhile).
    QString checkWrittenAndFile(std::span<char> bytes, const class WrittenCheck& written, int elements,
                                bool& unclean);
    // Why the bytes written must not replace the file, or an empty string.
    QString checkWritten(std::span<char> bytes, const class WrittenCheck& written, int elements,
                         bool& unclean);

    const LocaleFormats& m_formats;
    const IClock& m_clock;
    IPrompts& m_prompts;
    ErrorReporter m_reportError;
    std::unique_ptr<FileImage> m_image; // before m_doc, which may point into it
    std::unique_ptr<pugi::xml_document> m_doc;
    QString m_notesPath;
    bool m_unsaved = false;
    bool m_copyFailureReported = false;
    FileStamp m_stamp;                 // the file as last read or written
    std::vector<NoteChange> m_pending; // made since then, in order
    quint64 m_writtenHash = 0;
    bool m_bytesUncompared = false; // the file's bytes are yet to be compared with the stamp
    int m_generation = 0;
    bool m_saving = false;
    bool m_unreadableShown = false;
    ReplacedListener m_replaced;
    BusyListener m_busy;
    // Child nodes of the root by position, rebuilt lazily after a structural change.
    mutable std::unique_ptr<struct NodeIndex> m_index;
    mutable std::atomic<bool> m_indexBuilt{false};
    mutable std::mutex m_indexMutex;
    std::unique_ptr<class SaveMemory> m_saveMemory;
};
