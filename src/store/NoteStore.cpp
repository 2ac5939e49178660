#include "NoteStore.h"

#include "platform/DurableFile.h"
#include "platform/LargeMemory.h"
#include "platform/LogNames.h"
#include "platform/QuillError.h"
#include "store/DayNumber.h"
#include "store/KeptCopies.h"
#include "store/NotesOutput.h"
#include "store/ParseArena.h"
#include "store/StoreEscapes.h"
#include "store/StrictXml.h"
#include "store/WrittenCheck.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTextStream>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstring>
#include <future>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

// The root's child nodes by position, so that walking all notes is linear.
struct NodeIndex {
    std::vector<pugi::xml_node> nodes;
};

// The blocks a save needs, each about the file's size: the bytes written, the document that checks
// they read back, and the notes' bytes as last saved. Edits come in bursts, each saved at once, and on
// a large file mapping the blocks again for every save took from a few milliseconds to longer than the
// rest of the save (when the system had no huge pages at hand): they are kept until no save has come
// for a few seconds.
class SaveMemory {
public:
    SaveMemory() {
        m_idle.setSingleShot(true);
        m_idle.setInterval(std::chrono::seconds(10));
        QObject::connect(&m_idle, &QTimer::timeout, &m_idle, [this] { release(); });
    }
    // Where nothing runs timers (a tool without an event loop), until close() or the end instead.
    void keepForNextSave() {
        if (QAbstractEventDispatcher::instance())
            m_idle.start();
    }
    void release() {
        m_idle.stop();
        output.release();
        check.release();
        notes.release();
    }

    LargeMemory::Reserve output;
    LargeMemory::Reserve check;
    NotesOutput notes;

private:
    QTimer m_idle;
};

namespace {

// Whitespace between elements is formatting; a body of only blanks is content and must survive.
constexpr unsigned parseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_ws_pcdata_single;
constexpr qint64 maxFileSize = qint64(256) * 1024 * 1024;
constexpr int maxDepth = 1000;

const char* const elemNote = "Note";
const char* const elemTitle = "Title";
const char* const elemText = "Text";
const char* const elemDateTime = "DateTime";
const char* const elemLastModified = "LastModified";

struct ByteWriter final : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), qsizetype(size));
    }
};

struct SinkWriter final : pugi::xml_writer {
    explicit SinkWriter(DurableFile::Sink& sink) : sink(sink) {}
    DurableFile::Sink& sink;
    void write(const void* data, size_t size) override {
        sink.write(static_cast<const char*>(data), qsizetype(size));
    }
};

