#include "NoteListModel.h"

#include "gui/ImageList.h"

#include <algorithm>
#include <numeric>
#include <system_error>
#include <thread>

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
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(notes.size());
    for (Note& n : notes)
        m_rows.push_back(Row{std::move(n), false});
    m_keys.clear();
    m_keyColumn = -1;
    endResetModel();
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

} // namespace

// For a body not read yet, its beginning: most keys need only the first few words.
std::vector<NoteListModel::KeySource> NoteListModel::keySources(int column) const {
    std::vector<KeySource> sources(m_rows.size());
    if (column != ColNote || !m_readTextBeginning)
        return sources;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        if (!bodyPending(row.note) || m_keys[i].made)
            continue;
        KeySource& source = sources[i];
        try {
            source.beginning = m_readTextBeginning(row.note, source.whole);
            source.useBeginning = true;
        } catch (const std::exception&) {
            // as in completed(): the body is read in full below, and the row sorts by what it has
        }
    }
    return sources;
}

// The rows' keys for a column, the second half built on another thread with a collator of its own
// (one collator is not to be used by two threads). A key that needs more of a body than its
// beginning is made here afterwards, from the whole body.
void NoteListModel::buildKeys(int column) {
    if (m_keyColumn != column || m_keys.size() != m_rows.size()) {
        m_keys.assign(m_rows.size(), {});
        m_keyColumn = column;
    }
    const std::vector<KeySource> sources = keySources(column);
    std::vector<char> needsWhole(m_rows.size(), 0);
    const auto build = [&](const PrefixCollator& collator, size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            PrefixCollator::Key& key = m_keys[i];
            if (key.made)
                continue;
            const KeySource& source = sources[i];
            const Note& note = m_rows[i].note;
            const bool made = source.useBeginning ? collator.makeKey(source.beginning, source.whole, key)
                              : column == ColNote && bodyPending(note)
                                  ? false
                                  : collator.makeKey(sortKeyText(note, column), true, key);
            needsWhole[i] = !made;
        }
    };
    const size_t half = m_rows.size() / 2;
    if (half < 1000) {
        build(*m_prefixCollator, 0, m_rows.size());
    } else {
        const PrefixCollator second(m_collator);
        std::jthread worker;
        try {
            worker = std::jthread(build, std::cref(second), half, m_rows.size());
        } catch (const std::system_error&) {
            build(*m_prefixCollator, half, m_rows.size()); // no thread to be had: all on this one
        }
        build(*m_prefixCollator, 0, half);
    }
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (needsWhole[i])
            m_prefixCollator->makeKey(sortKeyText(completed(int(i), false), column), true, m_keys[i]);
}

// Equal key beginnings leave the order to the whole texts; bodies are read for that only then.
int NoteListModel::compareRows(int a, int b, int column) const {
    const PrefixCollator::Key& keyA = m_keys[size_t(a)];
    const PrefixCollator::Key& keyB = m_keys[size_t(b)];
    if (keyA.made && keyB.made) {
        bool decided = false;
        const int c = PrefixCollator::compareKeys(keyA, keyB, decided);
        if (decided)
            return c;
    }
    const QString& textA = sortKeyText(completed(a, false), column);
    const QString& textB = sortKeyText(completed(b, false), column);
    return m_prefixCollator->compare(textA, textB);
}

namespace {

// Stored day numbers are ASCII digits with a separator; for such texts the locale's collation and a
// byte comparison agree (separators sort before digits, a prefix before its extensions).
bool isPlainNumberText(const QString& text) {
    for (QChar c : text)
        if (!(c.isDigit() && c.unicode() < 0x80) && c != QLatin1Char('.') && c != QLatin1Char(','))
            return false;
    return true;
}

} // namespace

// Only the creation number is known before a row's details are read; the bodies are read only
// for sorting by them, and then only their beginnings when the store can give those.
void NoteListModel::readSortFields(int column) {
    if (column == ColCreated)
        return;
    if (column == ColNote && m_readTextBeginning)
        return; // keySources() reads what is needed
    const bool bodies = column == ColNote || !m_fillSortFields;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Note& note = m_rows[i].note;
        if (bodies) {
            completed(int(i), false);
        } else if (note.detailsPending) {
            try {
                m_fillSortFields(note);
            } catch (const std::exception&) {
                // as in completed(): the row sorts by what it has
            }
        }
    }
}

void NoteListModel::sortByColumn(int column, int direction) {
    if (!m_prefixCollator)
        m_prefixCollator = std::make_unique<PrefixCollator>(m_collator);
    readSortFields(column);
    // Titles and bodies always go by keys: a body may not be read yet. For number texts the keys
    // give the order a byte comparison gives.
    const bool byKeys = column == ColTitle || column == ColNote;
    const bool plainNumbers = !byKeys && std::all_of(m_rows.begin(), m_rows.end(), [column](const Row& r) {
        return isPlainNumberText(sortKeyText(r.note, column));
    });
    std::function<int(int, int)> compare;
    if (plainNumbers) {
        compare = [this, column](int a, int b) {
            return QString::compare(sortKeyText(m_rows[size_t(a)].note, column),
                                    sortKeyText(m_rows[size_t(b)].note, column), Qt::CaseSensitive);
        };
    } else {
        buildKeys(column);
        compare = [this, column](int a, int b) { return compareRows(a, b, column); };
    }

    std::vector<int> order = sortedOrder([&](int a, int b) {
        const int c = compare(a, b);
        return direction < 0 ? -c : c;
    });
    m_sortedColumn = column;
    m_sortDirection = direction;
    if (std::is_sorted(order.begin(), order.end()))
        emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    else
        applyOrder(order);
}

// The stable order of the rows. Notes are appended as they are written, so the list is often in
// order by a date already, one way or the other: such lists are found in one pass.
std::vector<int> NoteListModel::sortedOrder(const std::function<int(int, int)>& compare) const {
    const int count = int(m_rows.size());
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    int ascending = 1;
    int descending = 1;
    for (int i = 1; i < count && (ascending || descending); ++i) {
        const int c = compare(i - 1, i);
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
            while (start > 0 && compare(start - 1, start) == 0)
                --start;
            reversed.insert(reversed.end(), order.begin() + start, order.begin() + end);
            end = start;
        }
        return reversed;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(a, b) < 0; });
    return order;
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
        std::vector<PrefixCollator::Key> keys;
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
