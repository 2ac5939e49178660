#include "gui/NoteList.h"
#include "gui/NoteListModel.h"
#include "store/AppSettings.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QHeaderView>
#include <QIcon>
#include <QRandomGenerator>
#include <QtTest>
#include <numeric>

enum class Change { Edit, EditWhileReading, Append, Remove, Refill };
Q_DECLARE_METATYPE(Change)

// Runs under de_DE: collation must follow the locale, not code points.
class TestNoteList : public QObject {
    Q_OBJECT

    static Note note(const QString& title, const QString& created,
                     const QString& modified = QStringLiteral("0")) {
        Note n;
        n.title = title;
        n.text = title + QStringLiteral(" body");
        n.dateTime = created;
        n.createdText = created;
        n.lastModified = modified;
        n.position = 0;
        return n;
    }
    static QStringList titles(const NoteListModel& m) {
        QStringList out;
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.note(r).title;
        return out;
    }

private slots:
    void modelIsConsistent() {
        NoteListModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setNotes({note("b", "2"), note("a", "1")});
        model.appendNote(note("c", "3"));
        model.setChecked(1, true);
        model.sortByColumn(NoteListModel::ColTitle, 1);
        model.updateNote(0, note("z", "9"));
        model.removeNoteRow(2);
        QCOMPARE(model.rowCount(), 2);
    }

    void headerClicksReverseTheDirection() {
        AppSettings settings; // SortToggle 1: the first click sorts descending
        QWidget parent;
        NoteList list(settings, &parent);
        list.model()->setNotes({note("b", "39877.5"), note("a", "39878"), note("c", "39876.25")});

        list.sortByColumn(NoteListModel::ColTitle);
        QCOMPARE(titles(*list.model()), (QStringList{"c", "b", "a"}));
        QCOMPARE(list.model()->sortDirection(), -1);
        list.sortByColumn(NoteListModel::ColTitle);
        QCOMPARE(titles(*list.model()), (QStringList{"a", "b", "c"}));
        QCOMPARE(list.model()->sortDirection(), 1);

        // Another column does not start ascending: it reverses the direction in use.
        list.sortByColumn(NoteListModel::ColCreated);
        QCOMPARE(settings.sortToggle, -1);
        QCOMPARE(settings.sortColumn, int(NoteListModel::ColCreated));
        QCOMPARE(titles(*list.model()), (QStringList{"a", "b", "c"})); // 39878 > 39877.5 > 39876.25
        // Only the sorted column's header carries the sort image.
        for (int c = 0; c < NoteListModel::ColumnCount; ++c) {
            const QVariant mark = list.model()->headerData(c, Qt::Horizontal, Qt::DecorationRole);
            QCOMPARE(mark.isValid() && !mark.value<QIcon>().isNull(), c == NoteListModel::ColCreated);
        }

        // Re-sorting in the current direction keeps the direction.
        list.resortInCurrentDirection();
        QCOMPARE(settings.sortToggle, -1);
    }

    void keysCompareAsLocaleTextCaseSensitively() {
        AppSettings settings;
        settings.sortToggle = -1; // next click: ascending
        QWidget parent;
        NoteList list(settings, &parent);
        list.model()->setNotes(
            {note("b", "1"), note("Äpfel", "1"), note("A", "1"), note("apfel", "1"), note("a", "1")});
        list.sortByColumn(NoteListModel::ColTitle);
        QCOMPARE(titles(*list.model()), (QStringList{"a", "A", "apfel", "Äpfel", "b"}));
    }