struct BusyScope {
    explicit BusyScope(const NoteStore::BusyListener& listener) : listener(listener) {
        if (listener)
            listener(true);
    }
    ~BusyScope() {
        if (listener)
            listener(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    const NoteStore::BusyListener& listener;
};

// The character data directly inside an element; empty for a missing element.
QString elementText(pugi::xml_node element) {
    const pugi::xml_node first = element.first_child();
    const auto isText = [](pugi::xml_node n) {
        return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
    };
    if (first && !first.next_sibling())
        return isText(first) ? QString::fromUtf8(first.value()) : QString();
    std::string joined;
    for (pugi::xml_node n = first; n; n = n.next_sibling())
        if (isText(n))
            joined += n.value();
    return QString::fromUtf8(joined.data(), qsizetype(joined.size()));
}

// Whether the element has a value, without converting it.
bool hasText(pugi::xml_node element) {
    for (pugi::xml_node n = element.first_child(); n; n = n.next_sibling())
        if ((n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) && *n.value())
            return true;
    return false;
}

void setElementText(pugi::xml_node element, const QString& text) {
    while (pugi::xml_node child = element.first_child())
        element.remove_child(child);
    const QByteArray utf8 = StoreEscapes::xmlSafe(text).toUtf8();
    if (!utf8.isEmpty())
        element.append_child(pugi::node_pcdata).set_value(utf8.constData());
}

pugi::xml_node childOrNew(pugi::xml_node parent, const char* name) {
    pugi::xml_node child = parent.child(name);
    return child ? child : parent.append_child(name);
}

QString parseErrorText(const QByteArray& bytes, const pugi::xml_parse_result& result) {
    const qsizetype offset = qBound<qsizetype>(0, qsizetype(result.offset), bytes.size());
    const QByteArrayView before(bytes.constData(), offset);
    const qsizetype line = before.count('\n') + 1;
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    return QStringLiteral("%1 (line %2, column %3, byte %4)")
        .arg(QString::fromUtf8(result.description()))
        .arg(line)
        .arg(offset - lineStart + 1)
        .arg(offset);
}

struct DepthCheck final : pugi::xml_tree_walker {
    bool tooDeep = false;
    bool for_each(pugi::xml_node&) override {
        tooDeep = depth() > maxDepth;
        return !tooDeep;
    }
};

bool isXmlVersion(QByteArrayView value) {
    if (value.size() < 3 || !value.startsWith("1."))
        return false;
    for (const char c : value.sliced(2))
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Whether the declaration says UTF-8 or nothing about the encoding, and nothing else that could be
// taken for an encoding: pugixml finds it by the first "en" anywhere in the declaration, so a stray
// attribute or value would name another one when the file is opened again.
bool isPlainUtf8Declaration(pugi::xml_node declaration) {
    for (const pugi::xml_attribute attribute : declaration.attributes()) {
        const QByteArrayView name(attribute.name());
        const QByteArrayView value(attribute.value());
        const bool plain = (name == "version" && isXmlVersion(value)) ||
                           (name == "encoding" && value.compare("utf-8", Qt::CaseInsensitive) == 0) ||
                           (name == "standalone" && (value == "yes" || value == "no"));
        if (!plain)
            return false;
    }
    return true;
}

// The file is written as UTF-8, so the declaration has to say so, and only that.
void ensureUtf8Declaration(pugi::xml_document& doc) {
    pugi::xml_node declaration = doc.first_child();
    if (declaration.type() == pugi::node_declaration && isPlainUtf8Declaration(declaration))
        return;
    if (declaration.type() != pugi::node_declaration)
        declaration = doc.prepend_child(pugi::node_declaration);
    const std::string version = declaration.attribute("version").value();
    const std::string standalone = declaration.attribute("standalone").value();
    while (const pugi::xml_attribute attribute = declaration.first_attribute())
        declaration.remove_attribute(attribute);
    declaration.append_attribute("version") = isXmlVersion(version) ? version.c_str() : "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    if (standalone == "yes" || standalone == "no")
        declaration.append_attribute("standalone") = standalone.c_str();
}

pugi::xml_parse_result parseInto(pugi::xml_document& doc, const QByteArray& bytes) {
    return doc.load_buffer(bytes.constData(), size_t(bytes.size()), parseOptions, pugi::encoding_auto);
}

std::unique_ptr<pugi::xml_document> checkedNotes(std::unique_ptr<pugi::xml_document> doc,
                                                 const QString& path);

[[noreturn]] void throwEmpty(const QString& path) {
    throw QuillError(QStringLiteral("The notes file \"%1\" is empty.").arg(path));
}

// Parses the bytes of a notes file; `path` only names the file in messages.
std::unique_ptr<pugi::xml_document> parseNotes(QByteArray bytes, const QString& path) {
    if (bytes.trimmed().isEmpty())
        throwEmpty(path);
    auto doc = std::make_unique<pugi::xml_document>();
    pugi::xml_parse_result result = parseInto(*doc, bytes);
    // pugixml passes broken UTF-8 through untouched; decode it once with replacement characters so
    // that the next save writes a file that other XML readers accept.
    if (result && result.encoding == pugi::encoding_utf8 && !QByteArrayView(bytes).isValidUtf8()) {
        bytes = QString::fromUtf8(bytes).toUtf8();
        result = parseInto(*doc, bytes);
    }
    if (!result)
        throw QuillError(QStringLiteral("The notes file \"%1\" is not well-formed XML: %2.")
                             .arg(path, parseErrorText(bytes, result)));
    return checkedNotes(std::move(doc), path);
}

std::unique_ptr<pugi::xml_document> checkedNotes(std::unique_ptr<pugi::xml_document> doc,
                                                 const QString& path) {
    pugi::xml_node root = doc->document_element();
    if (!root)
        throw QuillError(QStringLiteral("The notes file \"%1\" has no root element.").arg(path));
    DepthCheck depth;
    doc->traverse(depth);
    if (depth.tooDeep)
        throw QuillError(QStringLiteral("The notes file \"%1\" is nested more than %2 levels deep.")
                             .arg(path)
                             .arg(maxDepth));
    // "<Notes>\r\n</Notes>" holds no notes, not a text node.
    const pugi::xml_node only = root.first_child();
    if (only && !only.next_sibling() && only.type() == pugi::node_pcdata &&
        QByteArrayView(only.value()).trimmed().isEmpty())
        root.remove_child(only);
    ensureUtf8Declaration(*doc);
    return doc;
}

int elementCount(pugi::xml_node parent) {
    int count = 0;
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling())
        count += n.type() == pugi::node_element;
    return count;
}

void openForReading(QFile& file, const QString& what) {
    if (!file.open(QIODevice::ReadOnly))
        throw QuillError(
            QStringLiteral("Cannot open %1 \"%2\": %3.").arg(what, file.fileName(), file.errorString()));
    if (file.size() > maxFileSize)
        throw QuillError(QStringLiteral("%1 \"%2\" is too large (%3 MiB; at most %4 MiB are read).")
                             .arg(what.at(0).toUpper() + what.mid(1), file.fileName())
                             .arg(file.size() >> 20)
                             .arg(maxFileSize >> 20));
}

[[noreturn]] void throwReadError(const QFile& file, const QString& what) {
    throw QuillError(
        QStringLiteral("Cannot read %1 \"%2\": %3.").arg(what, file.fileName(), file.errorString()));
}

QByteArray readWholeFile(const QString& path, const QString& what) {
    QFile file(path);
    openForReading(file, what);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throwReadError(file, what);
    return bytes;
}

// Qt's check goes byte by byte. Notes are nearly all ASCII, so runs of it are skipped a word at a time
// and Qt checks only the runs of other bytes: no valid sequence holds an ASCII byte, so each such run
// must be valid on its own.
bool isValidUtf8(QByteArrayView bytes) {
    constexpr quint64 highBits = 0x8080808080808080ULL;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        for (quint64 w[4]; end - p >= qsizetype(sizeof w); p += sizeof w) {
            std::memcpy(w, p, sizeof w);
            if ((w[0] | w[1] | w[2] | w[3]) & highBits)
                break;
        }
        while (p < end && uchar(*p) < 0x80)
            ++p;
        const char* const run = p;
        while (p < end && uchar(*p) >= 0x80)
            ++p;
        if (p != run && !QByteArrayView(run, p - run).isValidUtf8())
            return false;
    }
    return true;
}

// Whether the file holds these bytes and no more, read a piece at a time rather than whole.
bool holdsBytes(const QString& path, QByteArrayView bytes, const QString& what) {
    QFile file(path);
    openForReading(file, what);
    if (file.size() != bytes.size())
        return false;
    QByteArray piece(FileStamp::PieceHash::PieceSize, Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size();) {
        const qint64 got = file.read(piece.data(), std::min(piece.size(), bytes.size() - at));
        if (got < 0 || file.error() != QFileDevice::NoError)
            throwReadError(file, what);
        if (got == 0 || std::memcmp(piece.constData(), bytes.data() + at, size_t(got)) != 0)
            return false;
        at += got;
    }
    return file.atEnd();
}

} // namespace

