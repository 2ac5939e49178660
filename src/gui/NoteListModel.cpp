#include "NoteListModel.h"

#include "gui/ImageList.h"

#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

namespace {

// Below this many rows a first sort is quick without keys made beforehand.
constexpr size_t PrefetchMinimumRows = 1000;

} // namespace

NoteListModel::NoteListModel(QObject* parent) : QAbstractTableModel(parent) {
    // The locale's word order, case-sensitive: "a" and "A" are different keys.
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
}

QString NoteListModel::caption(int column) {
    switch (column) {
    case ColCreated:
        return QStringLiteral("Date Created");
    case ColModified:
        return QStringLiteral("Last Modified");
    case ColTitle:
        return QStringLiteral("Title");
    case ColNote:
        return QStringLiteral("Note");
    }
    return {};
}

// Dates sort by their stored number texts, compared as text.
const QString& NoteListModel::sortKeyText(const Note& note, int column) {
    switch (column) {
    case ColCreated:
        return note.dateTime;
    case ColModified:
        return note.lastModified;
    case ColTitle:
        return note.title;
    default:
        return note.text;
    }
}

void NoteListModel::setNotes(std::vector<Note> notes) {
    if (m_prefetch)
        m_prefetch->pause();
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(notes.size());
    for (Note& n : notes)
        m_rows.push_back(Row{std::move(n), false, int(m_rows.size())});
    m_keys.clear();
    m_keyColumn = -1;
    endResetModel();
    if (m_prefetch)
        m_prefetch->restart(0); // the keys of the rows before are no use
    m_sortKeysPending = m_rows.size() >= PrefetchMinimumRows;
}

void NoteListModel::prepareSortKeys() {
    if (!m_sortKeysPending)
        return;
    m_sortKeysPending = false;
    if (!m_prefetch) {
        m_prefetch = std::make_unique<SortKeyPrefetch>(
            m_collator,
            SortKeyPrefetch::Rows{
                [this] { return rowCount(); }, [this](int row) { return m_rows[size_t(row)].slot; },
                [this](int row, SortKeyPrefetch::Texts& texts) { return readKeyTexts(row, texts); }});
    }
    m_prefetch->restart(int(m_rows.size()));
}

// What the row sorts by, read into a copy: the row keeps only what it shows.
bool NoteListModel::readKeyTexts(int row, SortKeyPrefetch::Texts& texts) const {
    Note note = m_rows[size_t(row)].note;
    try {
        if (note.detailsPending && m_fillSortFields)
            m_fillSortFields(note);
        else if (note.detailsPending && m_fillDetails)
            m_fillDetails(note, false);
        if (note.detailsPending)
            return false; // the document it came from is gone
        texts.title = note.title;
        texts.modified = note.lastModified;
        if (note.textPending && m_readSortText) {
            texts.body = m_readSortText(note, ColNote, texts.bodyWhole);
            return true;
        }
        if (note.textPending && m_fillDetails)
            m_fillDetails(note, false);
        texts.body = note.text;
        return !note.textPending;
    } catch (const std::exception&) {
        return false; // the sort reads it
    }
}

int NoteListModel::appendNote(Note note) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.push_back(Row{std::move(note), false});
    if (!m_keys.empty())
        m_keys.emplace_back();
    endInsertRows();
    return row;
}

