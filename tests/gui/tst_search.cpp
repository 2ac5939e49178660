#include "ScriptedPrompts.h"
#include "controls/LinkTextEdit.h"
#include "gui/NoteList.h"
#include "gui/SearchBar.h"
#include "gui/SearchCommands.h"
#include "store/AppSettings.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using Notes = QList<QStringList>; // {title, body} per row

// The real controls in a window laid out like the main window's: editors, list, status bar.
struct Host {
    AppSettings settings;
    ScriptedPrompts prompts;
    QWidget window;
    NoteList list{settings, &window};
    LinkTextEdit title{true}, body{false};
    QStatusBar barStatus;
    QAction findAction{&window}, startFindAction{&window};
    SearchBar bar{findAction};
    SearchCommands* search;
    bool cancelOpen = false; // the user cancels the save question
    QStringList failures;

    explicit Host(const Notes& notes) {
        auto* layout = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{&title, &body, list.view(), &barStatus})
            layout->addWidget(w);
        std::vector<Note> rows;
        for (const QStringList& n : notes) {
            rows.emplace_back();
            rows.back().title = n[0];
            rows.back().text = n[1];
        }
        list.model()->setNotes(rows);
        bar.placeOn(&barStatus);
        search =
            new SearchCommands({list, title, body, settings, prompts, findAction,
                                [this] {
                                    if (cancelOpen)
                                        return;
                                    const Note& n = list.model()->note(list.selectedRow());
                                    title.setText(n.title);
                                    body.setPlainText(n.text);
                                },
                                [this](const QString& m, const QString& e) { failures << m + ": " + e; }},
                               bar, &window);
        findAction.setShortcut(Qt::Key_F3);
        startFindAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
        window.addActions({&findAction, &startFindAction});
        QObject::connect(&findAction, &QAction::triggered, search, &SearchCommands::findText);
        QObject::connect(&startFindAction, &QAction::triggered, search, &SearchCommands::startFind);
        window.resize(640, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    void find(const QString& text) {
        bar.findEdit()->setText(text);
        QTest::keyClick(&window, Qt::Key_F3);
    }
    // Where the last step left things: "row:field" with the focused field's selection, or the message.
    QString outcome(int asked) const {
        if (prompts.asked().size() > asked)
            return prompts.asked().last().text;
        auto* field = qobject_cast<LinkTextEdit*>(QApplication::focusWidget());
        const QString in =
            !field ? "-"
                   : (field == &title ? "T" : "B") + QString::number(field->textCursor().selectionStart());
        return QString::number(list.selectedRow()) + ':' + in;
    }
};

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void allNotes_data() {
        QTest::addColumn<Notes>("notes");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString none = "No matches were found.", ask = none + "  Search from the top?";
        auto row = [](const char* name, const Notes& notes, int selected, const QString& text,
                      const QString& expected) {
            QTest::newRow(name) << notes << selected << text << expected;
        };
        row("only a-z fold", {{"t", "CAFÉ"}, {"t", "Café"}}, -1, "café", "1:B0");
        row("é is not É", {{"É", "CAFÉ"}}, -1, "é", none);
        row("ß stays", {{"a", "STRASSE"}, {"b", "Straße"}}, -1, "straße", "1:B0");
        row("leading blank counts", {{"ab", "xab"}, {"t", "x ab"}}, -1, " ab", "1:B1");
        row("trailing blank counts", {{"ab", "ab"}}, -1, "ab ", none);
        row("empty box", {{"a", "b"}}, -1, "", none);
        row("body before title", {{"key", "the key"}}, -1, "KEY", "0:B4");
        row("title", {{"a Key", "x"}}, -1, "key", "0:T2");
        row("after selected", {{"", "k"}, {"", "k"}, {"", "x"}, {"", "k"}}, 1, "k", "3:B0");
        row("last selected: top", {{"", "k"}, {"", "x"}}, 1, "k", "0:B0");
        row("last selected: asks", {{"", "x"}, {"", "y"}}, 1, "k", ask);
        row("no wrap past end", {{"", "k"}, {"", "x"}, {"", "y"}}, 1, "k", ask);
        row("no rows", {}, -1, "k", none);
        row("regex literal", {{"", "anything"}, {"", "x.*y"}}, -1, ".*", "1:B1");
        row("brackets literal", {{"", "ab"}, {"", "[a]b"}}, -1, "[a]", "1:B0");
        row("surrogates", {{"", "日本"}, {"", "x 日本語 🎉"}}, -1, "語 🎉", "1:B4");
        row("no line crossing", {{"", "a\nb"}}, -1, "a b", none);
    }
    void allNotes() {
        QFETCH(Notes, notes);
        QFETCH(int, selected);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        Host h(notes);
        h.settings.loadNotesOnSearch = true;
        if (selected >= 0)
            h.list.selectRow(selected);
        if (expected.endsWith('?'))
            h.prompts.expect(expected, MsgButton::No);
        else if (!expected.contains(':'))
            h.prompts.expect(expected, MsgButton::OK);
        h.find(text);
        QCOMPARE(h.outcome(0), expected);
        QCOMPARE(h.prompts.asked().size(), int(!expected.contains(':')));
        if (!h.prompts.asked().isEmpty()) {
            const bool question = expected.endsWith('?');
            QCOMPARE(h.prompts.asked()[0].kind, question ? MsgKind::Confirmation : MsgKind::Information);
            QVERIFY(h.prompts.asked()[0].buttons ==
                    (question ? MsgButton::Yes | MsgButton::No : MsgButton::OK));
            QCOMPARE(h.list.selectedRow(), selected); // No keeps the selection
        }
        if (auto* field = qobject_cast<LinkTextEdit*>(QApplication::focusWidget()))
            QCOMPARE(field->textCursor().selectedText().size(), text.size());
        QVERIFY(h.prompts.problems().isEmpty());
    }