// A block for the whole file, in which pugixml parses it in place. In huge pages where the system
// grants them: a 100 MB file is then a few dozen pages to map at start and to give back at exit, not
// tens of thousands. The pages are mapped all at once: faulting them in one by one while read() fills
// them costs more.
class FileImage {
public:
    explicit FileImage(qsizetype size)
        : m_block(LargeMemory::allocate(size, LargeMemory::Pages::MapNow)), m_size(size_t(size)) {}
    char* data() const { return m_block.get(); }
    size_t size() const { return m_size; }

private:
    LargeMemory::Block m_block;
    size_t m_size;
};

namespace {

// Null for an empty file, or one that changed size while it was read. With `hash`, the bytes are
// hashed piece by piece as they arrive, while they are still in the cache.
std::unique_ptr<FileImage> readForParsing(const QString& path, const QString& what,
                                          FileStamp::PieceHash* hash) {
    QFile file(path);
    openForReading(file, what);
    const qint64 size = file.size();
    if (size == 0)
        return nullptr;
    auto image = std::make_unique<FileImage>(size);
    for (qint64 at = 0; at < size;) {
        const qint64 want = std::min<qint64>(FileStamp::PieceHash::PieceSize, size - at);
        const qint64 got = file.read(image->data() + at, want);
        if (got < 0 || file.error() != QFileDevice::NoError)
            throwReadError(file, what);
        if (got != want)
            return nullptr;
        if (hash)
            hash->add(QByteArrayView(image->data() + at, got));
        at += got;
    }
    if (!file.atEnd())
        return nullptr;
    return image;
}

} // namespace

namespace {

// The file changed and does not read: it is never saved over.
class UnreadableOutside : public QuillError {
public:
    using QuillError::QuillError;
};

// Another program wrote the file after the look before the save, which then starts again.
class ChangedMeanwhile : public QuillError {
public:
    using QuillError::QuillError;
};

// Held across check, merge and write, so that two copies of the program cannot interleave them, and
// while stale temporary files are removed, so that none of a save in progress is taken for one. A
// folder where no lock file can be made (read-only, say) does not stop a save; the write reports
// whatever keeps it from being done. A lock left by a process that died is taken over.
class NotesFileLock {
public:
    enum class Wait { Briefly, ForSave };
    NotesFileLock(const QString& notesPath, Wait wait) : m_lock(notesPath + QStringLiteral(".lock")) {
        m_lock.setStaleLockTime(60000);
        m_held = m_lock.tryLock(wait == Wait::ForSave ? 15000 : 2000);
        if (!m_held && wait == Wait::ForSave && m_lock.error() == QLockFile::LockFailedError)
            throw QuillError(QStringLiteral("The notes file \"%1\" is being saved by another program; "
                                            "try again.")
                                 .arg(notesPath));
    }
    bool isHeldElsewhere() const { return !m_held && m_lock.error() == QLockFile::LockFailedError; }

private:
    QLockFile m_lock;
    bool m_held = false;
};

} // namespace

// Reads and parses a notes file. The common case, valid UTF-8 that parses, is parsed in place in
// the block it was read into; anything else goes through parseNotes, which repairs broken UTF-8 and
// words errors.
NoteStore::Loaded NoteStore::load(const QString& path) {
    const QString what = QStringLiteral("the notes file");
    Loaded loaded;
    const FileStamp stamp = FileStamp::taken(path); // before reading: a write meanwhile shows later
    loaded.stamp = stamp;
    FileStamp::PieceHash hash;
    loaded.image = readForParsing(path, what, stamp.needsHash() ? &hash : nullptr);
    if (loaded.image) {
        const QByteArrayView bytes(loaded.image->data(), qsizetype(loaded.image->size()));
        if (stamp.needsHash())
            loaded.stamp.setHash(hash.value());
        if (!bytes.trimmed().isEmpty() && isValidUtf8(bytes)) {
            loaded.doc = std::make_unique<pugi::xml_document>();
            if (loaded.doc->load_buffer_inplace(loaded.image->data(), loaded.image->size(), parseOptions,
                                                pugi::encoding_auto)) {
                loaded.doc = checkedNotes(std::move(loaded.doc), path);
                return loaded;
            }
        }
    }
    // A failed parse may have spoilt the block: read again for the repair or the message.
    loaded = {};
    loaded.stamp = stamp;
    QByteArray bytes = readWholeFile(path, what);
    loaded.stamp.setHash(FileStamp::hashOf(bytes));
    loaded.doc = parseNotes(std::move(bytes), path);
    return loaded;
}

NoteStore::NoteStore(const LocaleFormats& formats, const IClock& clock, IPrompts& prompts,
                     ErrorReporter reportError)
    : m_formats(formats), m_clock(clock), m_prompts(prompts), m_reportError(std::move(reportError)),
      m_saveMemory(std::make_unique<SaveMemory>()) {}

NoteStore::~NoteStore() = default;

QString NoteStore::notesPathFor(const QString& storageFolder) {
    QString path = storageFolder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QStringLiteral("quill.xml");
}

void NoteStore::openOrCreate(const QString& notesPath, const QString& readMePath) {
    setNotesPath(notesPath);
    // Anything at the path, even a file that does not parse, is opened and never replaced.
    if (QFileInfo(notesPath).exists())
        open(notesPath);
    else
        createWithReadMe(readMePath);
}

void NoteStore::open(const QString& path) {
    if (const NotesFileLock lock(path, NotesFileLock::Wait::Briefly); !lock.isHeldElsewhere())
        DurableFile::removeStaleTemporaries(path);
    Loaded loaded = load(path);
    replaceDocument(loaded);
    m_notesPath = path;
    m_unsaved = false;
    m_pending.clear();
    m_unreadableShown = false;
}