void NoteListModel::updateNote(int row, const Note& note) {
    Row& r = m_rows.at(size_t(row));
    r.note = note;
    r.slot = -1;
    if (size_t(row) < m_keys.size())
        m_keys[size_t(row)] = {};
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void NoteListModel::removeNoteRow(int row) {
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    if (size_t(row) < m_keys.size())
        m_keys.erase(m_keys.begin() + row);
    endRemoveRows();
}

Note& NoteListModel::displayed(int row) const {
    return completed(row, true);
}

Note& NoteListModel::completed(int row, bool withDisplayTexts) const {
    Note& note = m_rows.at(size_t(row)).note;
    if ((note.detailsPending || note.textPending || (withDisplayTexts && note.displayPending)) &&
        m_fillDetails) {
        try {
            m_fillDetails(note, withDisplayTexts);
        } catch (const std::exception&) {
            // The document went away (closed at exit); the row shows what it has.
        }
    }
    return note;
}

const Note& NoteListModel::note(int row) const {
    return displayed(row);
}

int NoteListModel::rowOfPosition(int position) const {
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [position](const Row& row) { return row.note.position == position; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void NoteListModel::setChecked(int row, bool checked) {
    m_rows.at(size_t(row)).checked = checked;
    const QModelIndex cell = index(row, ColCreated);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
    emit checkToggled(row);
}

std::vector<int> NoteListModel::checkedRows() const {
    std::vector<int> rows;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].checked)
            rows.push_back(int(i));
    return rows;
}

namespace {

bool bodyPending(const Note& note) {
    return note.detailsPending || note.textPending;
}

// Whether the row lacks the text it sorts by.
bool rowTextPending(const Note& note, int column) {
    if (column == NoteListModel::ColNote)
        return bodyPending(note);
    return column != NoteListModel::ColCreated && note.detailsPending;
}

// Runs work(thread, begin, end) over [0, count) a chunk at a time: on this thread (0) and, when
// `helped`, on a helper thread (1) too, each taking the next chunk nobody has.
void runInChunks(size_t count, bool helped,
                 const std::function<void(int thread, size_t begin, size_t end)>& work) {
    constexpr size_t ChunkSize = 256;
    const size_t chunkCount = (count + ChunkSize - 1) / ChunkSize;
    std::atomic<size_t> next{0};
    const auto run = [&](int thread) {
        for (size_t chunk = next.fetch_add(1); chunk < chunkCount; chunk = next.fetch_add(1))
            work(thread, chunk * ChunkSize, std::min(count, (chunk + 1) * ChunkSize));
    };
    std::jthread helper;
    if (helped && chunkCount > 1) {
        try {
            helper = std::jthread(run, 1);
        } catch (const std::system_error&) {
            // no thread to be had: all on this one
        }
    }
    run(0);
}

} // namespace

// What the row's key is made from, read without touching the row so that two threads may read at
// once: the row's own text, or else its title or the beginning of its body as the store has them.
// False when only reading the note into the row will do.
bool NoteListModel::readKeySource(size_t row, int column, KeySource& source) const {
    const Note& note = m_rows[row].note;
    source.useBeginning = false;
    if (!rowTextPending(note, column))
        return true;
    if (!m_readSortText)
        return false;
    try {
        source.whole = true;
        source.beginning = m_readSortText(note, column, source.whole);
        source.useBeginning = true;
        return true;
    } catch (const std::exception&) {
        return false; // read into the row afterwards, which sorts by what it has if that fails too
    }
}

// False when the key needs more of the body than was read.
bool NoteListModel::makeKey(const PrefixCollator& collator, size_t row, int column, const KeySource& source) {
    PrefixCollator::Key& key = m_keys[row];
    if (source.useBeginning)
        return collator.makeKey(source.beginning, source.whole, key);
    return collator.makeKey(sortKeyText(m_rows[row].note, column), true, key);
}

// The keys of the rows that have none for the column. This thread and a helper, each with a collator
// of its own (one is not to be used by two threads), read what the keys are made from and make them,
// touching no row. What cannot be read so, and keys that need more of a body than its beginning, are
// made here afterwards from the rows read in full.
void NoteListModel::buildKeys(int column) {
    if (m_keyColumn != column || m_keys.size() != m_rows.size()) {
        m_keys.assign(m_rows.size(), {});
        m_keyColumn = column;
    }
    std::vector<size_t> rows;
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (!m_keys[i].made)
            rows.push_back(i);
    if (rows.empty())
        return;
    std::vector<char> leftOver(rows.size(), 0);
    const bool helped = m_readSortText && rows.size() >= 2 * PrefetchMinimumRows;
    runInChunks(rows.size(), helped, [&](int thread, size_t begin, size_t end) {
        const PrefixCollator& collator = thread == 0 ? *m_prefixCollator : *m_helperCollator;
        KeySource source;
        for (size_t j = begin; j < end; ++j)
            leftOver[j] =
                !readKeySource(rows[j], column, source) || !makeKey(collator, rows[j], column, source);
    });
    for (size_t j = 0; j < rows.size(); ++j)
        if (leftOver[j])
            m_prefixCollator->makeKey(sortFieldText(int(rows[j]), column), true, m_keys[rows[j]]);
}

// The text the row sorts by, read into a copy where the row has not read it, leaving the row as it
// is: two threads may ask at once.
QString NoteListModel::sortTextCopy(int row, int column) const {
    const Note& note = m_rows[size_t(row)].note;
    if (!rowTextPending(note, column))
        return sortKeyText(note, column);
    try {
        if (column != ColNote && m_readSortText) {
            bool whole = true;
            return m_readSortText(note, column, whole);
        }
        Note copy = note;
        if (column != ColNote && m_fillSortFields)
            m_fillSortFields(copy);
        else if (m_fillDetails)
            m_fillDetails(copy, false);
        return sortKeyText(copy, column);
    } catch (const std::exception&) {
        return sortKeyText(note, column); // as in completed(): the row sorts by what it has
    }
}

// Orders rows by their keys and, where the keys cannot tell, by their whole texts: read once each for
// this comparer, never into the rows, so that two comparers may work at once on two threads.
class NoteListModel::RowComparer {
public:
    RowComparer(const NoteListModel& model, int column, const PrefixCollator& collator)
        : m_model(model), m_column(column), m_collator(collator) {}

    int compare(int a, int b) {
        const PrefixCollator::Key& keyA = m_model.m_keys[size_t(a)];
        const PrefixCollator::Key& keyB = m_model.m_keys[size_t(b)];
        if (keyA.made && keyB.made) {
            bool decided = false;
            const int c = PrefixCollator::compareKeys(keyA, keyB, decided);
            if (decided)
                return c;
        }
        return m_collator.compare(textOf(a), textOf(b));
    }

private:
    const QString& textOf(int row) {
        const auto [at, added] = m_texts.try_emplace(row);
        if (added)
            at->second = m_model.sortTextCopy(row, m_column);
        return at->second;
    }

    const NoteListModel& m_model;
    int m_column;
    const PrefixCollator& m_collator;
    std::unordered_map<int, QString> m_texts;
};

namespace {

// Where the first sixteen bytes of two keys differ they order the rows; elsewhere `tie` does.
struct SortEntry {
    std::uint64_t head = 0;
    std::uint64_t next = 0;
    int row = 0;
    bool sure = false;
};
using SortEntries = std::vector<SortEntry, LargeMemory::Allocator<SortEntry>>;

SortEntry keyEntry(const PrefixCollator::Key& key, int row) {
    std::uint64_t words[2] = {0, 0};
    for (int i = 0; i < 16; ++i)
        words[i / 8] = words[i / 8] << 8 | (i < key.size ? key.bytes[size_t(i)] : 0);
    return {words[0], words[1], row, key.made};
}

// The stable order of the rows, given their entries in row order. Notes are appended as they are
// written, so the list is often in order by a date already, one way or the other: such lists are
// found in one pass.
using Tie = std::function<int(int a, int b)>;

int compareEntries(const SortEntry& a, const SortEntry& b, int direction, const Tie& tie) {
    int c = 0;
    if (a.sure && b.sure && (a.head != b.head || a.next != b.next))
        c = a.head != b.head ? (a.head < b.head ? -1 : 1) : (a.next < b.next ? -1 : 1);
    else
        c = tie(a.row, b.row);
    return direction < 0 ? -c : c;
}

// The stable order of the entries as a total one: equal rows by their row numbers. Then each half
// can be sorted on a thread of its own, given a tie of its own for the second thread (see
// RowComparer), and the halves merged. A merge sort still, which
// stays within the array whatever the comparisons say.
void sortEntries(SortEntries& entries, int direction, const Tie& tie, const Tie& helperTie) {
    const auto lessBy = [direction](const Tie& by) {
        return [direction, &by](const SortEntry& a, const SortEntry& b) {
            const int c = compareEntries(a, b, direction, by);
            return c != 0 ? c < 0 : a.row < b.row;
        };
    };
    const auto middle = entries.begin() + std::ptrdiff_t(entries.size() / 2);
    std::jthread helper;
    if (helperTie && entries.size() >= 2 * PrefetchMinimumRows) {
        try {
            helper = std::jthread([&] { std::stable_sort(entries.begin(), middle, lessBy(helperTie)); });
        } catch (const std::system_error&) {
            // no thread to be had: all on this one
        }
    }
    if (!helper.joinable()) {
        std::stable_sort(entries.begin(), entries.end(), lessBy(tie));
        return;
    }
    std::stable_sort(middle, entries.end(), lessBy(tie));
    helper.join();
    SortEntries merged(entries.size());
    std::merge(entries.begin(), middle, middle, entries.end(), merged.begin(), lessBy(tie));
    entries = std::move(merged);
}

std::vector<int> stableOrder(SortEntries entries, int direction, const Tie& tie, const Tie& helperTie = {}) {
    const auto compare = [&](const SortEntry& a, const SortEntry& b) {
        return compareEntries(a, b, direction, tie);
    };
    const int count = int(entries.size());
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    int ascending = 1;
    int descending = 1;
    for (int i = 1; i < count && (ascending || descending); ++i) {
        const int c = compare(entries[size_t(i - 1)], entries[size_t(i)]);
        ascending &= c <= 0;
        descending &= c >= 0;
    }
    if (ascending)
        return order;
    if (descending) {
        // Runs of equal rows keep their order; the runs come last first.
        std::vector<int> reversed;
        reversed.reserve(order.size());
        for (int end = count; end > 0;) {
            int start = end - 1;
            while (start > 0 && compare(entries[size_t(start - 1)], entries[size_t(start)]) == 0)
                --start;
            reversed.insert(reversed.end(), order.begin() + start, order.begin() + end);
            end = start;
        }
        return reversed;
    }
    sortEntries(entries, direction, tie, helperTie);
    for (size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].row;
    return order;
}

} // namespace

// The row's title or last-modified value, read for it if need be.
const QString& NoteListModel::sortFieldText(int row, int column) const {
    Note& note = m_rows[size_t(row)].note;
    if (column == ColCreated)
        return note.dateTime;
    if (column == ColNote || (note.detailsPending && !m_fillSortFields))
        return sortKeyText(completed(row, false), column);
    if (note.detailsPending) {
        try {
            m_fillSortFields(note);
        } catch (const std::exception&) {
            // as in completed(): the row sorts by what it has
        }
    }
    return sortKeyText(note, column);
}

void NoteListModel::takePrefetchedKeys(int column) {
    if (m_keyColumn != column || m_keys.size() != m_rows.size()) {
        m_keys.assign(m_rows.size(), {});
        m_keyColumn = column;
    }
    if (!m_prefetch)
        return;
    const auto field = column == ColTitle ? SortKeyPrefetch::Field::Title : SortKeyPrefetch::Field::Body;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_keys[i].made)
            continue;
        if (const PrefixCollator::Key* key = m_prefetch->key(m_rows[i].slot, field))
            m_keys[i] = *key;
    }
}