    // Every place of a text, in and after the blocks compared at once; any spoiled character misses.
    void rowTextAtEveryPlace_data() {
        QTest::addColumn<QString>("needle");
        QTest::newRow("one letter") << "k";
        QTest::newRow("two letters") << "aB";
        QTest::newRow("long") << "Hello, wörld";
        QTest::newRow("surrogates") << "x🎉";
    }
    void rowTextAtEveryPlace() {
        QFETCH(QString, needle);
        const QString filler = QString("0123456789").repeated(5), upper = SearchCommands::upperAscii(needle);
        for (int at = 0; at + needle.size() <= filler.size(); ++at) {
            QString text = QString(filler).replace(at, needle.size(), needle);
            QVERIFY2(SearchCommands::containsUpperAscii(text, upper), qPrintable(text));
            for (int j = 0; j < needle.size(); ++j) {
                QString spoiled = text;
                spoiled[at + j] = '#';
                QVERIFY2(!SearchCommands::containsUpperAscii(spoiled, upper), qPrintable(spoiled));
            }
        }
    }

    // F3 and Enter walk from note to note, one match per note; Yes starts again at the top.
    void repeatsWalkNoteToNoteAndOnlySelect() {
        Host h(Notes{{"k", "k k"}, {"", "x"}, {"K", "y"}, {"", ""}});
        h.body.setPlainText("kept");
        h.find("k");
        QStringList rows{QString::number(h.list.selectedRow())};
        h.prompts.expect("Search from the top?", MsgButton::Yes);
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(h.bar.findEdit(), i % 2 ? Qt::Key_Return : Qt::Key_Enter);
            rows << QString::number(h.list.selectedRow());
        }
        QCOMPARE(rows.join(','), "0,2,0,2");
        QCOMPARE(h.bar.findEdit()->text(), "k"); // Enter inserted nothing
        QCOMPARE(h.body.toPlainText(), "kept");  // LoadNotesOnSearch off: the editors stay as they were
        QCOMPARE(h.prompts.asked().size(), 1);
        QVERIFY(h.prompts.problems().isEmpty());
    }

    void bodyMatchLineGoesToTop_data() {
        QTest::addColumn<QString>("body");
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QString("line %1").arg(i);
        QTest::newRow("already visible") << lines.join('\n').replace("line 2\n", "line 2 hit\n");
        QTest::newRow("far down") << lines.join('\n').replace("line 150\n", "line 150 hit\n");
        QTest::newRow("wrapped line") << QString("word ").repeated(300) + "hit\n" + lines.join('\n');
    }
    void bodyMatchLineGoesToTop() {
        QFETCH(QString, body);
        Host h(Notes{{"t", body}});
        h.settings.loadNotesOnSearch = true;
        h.find("HIT");
        const QRect caret = h.body.cursorRect(QTextCursor(h.body.document()->find("hit")));
        QCOMPARE(h.body.textCursor().selectedText(), "hit");
        QVERIFY(h.body.verticalScrollBar()->value() > 0);
        QVERIFY2(caret.top() >= 0 && caret.top() < caret.height(), qPrintable(QString::number(caret.top())));
    }

    void cancelledOpenEndsSilently() {
        Host h(Notes{{"t", "needle"}});
        h.settings.loadNotesOnSearch = true;
        h.cancelOpen = true;
        h.body.setPlainText("other");
        h.find("needle");
        QCOMPARE(h.outcome(0), "0:-");
        QVERIFY(!h.body.textCursor().hasSelection());
    }

    void currentNote_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("steps");
        auto row = [](const char* name, const QString& title, const QString& body, const QString& text,
                      const QString& steps) { QTest::newRow(name) << title << body << text << steps; };
        row("title, body, no wrap", "ab AB", "x\nab", "ab", "T0 T3 B2 none none");
        row("control's case rule", "", "É", "é", "B0 none");
        row("literal", "", "aab a+b", "a+b", "B4 none");
        row("empty text", "ab", "ab", "", "none");
    }
    void currentNote() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QString, text);
        QFETCH(QString, steps);
        Host h(Notes{});
        h.settings.searchAllNotes = false;
        h.title.setText(title);
        h.body.setPlainText(body);
        h.title.moveCursor(QTextCursor::End); // a caret alone is no start
        h.bar.findEdit()->setText(text);
        QStringList seen;
        for (int i = 0; i < steps.count(' ') + 1; ++i) {
            h.prompts.expect("No matches were found.", MsgButton::OK);
            const int asked = h.prompts.asked().size();
            h.search->findText();
            seen << (h.prompts.asked().size() > asked ? "none" : h.outcome(asked).mid(3));
            if (seen.last() != "none")
                h.prompts.clear();
        }
        QCOMPARE(seen.join(' '), steps);
        QVERIFY(h.prompts.problems().isEmpty());
    }

    void enterFailureIsReported() {
        Host h(Notes{});
        h.prompts.expectFailure("No matches", "box broke");
        h.bar.findEdit()->setText("x");
        QTest::keyClick(h.bar.findEdit(), Qt::Key_Return);
        QCOMPARE(h.failures, QStringList{"edtFindKeyPress: box broke"});
    }

    void findButton_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("controls") << "\t\x01 " << false;
        QTest::newRow("padded") << " a " << true;
        QTest::newRow("no-break space") << "\u00a0" << true;
    }
    void findButton() {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        Host h(Notes{});
        QTest::keyClicks(h.bar.findEdit(), "z");
        h.bar.findEdit()->setText(text);
        h.findAction.setToolTip("Search notes."); // the binding refreshes the button
        QCOMPARE(h.bar.findButton()->isEnabled(), enabled);
        QVERIFY(h.findAction.isEnabled());
    }

    void scopeButtonsAndPlaces() {
        Host h(Notes{});
        h.settings.searchAllNotes = false;
        h.search->showScope();
        QVERIFY(h.bar.currentNoteButton()->isChecked());
        QTest::mouseClick(h.bar.allNotesButton(), Qt::LeftButton);
        QVERIFY(h.settings.searchAllNotes);
        h.bar.currentNoteButton()->setFocus();
        QVERIFY(h.bar.currentNoteButton()->font().bold());
        QTest::keyClick(&h.window, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), h.bar.findEdit());
        QVERIFY(!h.bar.currentNoteButton()->font().bold());
        QTest::mouseClick(h.bar.currentNoteButton(), Qt::LeftButton);
        QVERIFY(!h.settings.searchAllNotes);

        h.window.resize(700, 300);
        h.bar.keepAligned();
        QCOMPARE(h.bar.panel()->text(), "   Find:");
        QCOMPARE(h.bar.panel()->width(), 500);
        QCOMPARE(h.bar.findButton()->defaultAction(), &h.findAction);
        QCOMPARE(h.bar.findEdit()->mapTo(&h.window, QPoint()) - h.barStatus.mapTo(&h.window, QPoint()),
                 QPoint(40, 3));
        QCOMPARE(h.bar.findEdit()->size(), QSize(321, 21));
        QCOMPARE(h.bar.findButton()->geometry(), QRect(363, 3, 23, 21));
        QCOMPARE(h.bar.currentNoteButton()->geometry(), QRect(495, 3, 100, 21));
        QVERIFY(h.barStatus.height() >= 24); // the edit is not cut off
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