void NoteStore::replaceDocument(Loaded& loaded) {
    m_doc = std::move(loaded.doc); // before the pages it was parsed in go
    m_image = std::move(loaded.image);
    m_stamp = loaded.stamp;
    resetIndex();
    m_saveMemory->notes.clear();
}

void NoteStore::createWithReadMe(const QString& readMePath) {
    if (m_notesPath.isEmpty())
        throw QuillError(QStringLiteral("No path is set for the notes file."));

    QFile readMe(readMePath);
    if (!readMe.open(QIODevice::ReadOnly | QIODevice::Text))
        throw QuillError(
            QStringLiteral("Cannot open the read-me text \"%1\": %2.").arg(readMePath, readMe.errorString()));
    QTextStream in(&readMe);
    in.setEncoding(QStringConverter::Utf8);
    QString readMeText;
    QString line;
    while (in.readLineInto(&line))
        readMeText += line + QLatin1Char('\n');
    if (in.status() != QTextStream::Ok || readMe.error() != QFileDevice::NoError)
        throw QuillError(
            QStringLiteral("Cannot read the read-me text \"%1\": %2.").arg(readMePath, readMe.errorString()));

    // Only ever a first file: notes that exist, readable or not, are not written over.
    if (QFileInfo(m_notesPath).exists())
        throw QuillError(
            QStringLiteral("The notes file \"%1\" already exists and is not replaced.").arg(m_notesPath));
    DurableFile::replaceContents(
        m_notesPath,
        QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n</Notes>\r\n"));
    open(m_notesPath);

    pugi::xml_node note = root().append_child(elemNote);
    setElementText(note.append_child(elemTitle), QStringLiteral("::: Read Me First :::"));
    setElementText(note.append_child(elemText), readMeText);
    setElementText(note.append_child(elemDateTime),
                   DayNumber::nowText(m_clock.now(), m_formats.decimalSeparator));
    m_saveMemory->notes.touch(note);
    resetIndex();
    markChanged();
    save();
}

bool NoteStore::isOpen() const {
    return m_doc != nullptr;
}

int NoteStore::childCount() const {
    if (!m_doc)
        return 0;
    return int(index().nodes.size());
}

bool NoteStore::isNoteAt(int position) const {
    if (position < 0 || position >= childCount())
        return false;
    return index().nodes[size_t(position)].type() == pugi::node_element;
}

double NoteStore::creationDay(pugi::xml_node note) {
    const QChar separator = m_formats.decimalSeparator;
    pugi::xml_node element = note.child(elemDateTime);
    if (!element)
        return *DayNumber::parse(DayNumber::nowText(m_clock.now(), separator), separator);

    const QString stored = elementText(element);
    if (stored.isEmpty())
        m_prompts.plainMessage(QStringLiteral("'%1' is not a valid floating point value").arg(stored));

    // A file written under the other decimal separator still reads.
    QString s = stored;
    const QChar other = separator == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    const qsizetype at = s.indexOf(other);
    if (at >= 0)
        s[at] = separator;
    if (const auto day = DayNumber::parse(s, separator))
        return *day;

    // The date text is tried as stored: the swap above would spoil a date like "05.03.09".
    QString repaired;
    if (const auto dateTime = DayNumber::parseDateTimeText(stored, m_formats))
        repaired = DayNumber::toText(DayNumber::fromDateTime(*dateTime), separator);
    else
        repaired = DayNumber::nowText(m_clock.now(), separator);
    pugi::xml_document scratch;
    const pugi::xml_node after = scratch.append_copy(note);
    setElementText(after.child(elemDateTime), repaired);
    NoteChange change(NoteChange::Kind::RepairDate, note, after);
    change.applyTo(root(), note);
    m_saveMemory->notes.touch(note);
    m_pending.push_back(std::move(change));
    markChanged();
    save();
    return *DayNumber::parse(repaired, separator);
}

QString NoteStore::readNoteDate(int position) {
    try {
        return DayNumber::displayTextOfNumber(creationDay(noteAt(position)), m_formats);
    } catch (const std::exception& e) {
        if (m_reportError)
            m_reportError(LogRoutine::NoteDate, messageOf(e));
        return {};
    }
}

Note NoteStore::readNote(int position, bool deferDetails) {
    const pugi::xml_node element = noteAt(position);
    Note note;
    note.position = position;

    const int generation = m_generation;
    try {
        note.createdDay = creationDay(element);
    } catch (const std::exception& e) {
        if (m_reportError)
            m_reportError(LogRoutine::NoteDate, messageOf(e));
    }
    // Saving the repaired date took in a newer file: `element` is gone, the caller reads again.
    if (generation != m_generation)
        return note;
    if (const pugi::xml_node dateTime = element.child(elemDateTime)) {
        note.dateTime = elementText(dateTime);
    } else {
        // Without a stored value the display text stands in for it, so it is needed now.
        note.createdText = DayNumber::displayTextOfNumber(note.createdDay, m_formats);
        note.dateTime = note.createdText;
    }
    if (!hasText(element.child(elemTitle)))
        throw QuillError(QStringLiteral("Note at position %1 has no title.").arg(position));

    note.detailsPending = true;
    note.displayPending = true;
    if (!deferDetails)
        fillDetails(note);
    return note;
}

void NoteStore::fillDetails(Note& note, bool withDisplayTexts) const {
    if (note.detailsPending)
        readDetails(note);
    if (note.textPending)
        readText(note);
    if (withDisplayTexts && note.displayPending) {
        if (!std::isnan(note.createdDay))
            note.createdText = DayNumber::displayTextOfNumber(note.createdDay, m_formats);
        note.modifiedText = std::isnan(note.modifiedDay)
                                ? QString()
                                : DayNumber::displayTextOfNumber(note.modifiedDay, m_formats);
        note.displayPending = false;
    }
}

void NoteStore::readDetails(Note& note) const {
    const pugi::xml_node element = noteAt(note.position);
    note.lastModified = readLastModified(element, &note.modifiedDay);
    note.title = StoreEscapes::unescapeTitle(elementText(element.child(elemTitle)));
    note.detailsPending = false;
    note.textPending = true;
}

// The stored value, or "0" (and no day) when there is none that reads as a day number.
QString NoteStore::readLastModified(pugi::xml_node note, double* day) const {
    if (day)
        *day = qQNaN();
    if (const pugi::xml_node modified = note.child(elemLastModified)) {
        QString stored = elementText(modified);
        if (const auto parsed = DayNumber::parse(stored, m_formats.decimalSeparator)) {
            if (day)
                *day = *parsed;
            return stored;
        }
    }
    return QStringLiteral("0");
}

QString NoteStore::titleText(const Note& note) const {
    return StoreEscapes::unescapeTitle(elementText(noteAt(note.position).child(elemTitle)));
}

QString NoteStore::lastModifiedText(const Note& note) const {
    return readLastModified(noteAt(note.position), nullptr);
}

void NoteStore::readText(Note& note) const {
    note.text = StoreEscapes::unescapeBody(elementText(noteAt(note.position).child(elemText)));
    note.textPending = false;
}

QString NoteStore::textBeginning(const Note& note, qsizetype maxBytes, bool& whole) const {
    const pugi::xml_node element = noteAt(note.position).child(elemText);
    const pugi::xml_node first = element.first_child();
    whole = true;
    if (!first || first.next_sibling() || first.type() != pugi::node_pcdata)
        return StoreEscapes::unescapeBody(elementText(element));
    const char* const value = first.value();
    const qsizetype length = qsizetype(::strnlen(value, size_t(maxBytes) + 1));
    if (length <= maxBytes)
        return StoreEscapes::unescapeBody(QString::fromUtf8(value, length));
    whole = false;
    qsizetype cut = maxBytes;
    // Not inside a character, nor inside an escape ("^M", "&lt;"), which begin with '^' or '&'.
    while (cut > 0 && (uchar(value[cut]) & 0xC0) == 0x80)
        --cut;
    for (qsizetype i = std::max<qsizetype>(0, cut - 3); i < cut; ++i) {
        if (value[i] == '^' || value[i] == '&') {
            cut = i;
            break;
        }
    }
    return StoreEscapes::unescapeBody(QString::fromUtf8(value, cut));
}

void NoteStore::fillSortFields(Note& note) const {
    if (note.detailsPending)
        readDetails(note);
}

int NoteStore::appendNote(const QString& title, const QString& text, const QDateTime& now) {
    requireOpen();
    const int position = childCount(); // also builds the index before the tree changes
    const QString number = DayNumber::nowText(now, m_formats.decimalSeparator);
    pugi::xml_document scratch;
    pugi::xml_node made = scratch.append_child(elemNote);
    setElementText(made.append_child(elemTitle), StoreEscapes::escapeTitle(title));
    setElementText(made.append_child(elemText), StoreEscapes::escapeBody(text));
    setElementText(made.append_child(elemDateTime), number);
    setElementText(made.append_child(elemLastModified), number);
    NoteChange change(NoteChange::Kind::Append, {}, made);
    pugi::xml_node rootNode = root();
    const pugi::xml_node note = change.applyTo(rootNode, {});
    m_index->nodes.push_back(note);
    m_saveMemory->notes.touch(note);

    // A failed save takes the note out again, so that a retry does not add it twice.
    const int generation = m_generation;
    saveChange(std::move(change), [&] { rootNode.remove_child(note); });
    // Merged into a newer file, the note is its last child.
    return generation == m_generation ? position : childCount() - 1;
}

void NoteStore::updateNote(int position, const QString& title, const QString& text, const QDateTime& now) {
    pugi::xml_node note = noteAt(position);
    pugi::xml_document before;
    before.append_copy(note);
    pugi::xml_document scratch;
    const pugi::xml_node after = scratch.append_copy(note);
    setElementText(childOrNew(after, elemTitle), StoreEscapes::escapeTitle(title));
    setElementText(childOrNew(after, elemText), StoreEscapes::escapeBody(text));
    setElementText(childOrNew(after, elemLastModified), DayNumber::nowText(now, m_formats.decimalSeparator));
    NoteChange change(NoteChange::Kind::Update, note, after);
    change.applyTo(root(), note);
    m_saveMemory->notes.touch(note);

    saveChange(std::move(change), [&] {
        // Memory keeps matching the file: the note goes back to what it was.
        pugi::xml_node rootNode = root();
        rootNode.insert_copy_before(before.first_child(), note);
        rootNode.remove_child(note);
    });
}

void NoteStore::deleteNote(int position) {
    const pugi::xml_node node = nodeAt(position);
    pugi::xml_document before;
    before.append_copy(node);
    const pugi::xml_node next = node.next_sibling();

    pugi::xml_node rootNode = root();
    // Only notes are matched in another program's file; other nodes are not carried over.
    NoteChange change(NoteChange::Kind::Delete, node.type() == pugi::node_element ? node : pugi::xml_node(),
                      {});
    m_saveMemory->notes.touch(node);
    change.applyTo(rootNode, node);
    if (m_index)
        m_index->nodes.erase(m_index->nodes.begin() + position);

    saveChange(std::move(change), [&] {
        if (next)
            rootNode.insert_copy_before(before.first_child(), next);
        else
            rootNode.append_copy(before.first_child());
    });
}

void NoteStore::saveChange(NoteChange change, const std::function<void()>& undo) {
    const bool wasUnsaved = m_unsaved;
    m_pending.push_back(std::move(change));
    markChanged();
    try {
        save();
    } catch (...) {
        undo();
        m_saveMemory->notes.clear(); // the undo put other nodes in
        m_pending.pop_back();
        resetIndex();
        m_unsaved = wasUnsaved;
        throw;
    }
}

QByteArray NoteStore::noteElement(int position) const {
    ByteWriter bytes;
    NotesOutput::writeUnindented(noteAt(position), bytes);
    return bytes.bytes;
}

int NoteStore::restoreNote(int position, const QByteArray& element) {
    requireOpen();
    pugi::xml_document kept;
    if (!parseInto(kept, element) || !kept.document_element())
        throw QuillError(QStringLiteral("The note to restore cannot be read back."));
    const int count = childCount(); // also builds the index before the tree changes
    const bool inPlace = position >= 0 && position < count;
    NoteChange change(NoteChange::Kind::Append, {}, kept.document_element());
    pugi::xml_node rootNode = root();
    const pugi::xml_node restored =
        inPlace ? rootNode.insert_copy_before(kept.document_element(), m_index->nodes[size_t(position)])
                : change.applyTo(rootNode, {});
    m_saveMemory->notes.touch(restored);
    resetIndex();

    // Merged into a newer file, the note goes in like any added one: as the last child.
    const int generation = m_generation;
    saveChange(std::move(change), [&] { rootNode.remove_child(restored); });
    if (generation != m_generation)
        return childCount() - 1;
    return inPlace ? position : count;
}

void NoteStore::save() {
    requireOpen();
    if (m_saving)
        throw QuillError(QStringLiteral("The notes file is being saved already."));
    m_saving = true;
    NoteChange::Outcome outcome;
    bool replaced = false;
    bool renumbered = false;
    try {
        const NotesFileLock lock(m_notesPath, NotesFileLock::Wait::ForSave);
        const BusyScope busy(m_busy);
        try {
            renumbered = writeMerged(outcome, FileStamp::Bytes::Later, replaced);
        } catch (const ChangedMeanwhile&) {
            outcome = {};
            renumbered = writeMerged(outcome, FileStamp::Bytes::Now, replaced);
        }
    } catch (const UnreadableOutside& e) {
        reportUnreadable(e.message()); // still marked as saving: no look at the file meanwhile
        m_saving = false;
        return; // the change stays pending in memory
    } catch (...) {
        m_saving = false;
        throw;
    }
    m_saving = false;
    if (replaced || renumbered)
        announceReplaced(mergeNotice(outcome));
}

bool NoteStore::writeMerged(NoteChange::Outcome& outcome, FileStamp::Bytes bytes, bool& replaced) {
    Loaded outside = mergedWithOutside(outcome, bytes);
    replaced = outside.doc != nullptr;
    if (replaced)
        swapDocument(outside);
    try {
        return writeAndStamp();
    } catch (...) {
        // Memory goes back to the document the caller changed, which then undoes its change.
        if (replaced)
            swapDocument(outside);
        throw;
    }
}

void NoteStore::swapDocument(Loaded& other) {
    std::swap(m_doc, other.doc);
    std::swap(m_image, other.image);
    std::swap(m_stamp, other.stamp);
    resetIndex();
    m_saveMemory->notes.clear();
}

void NoteStore::announceReplaced(const QString& notice) {
    ++m_generation;
    if (m_replaced)
        m_replaced(notice);
    else if (!notice.isEmpty())
        m_prompts.messageDlg(notice, MsgKind::Information, MsgButton::OK);
}

bool NoteStore::writeAndStamp() {
    // Counted over the index rather than along the sibling chain: its loads do not wait for each
    // other, so the cache misses of a large document overlap.
    int elements = 0;
    for (int position = 0, count = childCount(); position < count; ++position)
        elements += isNoteAt(position);
    const QString kept = keepCopy();
    bool renumbered = false;
    try {
        renumbered = saveDocumentTo(elements);
    } catch (const DurableFile::NotFlushed& e) {
        // The file holds the change, only a power failure could still undo it: memory keeps it too,
        // and the caller goes on as saved. Undoing it would show notes the file no longer holds.
        markSaved();
        afterSave(kept, true);
        if (m_reportError)
            m_reportError(QStringLiteral("Save"), e.message());
        return false;
    } catch (...) {
        afterSave(kept, false);
        throw;
    }
    markSaved();
    afterSave(kept, true);
    return renumbered;
}

void NoteStore::markSaved() {
    m_stamp = FileStamp::taken(m_notesPath);
    m_stamp.setHash(m_writtenHash);
    m_pending.clear();
    m_unsaved = false;
    m_unreadableShown = false;
}

// Linked before the rename replaces the file, the copy holds the old contents at no cost.
QString NoteStore::keepCopy() {
    try {
        return KeptCopies::keep(m_notesPath, m_clock.now());
    } catch (const std::exception& e) {
        reportCopyFailure(e);
        return {};
    }
}

void NoteStore::afterSave(const QString& keptCopy, bool saved) {
    // The file did not change: a copy of it would only push out an older one.
    if (!saved) {
        if (!keptCopy.isEmpty())
            QFile::remove(keptCopy);
        return;
    }
    try {
        KeptCopies::prune(m_notesPath, m_clock.now());
    } catch (const std::exception& e) {
        reportCopyFailure(e);
    }
}

void NoteStore::reportCopyFailure(const std::exception& e) {
    if (m_copyFailureReported || !m_reportError)
        return;
    m_copyFailureReported = true;
    m_reportError(LogRoutine::KeepCopy, messageOf(e));
}

NoteStore::Loaded NoteStore::mergedWithOutside(NoteChange::Outcome& outcome, FileStamp::Bytes bytes) {
    // A file that is gone is written again (and whatever else is there now makes the write fail);
    // one that changed is read, as at start-up, and the changes made here are applied to it.
    m_bytesUncompared = false;
    if (!m_stamp.changedOn(m_notesPath, bytes)) {
        m_bytesUncompared = bytes == FileStamp::Bytes::Later && m_stamp.needsHash();
        return {};
    }
    if (!QFileInfo(m_notesPath).isFile())
        return {};
    Loaded outside;
    try {
        outside = load(m_notesPath);
    } catch (const QuillError& e) {
        throw UnreadableOutside(e.message());
    }
    const pugi::xml_node outsideRoot = outside.doc->document_element();
    const auto titled = [this](const QString& rawTitle) { return conflictTitle(rawTitle); };
    for (const NoteChange& change : m_pending)
        change.mergeInto(outsideRoot, titled, outcome);
    return outside;
}

QString NoteStore::conflictTitle(const QString& rawTitle) const {
    const QString when = DayNumber::displayText(m_clock.now(), m_formats);
    const QString title = StoreEscapes::unescapeTitle(rawTitle);
    return StoreEscapes::xmlSafe(
        StoreEscapes::escapeTitle(QStringLiteral("%1 (conflicting copy %2)").arg(title, when)));
}

void NoteStore::reportUnreadable(const QString& message) {
    if (m_unreadableShown)
        return;
    m_unreadableShown = true;
    m_prompts.messageDlg(
        QStringLiteral("Another program changed the notes file, and it cannot be read now:\n%1\n\n"
                       "Quillnote keeps your changes and saves them into the file as soon "
                       "as it can be read again.")
            .arg(message),
        MsgKind::Warning, MsgButton::OK);
}

QString NoteStore::mergeNotice(const NoteChange::Outcome& outcome) {
    if (outcome.conflicts == 0 && outcome.keptChanged == 0)
        return {};
    QStringList parts;
    if (outcome.conflicts > 0)
        parts << QStringLiteral("%1 note(s) were changed there and here: their version is kept, and "
                                "yours is saved beside it with \"(conflicting copy ...)\" in its title.")
                     .arg(outcome.conflicts);
    if (outcome.keptChanged > 0)
        parts << QStringLiteral("%1 note(s) you deleted were changed there and are kept.")
                     .arg(outcome.keptChanged);
    return QStringLiteral("Another program changed the notes file since Quillnote last read it. Both "
                          "versions were merged.\n\n") +
           parts.join(QStringLiteral("\n"));
}

NoteStore::DiskState NoteStore::refreshFromDisk() {
    if (!m_doc || m_saving)
        return DiskState::Unchanged;
    const int generation = m_generation;
    if (m_unsaved) {
        save();
        if (m_unsaved)
            return DiskState::Unreadable;
        return generation == m_generation ? DiskState::Unchanged : DiskState::Reloaded;
    }
    if (!m_stamp.changedOn(m_notesPath) || !QFileInfo(m_notesPath).isFile())
        return DiskState::Unchanged;
    Loaded loaded;
    try {
        const BusyScope busy(m_busy);
        loaded = load(m_notesPath);
        replaceDocument(loaded); // the old document is given back here too
    } catch (const QuillError& e) {
        reportUnreadable(e.message());
        return DiskState::Unreadable;
    }
    m_unreadableShown = false;
    announceReplaced({});
    return DiskState::Reloaded;
}

bool NoteStore::saveDocumentTo(int elements) {
    // Text read from another program's file may hold what XML readers other than pugixml refuse.
    // Most files hold none, so the document is cleaned only when the written bytes show some.
    bool unclean = false;
    try {
        writeDocument(elements, unclean);
        return false;
    } catch (const ChangedMeanwhile&) {
        throw;
    } catch (const QuillError&) {
        if (!unclean || !StrictXml::clean(*m_doc))
            throw;
        m_saveMemory->notes.clear();
        writeDocument(elements, unclean);
    }
    // Text between the notes that cleaning left blank is not in the file once it is read again.
    // Memory drops it only now that the file holds the notes: until then a failed save must leave
    // every note where the caller's undo expects it.
    if (StrictXml::removeDroppedBlanks(root()) == 0)
        return false;
    resetIndex();
    m_saveMemory->notes.clear();
    return true;
}

void NoteStore::writeDocument(int elements, bool& unclean) {
    unclean = false;
    m_saveMemory->keepForNextSave();
    NotesOutput& notes = m_saveMemory->notes;
    WrittenCheck written;
    try {
        DurableFile::replaceContents(
            m_notesPath,
            DurableFile::Streamed{
                [&](DurableFile::Sink& sink) {
                    SinkWriter writer(sink);
                    notes.write(*m_doc, writer);
                },
                [&written](std::span<const char> bytes, bool complete) { written.inspect(bytes, complete); },
                // What goes to disk must read back, as Open reads it, with every note in it, and be
                // read by any XML reader.
                [&](std::span<char> bytes) {
                    notes.keep(bytes);
                    return checkWrittenAndFile(bytes, written, elements, unclean);
                },
                &m_saveMemory->output});
    } catch (...) {
        // What was kept may be neither what the file holds nor what memory will.
        notes.clear();
        throw;
    }
    notes.commit();
}

QString NoteStore::checkWrittenAndFile(std::span<char> bytes, const WrittenCheck& written, int elements,
                                       bool& unclean) {
    // Where only its bytes can tell whether another program wrote the file since the look before the
    // save, they are compared on another thread while the written ones are checked: the writing
    // thread is waiting for the disk meanwhile.
    const auto fileChanged = [this] { return m_stamp.changedOn(m_notesPath); };
    std::future<bool> changed;
    if (m_bytesUncompared) {
        try {
            changed = std::async(std::launch::async, fileChanged);
        } catch (const std::system_error&) {
            // No thread to spare: compared below instead.
        }
    }
    const QString fault = checkWritten(bytes, written, elements, unclean);
    m_writtenHash = written.hash();
    if (changed.valid() ? changed.get() : m_bytesUncompared && fileChanged())
        throw ChangedMeanwhile(
            QStringLiteral("The notes file \"%1\" changed while it was being saved.").arg(m_notesPath));
    return fault;
}

QString NoteStore::checkWritten(std::span<char> bytes, const WrittenCheck& written, int elements,
                                bool& unclean) {
    // Before the parse, which changes the bytes.
    if (!written.isCertainlyClean()) {
        const QString fault =
            StrictXml::characterFault(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        if (!fault.isEmpty()) {
            unclean = true;
            return QStringLiteral("the document written holds %1").arg(fault);
        }
    }
    // Ends after the document: it holds the document's memory.
    const ParseArena arena(qsizetype(bytes.size()) + 1024 * 1024, &m_saveMemory->check);
    pugi::xml_document check;
    const pugi::xml_parse_result result =
        check.load_buffer_inplace(bytes.data(), bytes.size(), parseOptions, pugi::encoding_auto);
    if (!result)
        return QStringLiteral("the document written does not read back (%1)")
            .arg(QString::fromUtf8(result.description()));
    if (const int roots = elementCount(check); roots != 1) {
        unclean = true;
        return QStringLiteral("the document written has %1 root elements").arg(roots);
    }
    const int found = elementCount(check.document_element());
    if (found != elements)
        return QStringLiteral("the document written reads back with %1 elements instead of %2")
            .arg(found)
            .arg(elements);
    return QString();
}

void NoteStore::close() {
    if (!m_doc)
        return;
    if (m_unsaved)
        save();
    if (m_unsaved && m_reportError)
        m_reportError(QStringLiteral("Save"),
                      QStringLiteral("The notes file \"%1\" could not be read, so the last changes were not "
                                     "saved into it.")
                          .arg(m_notesPath));
    m_doc.reset();
    m_image.reset();
    resetIndex();
    m_saveMemory->release();
    m_unsaved = false;
}

void NoteStore::moveStorage(const QString& oldFolder, const QString& newFolder) {
    const QString oldPath = notesPathFor(oldFolder);
    const QString newPath = notesPathFor(newFolder);
    const bool wasOpen = isOpen();

    const QFileInfo oldInfo(oldPath);
    const QFileInfo newInfo(newPath);
    if (oldInfo.exists() && newInfo.exists() && oldInfo.canonicalFilePath() == newInfo.canonicalFilePath()) {
        // Same file under another name: backing it up and copying it onto itself would be wrong.
        close();
        open(newPath);
        return;
    }

    close(); // writes pending changes; if that fails nothing has moved yet
    try {
        const QByteArray bytes = readWholeFile(oldPath, QStringLiteral("the notes file"));
        parseNotes(bytes, oldPath);

        if (newInfo.exists()) {
            const QString stamp = m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            QString backup = newPath + QStringLiteral(".backup-") + stamp;
            for (int n = 2; QFileInfo::exists(backup); ++n)
                backup = newPath + QStringLiteral(".backup-%1-%2").arg(stamp).arg(n);
            DurableFile::replaceContents(backup, readWholeFile(newPath, QStringLiteral("the notes file")));
        }
        DurableFile::replaceContents(newPath, bytes);
        if (!holdsBytes(newPath, bytes, QStringLiteral("the moved notes file")))
            throw QuillError(QStringLiteral("The copy \"%1\" differs from the original.").arg(newPath));
        try {
            KeptCopies::copyAll(oldPath, newPath);
        } catch (const std::exception& e) {
            reportCopyFailure(e); // the notes themselves have moved
        }
        open(newPath);
    } catch (const std::exception& e) {
        QString message =
            QStringLiteral("The notes could not be moved to \"%1\": %2 The notes stay in \"%3\".")
                .arg(newPath, messageOf(e), oldPath);
        m_notesPath = oldPath;
        if (wasOpen) {
            try {
                open(oldPath);
            } catch (const std::exception& reopen) {
                message += QStringLiteral(" Reopening them failed: %1").arg(messageOf(reopen));
            }
        }
        throw QuillError(message);
    }
}

QByteArray NoteStore::serialized() const {
    requireOpen();
    ByteWriter writer;
    NotesOutput::writeWhole(*m_doc, writer);
    return writer.bytes;
}

void NoteStore::readNotesFile(const QString& path, const std::function<void(pugi::xml_node root)>& visit) {
    const Loaded loaded = load(path);
    if (visit)
        visit(loaded.doc->document_element());
}

void NoteStore::forEachNote(const std::function<void(pugi::xml_node note)>& visit) const {
    requireOpen();
    for (pugi::xml_node n = root().first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            visit(n);
}

pugi::xml_node NoteStore::root() const {
    return m_doc->document_element();
}

pugi::xml_node NoteStore::nodeAt(int position) const {
    requireOpen();
    if (position < 0 || position >= childCount())
        throw QuillError(QStringLiteral("The notes file has no node at position %1.").arg(position));
    return index().nodes[size_t(position)];
}

pugi::xml_node NoteStore::noteAt(int position) const {
    const pugi::xml_node node = nodeAt(position);
    if (node.type() != pugi::node_element)
        throw QuillError(
            QStringLiteral("The node at position %1 of the notes file is not a note.").arg(position));
    return node;
}

void NoteStore::requireOpen() const {
    if (!m_doc)
        throw QuillError(QStringLiteral("No notes file is open."));
}

// Built at the first look after a change, by whichever reader comes first.
const NodeIndex& NoteStore::index() const {
    if (!m_indexBuilt.load(std::memory_order_acquire)) {
        std::lock_guard lock(m_indexMutex);
        if (!m_index) {
            auto index = std::make_unique<NodeIndex>();
            for (pugi::xml_node n = root().first_child(); n; n = n.next_sibling())
                index->nodes.push_back(n);
            m_index = std::move(index);
        }
        m_indexBuilt.store(true, std::memory_order_release);
    }
    return *m_index;
}

void NoteStore::resetIndex() {
    m_index.reset();
    m_indexBuilt.store(false, std::memory_order_release);
}

void NoteStore::markChanged() {
    m_unsaved = true;
}