std::vector<int> NoteListModel::orderByKeys(int column, int direction) {
    buildKeys(column);
    SortEntries entries(m_rows.size());
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] = keyEntry(m_keys[i], int(i));
    RowComparer comparer(*this, column, *m_prefixCollator);
    RowComparer helperComparer(*this, column, *m_helperCollator);
    return stableOrder(
        std::move(entries), direction, [&](int a, int b) { return comparer.compare(a, b); },
        [&](int a, int b) { return helperComparer.compare(a, b); });
}

std::optional<std::uint64_t> NoteListModel::dateKey(int row, int column) const {
    const Row& r = m_rows[size_t(row)];
    if (column == ColModified && r.note.detailsPending && m_prefetch) {
        if (const auto key = m_prefetch->modifiedKey(r.slot))
            return key;
    }
    return SortKeyPrefetch::plainNumberKey(sortTextCopy(row, column));
}

// Stored day numbers are ASCII digits with a separator. For such texts the locale's collation and a
// comparison of the texts agree (separators sort before digits, a prefix before its extensions),
// and so does a comparison of their number keys, unless both are cut short.
// Their keys are read on two threads, as in buildKeys().
bool NoteListModel::orderByDates(int column, int direction, std::vector<int>& order) {
    SortEntries entries(m_rows.size());
    std::atomic<bool> plain{true};
    const bool helped = m_readSortText && entries.size() >= 2 * PrefetchMinimumRows;
    runInChunks(entries.size(), helped, [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end && plain.load(std::memory_order_relaxed); ++i) {
            const std::optional<std::uint64_t> key = dateKey(int(i), column);
            if (!key)
                plain.store(false, std::memory_order_relaxed);
            entries[i] = {key.value_or(0), 0, int(i), true};
        }
    });
    if (!plain.load())
        return false;
    const Tie tie = [&](int a, int b) {
        if (!SortKeyPrefetch::keyIsCut(entries[size_t(a)].head))
            return 0;
        return QString::compare(sortTextCopy(a, column), sortTextCopy(b, column), Qt::CaseSensitive);
    };
    order = stableOrder(entries, direction, tie, tie);
    return true;
}