    // Rows already in order, or in reverse, are taken as they are; equal rows keep their order then
    // as they do in a full sort.
    void equalRowsKeepTheirOrder_data() {
        QTest::addColumn<QStringList>("created");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QStringList>("expected");
        const QStringList ascending{"1", "2", "2", "2", "3", "3"};
        const QStringList descending{"3", "3", "2", "2", "2", "1"};
        const QStringList mixed{"2", "3", "1", "2", "3", "2"};
        QTest::newRow("in order") << ascending << 1 << QStringList{"0", "1", "2", "3", "4", "5"};
        QTest::newRow("in order, reversed") << ascending << -1 << QStringList{"4", "5", "1", "2", "3", "0"};
        QTest::newRow("in reverse") << descending << -1 << QStringList{"0", "1", "2", "3", "4", "5"};
        QTest::newRow("in reverse, reversed") << descending << 1 << QStringList{"5", "2", "3", "4", "0", "1"};
        QTest::newRow("mixed") << mixed << 1 << QStringList{"2", "0", "3", "5", "1", "4"};
        QTest::newRow("mixed, reversed") << mixed << -1 << QStringList{"1", "4", "0", "3", "5", "2"};
        QTest::newRow("all equal") << QStringList{"7", "7", "7"} << -1 << QStringList{"0", "1", "2"};
    }
    void equalRowsKeepTheirOrder() {
        QFETCH(QStringList, created);
        QFETCH(int, direction);
        std::vector<Note> notes;
        for (int i = 0; i < created.size(); ++i)
            notes.push_back(note(QString::number(i), created[i]));
        NoteListModel model;
        model.setNotes(std::move(notes));
        model.sortByColumn(NoteListModel::ColCreated, direction);
        QTEST(titles(model), "expected");
    }

