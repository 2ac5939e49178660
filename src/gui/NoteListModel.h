#pragma once

#include "gui/PrefixCollator.h"
#include "gui/SortKeyPrefetch.h"
#include "platform/LargeMemory.h"
#include "store/Note.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The rows of the note list: one Note each, with its check box. Display texts are formatted when a
// row is first shown, and sorting compares collation keys computed once per row and column: the
// beginnings of the locale's keys, with the texts compared in full only where those are equal.
// A long list has the keys of its titles, bodies and last-modified values made in the background
// once it is filled (SortKeyPrefetch); a sort takes those of rows that have not changed since.
class NoteListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColCreated = 0, ColModified = 1, ColTitle = 2, ColNote = 3, ColumnCount = 4 };

    explicit NoteListModel(QObject* parent = nullptr);

    // Reads the rest of a note whose details were deferred (see Note::detailsPending).
    // withDisplayTexts: also format the dates (not needed for sorting).
    void setDetailsFiller(std::function<void(Note&, bool withDisplayTexts)> filler) {
        m_fillDetails = std::move(filler);
    }
    // Reads what sorting by title or last-modified needs; without it the whole note is read.
    void setSortFieldFiller(std::function<void(Note&)> filler) { m_fillSortFields = std::move(filler); }
    // Reads a title (ColTitle), last-modified value (ColModified), or the beginning of a body (ColNote)
    // with `whole` set when that is all of it, without reading it into the note. A sort calls it from
    // two threads at once; without it a sort reads every row's texts into the row, on this thread.
    void setSortTextReader(std::function<QString(const Note&, int column, bool& whole)> reader) {
        m_readSortText = std::move(reader);
    }

    void setNotes(std::vector<Note> notes); // all rows unchecked
    void clear() { setNotes({}); }
    int appendNote(Note note);
    void updateNote(int row, const Note& note);
    void removeNoteRow(int row);

    const Note& note(int row) const;
    // The row of the note at this position in the file, without reading any note; -1 when none.
    int rowOfPosition(int position) const;
    // The note as far as it has been read, reading no more: position and dateTime are always there.
    const Note& noteAsRead(int row) const { return m_rows.at(size_t(row)).note; }
    // The note with its texts read but its dates perhaps not formatted yet: for walks over every row.
    const Note& noteTexts(int row) const { return completed(row, false); }
    bool isChecked(int row) const { return m_rows.at(size_t(row)).checked; }
    void setChecked(int row, bool checked);
    std::vector<int> checkedRows() const;

    // Sorts by the column's key; direction >= 0 ascending, < 0 descending. Equal keys keep their order.
    // The sorted column's header shows the sort image of the direction.
    void sortByColumn(int column, int direction);
    int sortedColumn() const { return m_sortedColumn; }
    // Starts making the keys of a long list in the background, once after it was filled: best when
    // the list has been shown, so that showing it does not wait.
    void prepareSortKeys();
    bool sortKeysPending() const { return m_sortKeysPending; }
    // The keys made in the background are there for every row that had one to make.
    bool sortKeysPrepared() const { return !m_sortKeysPending && m_prefetch && m_prefetch->isComplete(); }
    int sortDirection() const { return m_sortDirection; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QString caption(int column);
    static const QString& sortKeyText(const Note& note, int column);
    static QString displayLine(const QString& text);

signals:
    void checkToggled(int row);

private:
    struct Row {
        Note note;
        bool checked = false;
        int slot = -1; // its background keys, while it is as it was when the list was filled
    };
    // What a row's key is made from when the row has not read its text: the title, or the body's
    // beginning.
    struct KeySource {
        QString beginning;
        bool useBeginning = false;
        bool whole = false;
    };
    Note& displayed(int row) const; // with its details read and dates formatted
    Note& completed(int row, bool withDisplayTexts) const;
    void applyOrder(const std::vector<int>& order);
    class RowComparer;
    bool readKeySource(size_t row, int column, KeySource& source) const;
    bool makeKey(const PrefixCollator& collator, size_t row, int column, const KeySource& source);
    void buildKeys(int column);
    void takePrefetchedKeys(int column);
    std::vector<int> orderByKeys(int column, int direction);
    // False when a date column holds a text that is not a plain number.
    bool orderByDates(int column, int direction, std::vector<int>& order);
    std::optional<std::uint64_t> dateKey(int row, int column) const;
    const QString& sortFieldText(int row, int column) const;
    QString sortTextCopy(int row, int column) const;
    bool readKeyTexts(int row, SortKeyPrefetch::Texts& texts) const;

    mutable std::vector<Row> m_rows;
    // The rows' keys for m_keyColumn, apart from the rows so that sorting reads them close together.
    using Keys = std::vector<PrefixCollator::Key, LargeMemory::Allocator<PrefixCollator::Key>>;
    Keys m_keys;
    int m_keyColumn = -1;
    std::function<void(Note&, bool)> m_fillDetails;
    std::function<void(Note&)> m_fillSortFields;
    std::function<QString(const Note&, int, bool&)> m_readSortText;
    QCollator m_collator;
    std::unique_ptr<PrefixCollator> m_prefixCollator; // made at the first sort, invalid in the C locale
    std::unique_ptr<PrefixCollator> m_helperCollator; // for the thread that helps a sort
    int m_sortedColumn = -1;
    int m_sortDirection = 1;
    bool m_sortKeysPending = false;
    std::unique_ptr<SortKeyPrefetch> m_prefetch; // last: its workers stop first
};
