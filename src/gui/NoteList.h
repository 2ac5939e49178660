#pragma once

#include "gui/NoteListModel.h"

#include <QObject>
#include <QTreeView>

class NoteStore;
struct AppSettings;
struct LocaleFormats;
class QDateTime;

// The list of all notes below the editors: rows built from the notes document, sorted by header
// clicks, one selected row, check boxes that choose the notes to print or export.
class NoteList final : public QObject {
    Q_OBJECT
public:
    NoteList(AppSettings& settings, QWidget* parent);

    QTreeView* view() const { return m_view; }
    NoteListModel* model() const { return m_model; }

    // Rebuilds every row from the document, in document order. A failure ends the walk with the rows
    // made so far in place, and is thrown on to the caller.
    void loadNotes(NoteStore& store);

    // A click on a header: reverse the direction, sort, mark the header.
    void sortByColumn(int column);
    // Sorting again by the last column in the direction in use.
    void resortInCurrentDirection();

    // A new note: its row is added, the note appended to the document (which saves the file), the
    // row selected and the list re-sorted. A failed append takes the row out again and is thrown on.
    Note addNewNote(NoteStore& store, const QString& title, const QString& body, const QDateTime& now,
                    const LocaleFormats& formats);

    // Widens the two date columns where a full date-time in the list's font would not fit their
    // design widths.
    void fitDateColumns(const LocaleFormats& formats);

    int selectedRow() const; // -1 when none
    void selectRow(int row); // and scroll it wholly into view
    bool hasCheckedRows() const { return !m_model->checkedRows().empty(); }

    static constexpr int InitialWidths[NoteListModel::ColumnCount] = {100, 100, 255, 512};
    static constexpr int MinimumWidths[NoteListModel::ColumnCount] = {50, 0, 75, 100};

signals:
    void selectionChangedTo(bool selected); // a row became selected or unselected
    void clicked();                         // a click anywhere in the list, check boxes included
    void doubleClicked();
    void columnClicked(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView();
    void keepMinimumWidth(int column, int newSize);
    int cellWidth(const QString& text, bool withCheckBox) const;

    AppSettings& m_settings;
    QTreeView* m_view;
    NoteListModel* m_model;
};