    // A long list has its keys built and its rows sorted on two threads: it must sort as the locale
    // compares titles and as texts compare day numbers (here many of full length, which share their
    // first fifteen characters), in either direction, with equal rows in their old order.
    void longListsSortAsTheLocaleCompares_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("direction");
        for (const int direction : {1, -1}) {
            QTest::addRow("title, %d", direction) << int(NoteListModel::ColTitle) << direction;
            QTest::addRow("last modified, %d", direction) << int(NoteListModel::ColModified) << direction;
        }
    }
    void longListsSortAsTheLocaleCompares() {
        QFETCH(int, column);
        QFETCH(int, direction);
        const QStringList words{"Äpfel", "apfel", "Apfel", "b", "Zebra", "zebra", "été", "ete", "Ete", "z"};
        QRandomGenerator rng(17);
        std::vector<Note> notes;
        for (int i = 0; i < 3001; ++i) {
            const QString modified = rng.bounded(2) ? QStringLiteral("46000.123456789%1").arg(rng.bounded(30))
                                                    : QString::number(rng.bounded(50));
            notes.push_back(
                note(words[int(rng.bounded(words.size()))] + words[int(rng.bounded(words.size()))],
                     QString::number(i), modified));
        }
        std::vector<Note> expected = notes;
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        std::stable_sort(expected.begin(), expected.end(), [&](const Note& a, const Note& b) {
            const int c = column == NoteListModel::ColTitle ? collator.compare(a.title, b.title)
                                                            : a.lastModified.compare(b.lastModified);
            return direction * c < 0;
        });
        NoteListModel model;
        model.setNotes(std::move(notes));
        model.sortByColumn(column, direction);
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.note(r).dateTime, expected[size_t(r)].dateTime);
    }

    // Sorting compares the beginnings of the keys, made from the beginnings of bodies not read yet,
    // and the whole texts only where those are equal: the order must stay the locale's, with equal
    // texts in their old order, however long the texts share their beginnings.
    // The same with the keys made in the background first.
    void sortsAsTheLocaleComparesOnSharedBeginnings_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("prepared");
        for (const char* locale : {"de_DE", "sv_SE", "C"}) {
            for (const bool prepared : {false, true}) {
                const char* when = prepared ? ", keys prepared" : "";
                QTest::addRow("%s, title%s", locale, when)
                    << QString::fromLatin1(locale) << int(NoteListModel::ColTitle) << prepared;
                QTest::addRow("%s, body%s", locale, when)
                    << QString::fromLatin1(locale) << int(NoteListModel::ColNote) << prepared;
            }
        }
    }
    void sortsAsTheLocaleComparesOnSharedBeginnings() {
        QFETCH(QString, locale);
        QFETCH(int, column);
        QFETCH(bool, prepared);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });

        const QString shared = QStringLiteral("Besprechung mit dem Vorstand \u00fcber den Haushalt 2027, ");
        const QStringList ends{"a",      "A",
                               "\u00e4", "a\u0308",
                               "\u00c4", "ae",
                               "b",      "\u00df",
                               "ss",     "-",
                               " ",      "1",
                               "10",     "2",
                               "\u00e5", "z",
                               "\u00e9", "e\u0301",
                               "ch",     "\n",
                               "\u0301", QString::fromUtf8("\xF0\x9F\x98\x80")};
        QRandomGenerator rng(23);
        std::vector<QString> texts;
        std::vector<Note> notes;
        for (int i = 0; i < 2501; ++i) {
            QString text = shared.left(int(rng.bounded(shared.size() + 1)));
            for (int n = int(rng.bounded(4)); n >= 0; --n)
                text += ends[int(rng.bounded(ends.size()))];
            texts.push_back(text);
            Note n = note(text, QString::number(i));
            n.position = i;
            n.text = text;
            // Most rows not read yet, as a store lists them; the others with their texts.
            if (i % 3 != 0) {
                n.title = column == NoteListModel::ColNote ? QStringLiteral("t") : QString();
                n.text.clear();
                n.detailsPending = true;
            }
            notes.push_back(n);
        }
        std::vector<int> expected(texts.size());
        std::iota(expected.begin(), expected.end(), 0);
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return collator.compare(texts[size_t(a)], texts[size_t(b)]) < 0;
        });

        NoteListModel model;
        const auto fillTitle = [&](Note& n) {
            if (column == NoteListModel::ColTitle)
                n.title = texts[size_t(n.position)];
        };
        model.setDetailsFiller([&](Note& n, bool) {
            fillTitle(n);
            n.text = texts[size_t(n.position)];
            n.detailsPending = n.textPending = false;
        });
        // Beginnings of every length, as a store cuts them.
        model.setSortTextReader([&](const Note& n, int readColumn, bool& whole) {
            const QString& text = texts[size_t(n.position)];
            if (readColumn == NoteListModel::ColTitle)
                return column == NoteListModel::ColTitle ? text : QStringLiteral("t");
            const QString beginning = text.left(n.position % 50);
            whole = beginning.size() == text.size();
            return beginning;
        });
        model.setSortFieldFiller([&](Note& n) {
            fillTitle(n);
            n.detailsPending = false;
            n.textPending = true;
        });
        model.setNotes(std::move(notes));
        if (prepared) {
            model.prepareSortKeys();
            QTRY_VERIFY_WITH_TIMEOUT(model.sortKeysPrepared(), 30000);
        }
        model.sortByColumn(column, 1);
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.note(r).dateTime, QString::number(expected[size_t(r)]));
    }

    // Keys made in the background belong to the rows as they were read: a row changed, added or
    // removed since, or a list filled again, must sort by what it holds now.
    void preparedKeysFollowChanges_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("column");
        const std::pair<const char*, Change> changes[] = {{"edit", Change::Edit},
                                                          {"edit while reading", Change::EditWhileReading},
                                                          {"append", Change::Append},
                                                          {"remove", Change::Remove},
                                                          {"refill", Change::Refill}};
        for (const auto& [name, change] : changes) {
            QTest::addRow("%s, title", name) << change << int(NoteListModel::ColTitle);
            QTest::addRow("%s, body", name) << change << int(NoteListModel::ColNote);
            QTest::addRow("%s, last modified", name) << change << int(NoteListModel::ColModified);
        }
    }
    void preparedKeysFollowChanges() {
        QFETCH(Change, change);
        QFETCH(int, column);
        // The notes as a store holds them, read by position when the list asks.
        QStringList titles, bodies, modified;
        QRandomGenerator rng(29);
        const QStringList words{"Apfel", "apfel", "Zebra", "été", "Besprechung mit dem Vorstand", "b", "ß"};
        const auto add = [&] {
            QString text;
            for (int w = int(rng.bounded(6)); w >= 0; --w)
                text += words[int(rng.bounded(words.size()))] + QLatin1Char(' ');
            titles << text;
            bodies << text + text + text;
            // Day numbers of full length share their first fifteen characters.
            modified << QStringLiteral("46000.12345678%1").arg(rng.bounded(100));
        };
        const auto row = [](int position) {
            Note n;
            n.position = position;
            n.dateTime = QString::number(position);
            n.detailsPending = true;
            return n;
        };
        NoteListModel model;
        model.setSortFieldFiller([&](Note& n) {
            n.title = titles[n.position];
            n.lastModified = modified[n.position];
            n.detailsPending = false;
            n.textPending = true;
        });
        model.setDetailsFiller([&](Note& n, bool) {
            n.title = titles[n.position];
            n.lastModified = modified[n.position];
            n.text = bodies[n.position];
            n.detailsPending = n.textPending = false;
        });
        model.setSortTextReader([&](const Note& n, int column, bool& whole) {
            if (column == NoteListModel::ColTitle)
                return titles[n.position];
            if (column == NoteListModel::ColModified)
                return modified[n.position];
            whole = bodies[n.position].size() <= 100;
            return bodies[n.position].left(100);
        });
        std::vector<int> positions; // the rows' notes, in row order
        std::vector<Note> rows;
        for (int i = 0; i < 1500; ++i) {
            add();
            positions.push_back(i);
            rows.push_back(row(i));
        }
        model.setNotes(std::move(rows));
        model.prepareSortKeys();
        if (change == Change::EditWhileReading)
            QCoreApplication::processEvents(); // one slice read, perhaps its keys made
        else
            QTRY_VERIFY_WITH_TIMEOUT(model.sortKeysPrepared(), 30000);

        switch (change) {
        case Change::Edit:
        case Change::EditWhileReading: {
            // The first row read; its new texts sort first.
            titles[0] = QStringLiteral("0 edited");
            bodies[0] = QStringLiteral("0 edited body");
            modified[0] = QStringLiteral("1");
            Note edited = row(0);
            edited.detailsPending = false;
            edited.title = titles[0];
            edited.text = bodies[0];
            edited.lastModified = modified[0];
            model.updateNote(0, edited);
            break;
        }
        case Change::Append:
            add();
            titles.last() = QStringLiteral("0 added");
            bodies.last() = QStringLiteral("0 added body");
            modified.last() = QStringLiteral("1");
            positions.push_back(int(titles.size()) - 1);
            model.appendNote(row(positions.back()));
            break;
        case Change::Remove:
            model.removeNoteRow(2);
            positions.erase(positions.begin() + 2);
            break;
        case Change::Refill:
            // Another document: the same positions hold other notes.
            std::reverse(titles.begin(), titles.end());
            std::reverse(bodies.begin(), bodies.end());
            std::reverse(modified.begin(), modified.end());
            rows.clear();
            for (int position : positions)
                rows.push_back(row(position));
            model.setNotes(std::move(rows));
            model.prepareSortKeys(); // and sorted before they are made
            break;
        }

        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseSensitive);
        std::vector<int> expected = positions;
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            if (column == NoteListModel::ColModified)
                return modified[a] < modified[b];
            const QStringList& texts = column == NoteListModel::ColTitle ? titles : bodies;
            return collator.compare(texts[a], texts[b]) < 0;
        });
        model.sortByColumn(column, 1);
        QCOMPARE(model.rowCount(), int(expected.size()));
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.note(r).position, expected[size_t(r)]);
    }

    void datesCompareAsStoredTexts() {
        AppSettings settings;
        settings.sortToggle = -1;
        QWidget parent;
        NoteList list(settings, &parent);
        // A missing last-modified value sorts as "0", before every other in ascending order; a note
        // without a creation number sorts by its display text.
        list.model()->setNotes({note("late", "39900", "39901,5"), note("never", "39800"),
                                note("early", "39850", "39851"), note("display", "05.03.2009 13:02:13")});
        list.sortByColumn(NoteListModel::ColModified);
        QCOMPARE(titles(*list.model()), (QStringList{"never", "display", "early", "late"}));
        list.sortByColumn(NoteListModel::ColCreated); // descending now
        QCOMPARE(titles(*list.model()).first(), QStringLiteral("late"));
        QCOMPARE(titles(*list.model()).last(), QStringLiteral("display")); // "05..." < "39..."
    }

    void selectionAndChecksFollowTheirRowsThroughASort() {
        AppSettings settings;
        QWidget parent;
        NoteList list(settings, &parent);
        list.model()->setNotes({note("a", "1"), note("b", "2"), note("c", "3")});
        list.selectRow(0);
        list.model()->setChecked(2, true);
        QSignalSpy clicks(&list, &NoteList::clicked);
        list.sortByColumn(NoteListModel::ColTitle); // descending: c b a
        QCOMPARE(list.model()->note(list.selectedRow()).title, QStringLiteral("a"));
        QCOMPARE(list.model()->checkedRows(), std::vector<int>{0});
        QVERIFY(list.hasCheckedRows());
        list.model()->setData(list.model()->index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        QVERIFY(!list.hasCheckedRows());
        QCOMPARE(clicks.count(), 1); // a check-box change counts as a click on the list
    }

    void displayShowsLineBreaksAsBlanksButKeepsTheText() {
        NoteListModel model;
        Note n = note("two\nlines", "1");
        n.text = QStringLiteral("x\ny");
        model.setNotes({n});
        QCOMPARE(model.data(model.index(0, NoteListModel::ColNote), Qt::DisplayRole).toString(),
                 QStringLiteral("x y"));
        QCOMPARE(model.data(model.index(0, NoteListModel::ColNote), Qt::EditRole).toString(),
                 QStringLiteral("x\ny"));
        QCOMPARE(model.note(0).title, QStringLiteral("two\nlines"));
        // A long text is cut for the cell, never inside a character, and the ellipsis says so.
        const QString longText = QString(499, QLatin1Char('a')) + QStringLiteral("\U0001F600\nend");
        QCOMPARE(NoteListModel::displayLine(longText), QString(499, QLatin1Char('a')) + QChar(0x2026));
        const QString exact = QString(499, QLatin1Char('a')) + QLatin1Char('\n');
        QCOMPARE(NoteListModel::displayLine(exact), QString(499, QLatin1Char('a')) + QLatin1Char(' '));
    }

    void deferredDetailsAreReadOnlyWhenNeeded() {
        NoteListModel model;
        int reads = 0;
        int formats = 0;
        model.setDetailsFiller([&](Note& n, bool withDates) {
            if (n.detailsPending || n.textPending)
                ++reads;
            n.detailsPending = n.textPending = false;
            if (withDates && n.displayPending) {
                ++formats;
                n.createdText = QStringLiteral("shown");
                n.displayPending = false;
            }
        });
        Note n = note("t", "1");
        n.createdText.clear();
        n.detailsPending = n.displayPending = true;
        model.setNotes({n, n, n});

        model.sortByColumn(NoteListModel::ColCreated, 1); // the creation number is known already
        QCOMPARE(reads, 0);
        QCOMPARE(model.data(model.index(1, 0), Qt::DisplayRole).toString(), QStringLiteral("shown"));
        model.data(model.index(1, 0), Qt::DisplayRole);
        QCOMPARE(reads, 1);
        QCOMPARE(formats, 1);
        model.sortByColumn(NoteListModel::ColTitle, 1); // needs every title, but no dates
        QCOMPARE(reads, 3);
        QCOMPARE(formats, 1);

        // With a reader of the sort fields, a sort by title leaves the bodies unread.
        int sortReads = 0;
        model.setSortFieldFiller([&](Note& n) {
            ++sortReads;
            n.detailsPending = false;
            n.textPending = true;
        });
        model.setNotes({n, n});
        model.sortByColumn(NoteListModel::ColTitle, 1);
        QCOMPARE(sortReads, 2);
        QCOMPARE(reads, 3);
        model.sortByColumn(NoteListModel::ColNote, 1); // but a sort by body reads them
        QCOMPARE(reads, 5);
    }

    void columnsHaveTheirCaptionsWidthsAndMinimums() {
        AppSettings settings;
        QWidget parent;
        NoteList list(settings, &parent);
        QHeaderView* header = list.view()->header();
        const QStringList captions{"Date Created", "Last Modified", "Title", "Note"};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(list.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), captions[c]);
            QCOMPARE(header->sectionSize(c), NoteList::InitialWidths[c]);
        }
        header->resizeSection(0, 10);
        QCOMPARE(header->sectionSize(0), 50);
        header->resizeSection(3, 20);
        QCOMPARE(header->sectionSize(3), 100);
        header->resizeSection(1, 5);
        QCOMPARE(header->sectionSize(1), 5);
        QCOMPARE(list.view()->selectionMode(), QAbstractItemView::SingleSelection);
    }
};

QTEST_MAIN(TestNoteList)
#include "tst_noteList.moc"