void NoteListModel::sortByColumn(int column, int direction) {
    if (!m_prefixCollator) {
        m_prefixCollator = std::make_unique<PrefixCollator>(m_collator);
        m_helperCollator = std::make_unique<PrefixCollator>(m_collator);
    }
    // What the background has made so far is taken; the rest is made here, which is quicker than
    // waiting for it.
    if (m_prefetch)
        m_prefetch->pause();
    const auto resume = qScopeGuard([this] {
        if (m_prefetch)
            m_prefetch->resume();
    });
    std::vector<int> order;
    if (column == ColTitle || column == ColNote) {
        takePrefetchedKeys(column);
        order = orderByKeys(column, direction);
    } else if (!orderByDates(column, direction, order)) {
        // Titles and bodies always go by keys, and dates that are not plain numbers as well.
        order = orderByKeys(column, direction);
    }
    m_sortedColumn = column;
    m_sortDirection = direction;
    if (std::is_sorted(order.begin(), order.end()))
        emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    else
        applyOrder(order);
}

void NoteListModel::applyOrder(const std::vector<int>& order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        newRowOf[size_t(order[i])] = int(i);
    // In place, one cycle of the permutation at a time: a second array of 100k rows would be fresh
    // memory, slow to fault in and to give back.
    std::vector<bool> placed(m_rows.size());
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start])
            continue;
        Row held = std::move(m_rows[start]);
        size_t at = start;
        for (auto from = size_t(order[at]); from != start; from = size_t(order[at])) {
            m_rows[at] = std::move(m_rows[from]);
            placed[at] = true;
            at = from;
        }
        m_rows[at] = std::move(held);
        placed[at] = true;
    }
    if (m_keys.size() == order.size()) {
        Keys keys;
        keys.reserve(m_keys.size());
        for (const int from : order)
            keys.push_back(m_keys[size_t(from)]);
        m_keys = std::move(keys);
    }
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newRowOf[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

namespace {

// Wider than a column on any usual screen: the rest would only be shaped and cut off again, row by
// row, at every paint, a large part of the list's first paint with long bodies.
constexpr qsizetype DisplayLength = 500;

} // namespace

// A row is one line high: its line breaks are shown as blanks, and a long text is cut, which the
// ellipsis tells; the cell keeps the text whole.
QString NoteListModel::displayLine(const QString& text) {
    if (text.size() <= DisplayLength)
        return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QString line = text.left(DisplayLength);
    if (line.back().isHighSurrogate())
        line.chop(1);
    return line.replace(QLatin1Char('\n'), QLatin1Char(' ')) + QChar(0x2026);
}

int NoteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int NoteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant NoteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    if (role == Qt::CheckStateRole && index.column() == ColCreated)
        return m_rows[size_t(index.row())].checked ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    const Note& n = displayed(index.row());
    switch (index.column()) {
    case ColCreated:
        return n.createdText;
    case ColModified:
        return n.modifiedText;
    case ColTitle:
    case ColNote: {
        const QString& full = index.column() == ColTitle ? n.title : n.text;
        if (role == Qt::DisplayRole)
            return displayLine(full);
        return full;
    }
    }
    return {};
}

bool NoteListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != ColCreated || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags NoteListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == ColCreated)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant NoteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return caption(section);
    if (role == Qt::DecorationRole && section == m_sortedColumn)
        return ImageList::icon(m_sortDirection >= 0 ? ImageList::SortAscending : ImageList::SortDescending);
    return {};
}
