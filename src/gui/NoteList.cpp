#include "NoteList.h"

#include "platform/QuillError.h"
#include "store/AppSettings.h"
#include "store/DayNumber.h"
#include "store/NoteStore.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

NoteList::NoteList(AppSettings& settings, QWidget* parent)
    : QObject(parent), m_settings(settings), m_view(new QTreeView(parent)), m_model(new NoteListModel(this)) {
    m_view->setObjectName(QStringLiteral("lsvNotes"));
    m_view->setModel(m_model);
    configureView();

    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit selectionChangedTo(selectedRow() >= 0); });
    connect(m_view, &QTreeView::clicked, this, &NoteList::clicked);
    connect(m_model, &NoteListModel::checkToggled, this, &NoteList::clicked);
    connect(m_view, &QTreeView::doubleClicked, this, &NoteList::doubleClicked);
    connect(m_view->header(), &QHeaderView::sectionClicked, this, &NoteList::columnClicked);
    connect(m_view->header(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) { keepMinimumWidth(column, newSize); });
    m_view->viewport()->installEventFilter(this);
}

// The sort keys of a long list are made once it has been painted, so that they never hold it up.
bool NoteList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && m_model->sortKeysPending())
        QMetaObject::invokeMethod(m_model, &NoteListModel::prepareSortKeys, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void NoteList::configureView() {
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true); // rows are one line: lets the view skip measuring 10k rows
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSortingEnabled(false);         // we sort ourselves, on header clicks
    m_view->setTextElideMode(Qt::ElideRight); // a cut text shows that it was cut

    QHeaderView* header = m_view->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    for (int c = 0; c < NoteListModel::ColumnCount; ++c)
        header->resizeSection(c, InitialWidths[c]);

    // The selection stays visible when the list loses the focus.
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_view->setPalette(palette);
}

void NoteList::keepMinimumWidth(int column, int newSize) {
    if (column >= 0 && column < NoteListModel::ColumnCount && newSize < MinimumWidths[column])
        m_view->header()->resizeSection(column, MinimumWidths[column]);
}

void NoteList::fitDateColumns(const LocaleFormats& formats) {
    // The widest texts the formats give: two-digit days, months and hours, every month name a
    // format may spell out, morning and evening.
    int widest[2] = {0, 0};
    for (int month = 1; month <= 12; ++month) {
        for (const QTime time : {QTime(10, 58, 58), QTime(23, 58, 58)}) {
            const QString text = DayNumber::displayText(QDateTime(QDate(2000, month, 28), time), formats);
            widest[0] = std::max(widest[0], cellWidth(text, true));
            widest[1] = std::max(widest[1], cellWidth(text, false));
        }
    }
    for (const int column : {NoteListModel::ColCreated, NoteListModel::ColModified})
        m_view->header()->resizeSection(column, std::max(InitialWidths[column], widest[column]));
}

int NoteList::cellWidth(const QString& text, bool withCheckBox) const {
    QStyleOptionViewItem option;
    option.initFrom(m_view);
    option.font = m_view->font();
    option.fontMetrics = m_view->fontMetrics();
    option.text = text;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.features = QStyleOptionViewItem::HasDisplay;
    if (withCheckBox)
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
    return m_view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), m_view).width();
}

void NoteList::loadNotes(NoteStore& store) {
    std::vector<Note> notes;
    int generation = store.generation();
    auto publish = [&] {
        // Rows of a document that another program's file has since replaced are not read from the
        // new one; the reload that follows the replacement builds them again.
        m_model->setDetailsFiller([&store, generation](Note& n, bool withDates) {
            if (store.generation() == generation)
                store.fillDetails(n, withDates);
        });
        m_model->setSortFieldFiller([&store, generation](Note& n) {
            if (store.generation() == generation)
                store.fillSortFields(n);
        });
        m_model->setSortTextReader([&store, generation](const Note& n, int column, bool& whole) {
            if (store.generation() != generation)
                throw QuillError(QStringLiteral("The notes were read again.")); // an empty text would sort
            if (column == NoteListModel::ColTitle)
                return store.titleText(n);
            if (column == NoteListModel::ColModified)
                return store.lastModifiedText(n);
            return store.textBeginning(n, 80, whole);
        });
        m_model->setNotes(std::move(notes));
    };
    try {
        if (!store.isOpen())
            throw QuillError(QStringLiteral("No notes file is open."));
        // A date repaired while reading is saved, and that save may take in a newer file, which
        // renumbers the notes: the walk then starts again.
        for (int attempt = 0; attempt < 3; ++attempt) {
            generation = store.generation();
            notes.clear();
            const int count = store.childCount();
            notes.reserve(size_t(count));
            for (int i = 0; i < count; ++i) {
                if (store.isNoteAt(i))
                    notes.push_back(store.readNote(i, /*deferDetails=*/true));
            }
            if (store.generation() == generation)
                break;
        }
    } catch (...) {
        publish();
        throw;
    }
    publish();
}

void NoteList::sortByColumn(int column) {
    if (column < 0 || column >= NoteListModel::ColumnCount)
        return;
    m_settings.sortToggle = -m_settings.sortToggle;
    m_model->sortByColumn(column, m_settings.sortToggle);
    const int row = selectedRow();
    if (row >= 0)
        m_view->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
    m_settings.sortColumn = column;
}

void NoteList::resortInCurrentDirection() {
    m_settings.sortToggle = -m_settings.sortToggle;
    sortByColumn(m_settings.sortColumn);
}

Note NoteList::addNewNote(NoteStore& store, const QString& title, const QString& body, const QDateTime& now,
                          const LocaleFormats& formats) {
    Note note;
    note.createdText = note.modifiedText = DayNumber::displayText(now, formats);
    note.title = title;
    note.text = body;
    note.dateTime = note.lastModified = DayNumber::nowText(now, formats.decimalSeparator);
    note.createdDay = note.modifiedDay = DayNumber::fromDateTime(now);

    const int row = m_model->appendNote(note);
    try {
        note.position = store.appendNote(title, body, now);
    } catch (...) {
        // A row for a note the file does not hold would act on a note that is not there.
        m_model->removeNoteRow(row);
        throw;
    }
    m_model->updateNote(row, note);
    selectRow(row);
    resortInCurrentDirection();
    return note;
}

int NoteList::selectedRow() const {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void NoteList::selectRow(int row) {
    const QModelIndex index = m_model->index(row, 0);
    m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    m_view->scrollTo(index, QAbstractItemView::EnsureVisible);
}
