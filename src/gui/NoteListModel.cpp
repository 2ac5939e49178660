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
        m_rows.push_back(Row{std::move(n), false, {}});
    endResetModel();
}

int NoteListModel::appendNote(Note note) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.push_back(Row{std::move(note), false, {}});
    endInsertRows();
    return row;
}

void NoteListModel::updateNote(int row, const Note& note) {
    Row& r = m_rows.at(size_t(row));
    r.note = note;
    r.keys = {};
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void NoteListModel::removeNoteRow(int row) {
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
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

const QCollatorSortKey& NoteListModel::keyOf(Row& row, int column) {
    auto& key = row.keys[size_t(column)];
    if (!key)
        key.emplace(m_collator.sortKey(sortKeyText(row.note, column)));
    return *key;
}

// The rows' keys for a column, the second half built on another thread with a collator of its own
// (one collator is not to be used by two threads): most of a first sort is building keys.
void NoteListModel::buildKeys(int column) {
    const size_t half = m_rows.size() / 2;
    const auto build = [this, column](const QCollator& collator, size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            auto& key = m_rows[i].keys[size_t(column)];
            if (!key)
                key.emplace(collator.sortKey(sortKeyText(m_rows[i].note, column)));
        }
    };
    if (half < 1000) {
        build(m_collator, 0, m_rows.size());
        return;
    }
    QCollator second(m_collator.locale());
    second.setCaseSensitivity(m_collator.caseSensitivity());
    std::jthread worker;
    try {
        worker = std::jthread(build, std::cref(second), half, m_rows.size());
    } catch (const std::system_error&) {
        build(m_collator, half, m_rows.size()); // no thread to be had: all on this one
    }
    build(m_collator, 0, half);
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
// for sorting by them.
void NoteListModel::readSortFields(int column) {
    if (column == ColCreated)
        return;
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
    readSortFields(column);
    const bool plainNumbers = std::all_of(m_rows.begin(), m_rows.end(), [column](const Row& r) {
        return isPlainNumberText(sortKeyText(r.note, column));
    });
    std::function<int(Row&, Row&)> compare;
    if (plainNumbers)
        compare = [column](Row& a, Row& b) {
            return QString::compare(sortKeyText(a.note, column), sortKeyText(b.note, column),
                                    Qt::CaseSensitive);
        };
    else {
        buildKeys(column);
        compare = [this, column](Row& a, Row& b) { return keyOf(a, column).compare(keyOf(b, column)); };
    }

    std::vector<int> order = sortedOrder([&](int a, int b) {
        const int c = compare(m_rows[size_t(a)], m_rows[size_t(b)]);
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
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRowOf(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOf[size_t(order[i])] = int(i);
        sorted.push_back(std::move(m_rows[size_t(order[i])]));
    }
    m_rows = std::move(sorted);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newRowOf[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
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
        // A row is one line high: its line breaks are shown as blanks; the cell keeps the text whole.
        if (role == Qt::DisplayRole)
            return QString(full).replace(QLatin1Char('\n'), QLatin1Char(' '));
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
