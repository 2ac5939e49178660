#include "ScriptedSpeller.h"
#include "controls/LinkTextEdit.h"
#include "spell/engine/SpellTexts.h"
#include "spell/ui/RichEditSpellControl.h"
#include "spell/ui/SpellPreview.h"
#include "spell/ui/SpellingDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QtTest>

using RC = SpellResult;

Q_DECLARE_METATYPE(SpellResult)

namespace {

// The real dialog, the real checker and a real text control; only the engine is scripted.
struct Session {
    std::shared_ptr<SpellScript> script = std::make_shared<SpellScript>();
    SpellChecker checker; // outlives the window and so the dialog, which reports its end to it
    QWidget window;
    LinkTextEdit* edit;
    RichEditSpellControl control;
    std::vector<void*> cancelSenders;
    int finished = 0;

    static LinkTextEdit* named(LinkTextEdit* edit) {
        edit->setObjectName(QStringLiteral("redNote"));
        return edit;
    }

    explicit Session(const QString& text, bool singleLine = false)
        : edit(named(new LinkTextEdit(singleLine, &window))), control(*edit) {
        edit->setText(text);
        window.resize(400, 300);
        edit->setGeometry(0, 0, 400, 300);
        checker.setLanguage(2057);
        checker.setEngineType(EngineType::Ispell);
        checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
        checker.setDialogFactory(SpellingDialog::factory(&window));
        checker.setTextLanguage(TextLanguage::English);
        checker.setCaption(QStringLiteral("Spell Check %s"));
        checker.setFont(SpellFont{QStringLiteral("Verdana"), 10, 13});
        QObject::connect(&checker, &SpellChecker::cancelled,
                         [this](void* sender) { cancelSenders.push_back(sender); });
        QObject::connect(&checker, &SpellChecker::finished, [this] { ++finished; });
    }

    void check() { checker.checkControl(control); }
    SpellingDialog* dialog() const { return dynamic_cast<SpellingDialog*>(checker.dialog()); }
    template <typename T = QWidget> T* get(const char* name) const {
        T* child = dialog() ? dialog()->findChild<T*>(QLatin1String(name)) : nullptr;
        if (!child)
            qFatal("no control %s", name);
        return child;
    }
    QPushButton* button(const char* name) const { return get<QPushButton>(name); }
    QListWidget* variants() const { return get<QListWidget>("Variants"); }
    SpellPreview* preview() const { return get<SpellPreview>("Misspelling"); }
    QString message() const { return get<QLabel>("InfoMsg")->text(); }
    QStringList suggestions() const {
        QStringList items;
        for (int i = 0; i < variants()->count(); ++i)
            items << variants()->item(i)->text();
        return items;
    }
    // The decision controls the user can use now, in their tab order.
    QString usable() const {
        QStringList names;
        for (const char* name : {"Variants", "ChangeButton", "ChangeAllButton", "SkipButton", "SkipAllButton",
                                 "AddButton", "CancelEdit", "DelButton", "StartButton"}) {
            const QWidget* w = get(name);
            if (!w->isHidden() && w->isEnabled())
                names << QString::fromLatin1(name).remove(QLatin1String("Button"));
        }
        return names.join(QLatin1Char(' '));
    }
    // The engine's calls other than the suggestion look-ups.
    QStringList decisions() const {
        QStringList calls;
        for (const SpellScript::Call& call : script->calls)
            if (call.operation != QLatin1String("GetSuggestions"))
                calls << call.operation + QLatin1Char(':') + call.word +
                             (call.replacement.isEmpty() ? QString() : QLatin1Char('>') + call.replacement);
        return calls;
    }
};

// The preview's text outside the editable range: what protection must keep.
QString protectedPart(const SpellPreview& preview) {
    int start = 0, length = 0;
    preview.editedRange(start, length);
    const QString text = preview.document()->toRawText();
    return text.left(start) + QLatin1Char('|') + text.mid(start + length);
}

QTextCharFormat formatAt(const SpellPreview& preview, int position) {
    QTextCursor cursor(preview.document());
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

// Runs `action` from inside the modal dialog's loop once the dialog shows.
void whenShown(Session& s, std::function<void(SpellingDialog&)> action, int triesLeft = 500) {
    QTimer::singleShot(10, [&s, action = std::move(action), triesLeft]() mutable {
        if (s.dialog() && s.dialog()->isVisible())
            action(*s.dialog());
        else if (triesLeft > 0)
            whenShown(s, std::move(action), triesLeft - 1);
    });
}

} // namespace

class TestSpellDialog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { loadSpellTexts(TextLanguage::English); }

    void layout() {
        Session s(QStringLiteral("one wrongg word"));
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord,
                       {QStringLiteral("wrong"), QStringLiteral("wrung")});
        s.check();
        SpellingDialog* d = s.dialog();
        QVERIFY(d && d->isVisible());
        QCOMPARE(d->size(), QSize(310, 262));
        QCOMPARE(d->minimumSize(), d->maximumSize());
        QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(d->windowTitle(), QStringLiteral("Spell Check English (United Kingdom)"));
        QVERIFY((d->geometry().center() - d->screen()->geometry().center()).manhattanLength() <= 2);

        const struct {
            const char* name;
            QRect place;
            int fontPixels;
        } controls[] = {
            {"InfoMsg", {4, 4, 302, 13}, 12},         {"Misspelling", {4, 20, 302, 73}, 13},
            {"Label2", {4, 106, 302, 13}, 12},        {"Variants", {4, 122, 196, 102}, 13},
            {"ChangeButton", {207, 122, 99, 20}, 10}, {"ChangeAllButton", {207, 146, 99, 21}, 11},
            {"SkipButton", {207, 179, 99, 20}, 11},   {"SkipAllButton", {207, 203, 99, 20}, 11},
            {"AddButton", {207, 236, 99, 20}, 11},    {"CancelButton", {4, 236, 70, 20}, 11},
            {"CancelEdit", {81, 236, 119, 20}, 11},   {"DelButton", {207, 122, 99, 20}, 10},
            {"StartButton", {207, 122, 99, 20}, 11},
        };
        for (const auto& c : controls) {
            QCOMPARE(s.get(c.name)->geometry(), c.place);
            QCOMPARE(s.get(c.name)->font().pixelSize(), c.fontPixels);
        }
        QCOMPARE(s.preview()->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(s.variants()->font().family(), QStringLiteral("Verdana"));

        // Tab order from the preview through every button that can take the focus now.
        QStringList order;
        for (QWidget* w = s.preview(); order.size() < 8; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(d) && w->isEnabled())
                order << w->objectName();
        QCOMPARE(order, QStringList({"Misspelling", "Variants", "ChangeButton", "ChangeAllButton",
                                     "SkipButton", "SkipAllButton", "AddButton", "CancelButton"}));
        QVERIFY(s.button("ChangeButton")->isDefault());
        QCOMPARE(s.variants()->visualItemRect(s.variants()->item(0)).height(), SpellingDialog::ItemHeight);

        const QImage shot = d->grab().toImage();
        QVERIFY(shot.save(QStringLiteral("/tmp/spell-dialog.png")));
    }

    // The line around the finding, the flagged text in the misspelling font, the rest protected.
    void previewShowsTheLine() {
        Session s(QStringLiteral("first line\nsecond wrongg line\nthird"));
        s.checker.setMisspellingStyle(
            MisspellingStyle{QStringLiteral("Courier"), 0x0000FF, MisspellingStyle::Bold});
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord);
        s.check();
        const SpellPreview& p = *s.preview();
        QCOMPARE(p.toPlainText(), QStringLiteral("second wrongg line"));
        int start = 0, length = 0;
        p.editedRange(start, length);
        QCOMPARE(start, 7);
        QCOMPARE(length, 6);
        QCOMPARE(formatAt(p, 7).foreground().color(), QColor(Qt::blue));
        QCOMPARE(formatAt(p, 12).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(p, 12).font().family(), QStringLiteral("Courier"));
        QCOMPARE(formatAt(p, 6).foreground().color(), p.palette().color(QPalette::Text));
        QCOMPARE(formatAt(p, 13).fontWeight(), int(QFont::Normal));
        QVERIFY(s.button("CancelEdit")->isHidden());
    }

    void buttonsPerResult_data() {
        QTest::addColumn<QString>("flagged");
        QTest::addColumn<RC>("code");
        QTest::addColumn<QStringList>("engineSuggestions");
        QTest::addColumn<QString>("changeTo");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("usable");

        const QStringList two = {QStringLiteral("wrong"), QStringLiteral("wrung")};
        const QString all = QStringLiteral("Variants Change ChangeAll Skip SkipAll Add");
        const QString skipOnly = QStringLiteral("Skip");
        QTest::newRow("unknown word") << "wrongg" << RC::UnknownInputWord << two << ""
                                      << "Unknown word" << two << all;
        QTest::newRow("unknown, no suggestions") << "wrongg" << RC::UnknownInputWord << QStringList() << ""
                                                 << "Unknown word" << QStringList() << "Skip SkipAll Add";
        QTest::newRow("unknown, 64 characters") << QString(64, u'x') << RC::UnknownInputWord << two << ""
                                                << "Unknown word" << two << all;
        QTest::newRow("unknown, 65 characters") << QString(65, u'x') << RC::UnknownInputWord << two << ""
                                                << "Unknown word" << two << "Variants Change ChangeAll Skip";
        QTest::newRow("change once, proposal first")
            << "wrongg" << RC::ReturningChangeOnce << two << "right"
            << "Unknown word" << QStringList({"right", "wrong", "wrung"}) << "Variants Change ChangeAll Skip";
        QTest::newRow("change once, proposal listed already")
            << "wrongg" << RC::ReturningChangeOnce << two << "wrung"
            << "Unknown word" << two << "Variants Change ChangeAll Skip";
        QTest::newRow("hyphenation") << "wrongg" << RC::InvalidHyphenation << two << ""
                                     << "Illegal hyphenations" << two << "Variants Change Skip";
        QTest::newRow("capitalization")
            << "wrongg" << RC::ErrorCapitalization << two << ""
            << "Capitalization error" << QStringList({"Wrongg"}) << "Variants Change Skip";
        QTest::newRow("capitalization, accented")
            << QStringLiteral("\u00e9t\u00e9") << RC::ErrorCapitalization << two << ""
            << "Capitalization error" << QStringList({QStringLiteral("\u00c9t\u00e9")})
            << "Variants Change Skip";
        QTest::newRow("sentence start")
            << "wrongg" << RC::NoSentenceStartCap << two << ""
            << "Sentence capitalization error" << QStringList({"Wrongg"}) << "Variants Change Skip";
        QTest::newRow("abbreviation") << "wrongg" << RC::WordConsideredAbbreviation << two << ""
                                      << "Possible abbreviation" << QStringList() << skipOnly;
        QTest::newRow("extra spaces") << "one   w" << RC::ExtraSpaces << two << ""
                                      << "Extra spaces" << QStringList({"one "}) << "Variants Change Skip";
        QTest::newRow("missing space") << "wrongg" << RC::MissingSpace << two << ""
                                       << "Missing space" << QStringList() << skipOnly;
        QTest::newRow("initial numeral") << "wrongg" << RC::InitialNumeral << two << ""
                                         << "Numerals in start of word" << QStringList() << skipOnly;
        QTest::newRow("repeated word") << "wrongg" << RC::RepeatWord << two << ""
                                       << "Repeated word" << QStringList() << "Skip Del";
        for (RC code : {RC::HyphChangesSpelling, RC::NoMoreSuggestions, RC::MoreInfoThanBufferCouldHold})
            QTest::addRow("result %d", int(code)) << "wrongg" << code << two << ""
                                                  << "" << QStringList() << skipOnly;
    }

    void buttonsPerResult() {
        QFETCH(QString, flagged);
        QFETCH(RC, code);
        QFETCH(QStringList, engineSuggestions);
        QFETCH(QString, changeTo);
        Session s(QStringLiteral("Start ") + flagged + QStringLiteral(" end"));
        s.script->flag(flagged, code, engineSuggestions, changeTo);
        s.check();
        QVERIFY(s.dialog()->isVisible());
        QTEST(s.message(), "message");
        QTEST(s.suggestions(), "listed");
        QTEST(s.usable(), "usable");
        QCOMPARE(s.button("DelButton")->isHidden(), code != RC::RepeatWord);
        QCOMPARE(s.button("ChangeButton")->isHidden(), code == RC::RepeatWord);
        QVERIFY(s.button("StartButton")->isHidden());
        QVERIFY(s.button("CancelButton")->isEnabled());
        QCOMPARE(s.get<QLabel>("Label2")->isEnabled(), s.variants()->isEnabled());
        if (s.variants()->count() > 0)
            QCOMPARE(s.variants()->currentRow(), 0);
    }

    void collapseSpaces_data() {
        QTest::addColumn<QString>("errorWord");
        QTest::addColumn<QString>("collapsed");
        QTest::newRow("run before a blank") << "word   n"
                                            << "word ";
        QTest::newRow("only blanks") << "    x"
                                     << " ";
        QTest::newRow("no run") << "ab."
                                << "ab";
        QTest::newRow("one character") << "x"
                                       << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void collapseSpaces() {
        QFETCH(QString, errorWord);
        QTEST(SpellingDialog::collapseSpaces(errorWord), "collapsed");
    }

    // Each decision reaches the checker and the engine, changes the text, and goes on.
    void decisions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<RC>("code");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("engineCalls");

        const auto row = [](const char* name, const char* text, RC code, const char* action,
                            const char* result, QStringList calls) {
            QTest::newRow(name) << QString::fromUtf8(text) << code << QString::fromLatin1(action)
                                << QString::fromUtf8(result) << calls;
        };
        row("change", "a wrongg b", RC::UnknownInputWord, "ChangeButton", "a wrung b",
            {"ChangeOnce:wrongg>wrung"});
        row("double click", "a wrongg b", RC::UnknownInputWord, "double click", "a wrong b",
            {"ChangeOnce:wrongg>wrong"});
        row("enter", "a wrongg b", RC::UnknownInputWord, "enter", "a wrung b", {"ChangeOnce:wrongg>wrung"});
        row("change all", "a wrongg b wrongg", RC::UnknownInputWord, "ChangeAllButton", "a wrung b wrongg",
            {"ChangeAlways:wrongg>wrung"});
        row("change capital", "a wrongg b", RC::ErrorCapitalization, "ChangeButton", "a Wrongg b", {});
        row("change extra spaces", "one   w end", RC::ExtraSpaces, "ChangeButton", "one w end", {});
        row("skip", "a wrongg b", RC::UnknownInputWord, "SkipButton", "a wrongg b", {});
        row("skip all", "a wrongg b", RC::UnknownInputWord, "SkipAllButton", "a wrongg b",
            {"IgnoreAlways:wrongg"});
        row("add", "a wrongg b", RC::UnknownInputWord, "AddButton", "a wrongg b", {"AddWord:wrongg"});
        row("delete", "the the cat", RC::RepeatWord, "DelButton", "the cat", {});
    }

    void decisions() {
        QFETCH(QString, text);
        QFETCH(RC, code);
        QFETCH(QString, action);
        Session s(text);
        const QString flagged = code == RC::RepeatWord    ? QStringLiteral("the")
                                : code == RC::ExtraSpaces ? QStringLiteral("one   w")
                                                          : QStringLiteral("wrongg");
        s.script->flag(flagged, code, {QStringLiteral("wrung"), QStringLiteral("wrong")});
        s.check();
        QVERIFY(s.dialog()->isVisible());
        const int firstFindingChecks = int(s.script->checks.size());
        if (action == QLatin1String("double click")) {
            QListWidget* list = s.variants();
            const QPoint second = list->visualItemRect(list->item(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        } else if (action == QLatin1String("enter")) {
            QTest::keyClick(s.preview(), Qt::Key_Return);
        } else {
            s.button(action.toLatin1().constData())->click();
        }
        QTEST(s.edit->text(), "result");
        QTEST(s.decisions(), "engineCalls");
        QVERIFY(int(s.script->checks.size()) > firstFindingChecks); // the check went on
    }

    // Editing the flagged text offers Change and Undo Edit; Undo Edit puts the text back and the
    // buttons as its table has them: Skip All and Add for every unknown word, however long.
    void editAndUndo_data() {
        QTest::addColumn<QString>("flagged");
        QTest::addColumn<RC>("code");
        QTest::addColumn<QStringList>("engineSuggestions");
        QTest::addColumn<QString>("afterUndo"); // empty: as before the edit
        const QString wrongg = QStringLiteral("wrongg");
        QTest::newRow("unknown word") << wrongg << RC::UnknownInputWord << QStringList({"wrung"}) << "";
        QTest::newRow("unknown, no suggestions") << wrongg << RC::UnknownInputWord << QStringList() << "";
        QTest::newRow("unknown, 65 characters")
            << QString(65, u'x') << RC::UnknownInputWord << QStringList({"wrung"})
            << "Variants Change ChangeAll Skip SkipAll Add";
        QTest::newRow("capitalization") << wrongg << RC::ErrorCapitalization << QStringList() << "";
        QTest::newRow("missing space") << wrongg << RC::MissingSpace << QStringList() << "";
        QTest::newRow("repeated word") << wrongg << RC::RepeatWord << QStringList() << "";
    }

    void editAndUndo() {
        QFETCH(QString, flagged);
        QFETCH(RC, code);
        QFETCH(QStringList, engineSuggestions);
        QFETCH(QString, afterUndo);
        Session s(QStringLiteral("a ") + flagged + QStringLiteral(" b"));
        s.script->flag(flagged, code, engineSuggestions);
        s.check();
        const QString before = s.usable();
        const QString line = s.preview()->toPlainText();
        const int end = 2 + int(flagged.size());

        SpellPreview* p = s.preview();
        QTextCursor c = p->textCursor();
        c.setPosition(end); // behind the flagged word, inside the editable range
        p->setTextCursor(c);
        QTest::keyClick(p, Qt::Key_Backspace);
        QTest::keyClicks(p, QStringLiteral("ng"));
        QCOMPARE(p->toPlainText(), QStringLiteral("a ") + flagged.chopped(1) + QStringLiteral("ng b"));
        QCOMPARE(s.usable(), QStringLiteral("Change Skip CancelEdit"));
        QCOMPARE(formatAt(*p, end - 1).foreground(),
                 formatAt(*p, 2).foreground()); // typed text looks flagged too

        s.button("CancelEdit")->click();
        QCOMPARE(p->toPlainText(), line);
        QCOMPARE(s.usable(), afterUndo.isEmpty() ? before : afterUndo);
        QCOMPARE(s.edit->text(), QStringLiteral("a ") + flagged + QStringLiteral(" b"));

        // Edited again, Change takes the edited text, whatever the finding was.
        c = p->textCursor();
        c.setPosition(3);
        p->setTextCursor(c);
        QTest::keyClick(p, Qt::Key_Delete);
        QTest::keyClick(p, Qt::Key_Return); // Enter is Change, not a line break in the preview
        QCOMPARE(s.edit->text(), QStringLiteral("a ") + QString(flagged).remove(1, 1) + QStringLiteral(" b"));
        QCOMPARE(s.decisions(), QStringList());
    }

    // Nothing but the flagged text can change in the preview, however the change is tried.
    void protectedText_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"type before", "type after", "backspace at start", "delete at end",
                                "select all", "ctrl+backspace", "cursor insert", "cursor remove across",
                                "paste outside", "paste inside", "input method outside", "drop outside"})
            QTest::newRow(how) << QString::fromLatin1(how);
    }

    void protectedText() {
        QFETCH(QString, how);
        Session s(QStringLiteral("keep this wrongg and this"));
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord, {QStringLiteral("wrong")});
        s.check();
        SpellPreview* p = s.preview();
        const QString kept = protectedPart(*p);
        QCOMPARE(kept, QStringLiteral("keep this | and this"));
        const auto caret = [p](int at, int anchor = -1) {
            QTextCursor c = p->textCursor();
            c.setPosition(anchor < 0 ? at : anchor);
            c.setPosition(at, QTextCursor::KeepAnchor);
            p->setTextCursor(c);
        };
        QMimeData pasted;
        pasted.setText(QStringLiteral("X\nY"));

        if (how == "type before") {
            caret(2);
            QTest::keyClicks(p, QStringLiteral("xy"));
        } else if (how == "type after") {
            caret(20);
            QTest::keyClicks(p, QStringLiteral("xy"));
        } else if (how == "backspace at start") {
            caret(10);
            QTest::keyClick(p, Qt::Key_Backspace);
        } else if (how == "delete at end") {
            caret(16);
            QTest::keyClick(p, Qt::Key_Delete);
        } else if (how == "select all") {
            p->selectAll();
            QTest::keyClicks(p, QStringLiteral("z"));
        } else if (how == "ctrl+backspace") {
            caret(12);
            QTest::keyClick(p, Qt::Key_Backspace, Qt::ControlModifier);
            QTest::keyClick(p, Qt::Key_Backspace, Qt::ControlModifier);
        } else if (how == "cursor insert") {
            QTextCursor c(p->document());
            c.setPosition(3);
            c.insertText(QStringLiteral("INSERTED"));
        } else if (how == "cursor remove across") {
            QTextCursor c(p->document());
            c.setPosition(5);
            c.setPosition(13, QTextCursor::KeepAnchor);
            c.removeSelectedText();
        } else if (how == "paste outside") {
            caret(21);
            QApplication::clipboard()->setText(QStringLiteral("PASTED"));
            QTest::keyClick(p, Qt::Key_V, Qt::ControlModifier);
        } else if (how == "paste inside") {
            caret(13);
            QApplication::clipboard()->setText(QStringLiteral("X\nY"));
            QTest::keyClick(p, Qt::Key_V, Qt::ControlModifier);
        } else if (how == "input method outside") {
            caret(1);
            QInputMethodEvent event(QString(), {});
            event.setCommitString(QStringLiteral("IME"));
            QApplication::sendEvent(p, &event);
        } else if (how == "drop outside") {
            const QPoint at = p->cursorRect(QTextCursor(p->document())).center();
            QDragEnterEvent enter(at, Qt::CopyAction, &pasted, Qt::LeftButton, {});
            QApplication::sendEvent(p->viewport(), &enter);
            QDragMoveEvent move(at, Qt::CopyAction, &pasted, Qt::LeftButton, {});
            QApplication::sendEvent(p->viewport(), &move);
            QDropEvent drop(at, Qt::CopyAction, &pasted, Qt::LeftButton, {});
            QApplication::sendEvent(p->viewport(), &drop);
        }
        QCOMPARE(protectedPart(*p), kept);
        QVERIFY(!p->document()->toRawText().contains(QChar(QChar::ParagraphSeparator)));
        if (how == "paste inside")
            QCOMPARE(p->editedText(), QStringLiteral("wroX Yngg"));
        // The text being checked is never touched by the preview.
        QCOMPARE(s.edit->text(), QStringLiteral("keep this wrongg and this"));
    }

    void germanTexts() {
        Session s(QStringLiteral("das das Haus"));
        s.checker.setTextLanguage(TextLanguage::Own);
        s.script->flag(QStringLiteral("das Haus"), RC::RepeatWord);
        s.check();
        QCOMPARE(s.message(), QStringLiteral("Wortwiederholung"));
        QCOMPARE(s.button("ChangeButton")->text(), QStringLiteral("&Ersetzen"));
        QCOMPARE(s.button("DelButton")->text(), QStringLiteral("&L\u00f6schen"));
        QCOMPARE(s.get<QLabel>("Label2")->text(), QStringLiteral("&Varianten"));
        QCOMPARE(s.button("StartButton")->text(), QStringLiteral("Start"));
    }

    // A modal check runs inside checkControl; Cancel (or Escape) ends it and returns to the caller.
    void modalCancelReturns_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << "button";
        QTest::newRow("escape") << "escape";
        QTest::newRow("close box") << "close";
    }

    void modalCancelReturns() {
        QFETCH(QString, how);
        Session s(QStringLiteral("a wrongg b badd c"));
        s.checker.setModalDialog(true);
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord, {QStringLiteral("wrong")});
        s.script->flag(QStringLiteral("badd"), RC::UnknownInputWord, {QStringLiteral("bad")});
        QStringList seen;
        whenShown(s, [&](SpellingDialog& d) {
            seen << s.preview()->editedText() + (d.isModal() ? QStringLiteral(" modal") : QString());
            s.button("ChangeButton")->click(); // the next finding comes into the open dialog
            seen << s.preview()->editedText();
            if (how == QLatin1String("button"))
                s.button("CancelButton")->click();
            else if (how == QLatin1String("escape"))
                QTest::keyClick(s.variants(), Qt::Key_Escape);
            else
                d.close();
        });
        s.check();
        QCOMPARE(seen, QStringList({"wrongg modal", "badd"}));
        QVERIFY(!s.dialog()->isVisible());
        QVERIFY(s.checker.isCancelled());
        QCOMPARE(s.cancelSenders, std::vector<void*>({static_cast<void*>(s.dialog())}));
        QCOMPARE(s.finished, 1);
        QCOMPARE(s.edit->text(), QStringLiteral("a wrong b badd c"));

        // The same dialog serves the next check.
        SpellingDialog* first = s.dialog();
        whenShown(s, [&](SpellingDialog&) { s.button("SkipButton")->click(); });
        s.check();
        QCOMPARE(s.dialog(), first);
        QCOMPARE(s.finished, 2);
        QVERIFY(!s.checker.isCancelled());
    }

    // A modeless dialog left for the text greys out and offers Start, which checks again.
    void modelessStart() {
        Session s(QStringLiteral("a wrongg b"));
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord, {QStringLiteral("wrong")});
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.check();
        SpellingDialog* d = s.dialog();
        QVERIFY(d->isVisible() && !d->isModal());
        QTRY_VERIFY(d->isActiveWindow());

        s.window.activateWindow();
        QTRY_VERIFY(s.window.isActiveWindow());
        QTRY_COMPARE(s.usable(), QStringLiteral("Start"));
        QVERIFY(!s.get("InfoMsg")->isEnabled());
        QCOMPARE(s.variants()->count(), 0);
        QCOMPARE(s.preview()->toPlainText(), QString());

        d->activateWindow();
        QTRY_VERIFY(s.get("InfoMsg")->isEnabled());
        s.button("StartButton")->click();
        QCOMPARE(s.usable(), QStringLiteral("Variants Change ChangeAll Skip SkipAll Add"));
        QCOMPARE(s.preview()->editedText(), QStringLiteral("wrongg"));
        s.button("ChangeButton")->click();
        QCOMPARE(s.edit->text(), QStringLiteral("a wrong b"));
        QVERIFY(!d->isVisible());
    }

    // A repeated word leaves Skip as it was: a pause greys it out, and Start brings it back.
    void repeatedWordAfterAPause() {
        Session s(QStringLiteral("the the cat"));
        s.script->flag(QStringLiteral("the"), RC::RepeatWord);
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.check();
        SpellingDialog* d = s.dialog();
        QTRY_VERIFY(d->isActiveWindow());
        QCOMPARE(s.usable(), QStringLiteral("Skip Del"));
        const auto pause = [&] {
            d->activateWindow();
            QTRY_VERIFY(d->isActiveWindow());
            s.window.activateWindow();
            QTRY_VERIFY(s.window.isActiveWindow());
            QTRY_COMPARE(s.usable(), QStringLiteral("Start"));
        };
        pause();
        if (QTest::currentTestFailed())
            return;
        s.check(); // the program checks again while the dialog is greyed out
        QCOMPARE(s.message(), QStringLiteral("Repeated word"));
        QCOMPARE(s.usable(), QStringLiteral("Del"));

        pause();
        if (QTest::currentTestFailed())
            return;
        d->activateWindow();
        QTRY_VERIFY(d->isActiveWindow());
        s.button("StartButton")->click();
        QCOMPARE(s.usable(), QStringLiteral("Skip Del"));
    }

    // Start on a text control that is gone does nothing, and says nothing.
    void startWithoutControl() {
        Session s(QStringLiteral("a wrongg b"));
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord);
        s.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.check();
        int errors = 0;
        s.dialog()->onError = [&](const std::exception&) { ++errors; };
        QTRY_VERIFY(s.dialog()->isActiveWindow());
        s.window.activateWindow();
        QTRY_COMPARE(s.usable(), QStringLiteral("Start"));
        delete s.edit;
        s.edit = nullptr;
        s.button("StartButton")->click();
        QCOMPARE(s.usable(), QString());
        QCOMPARE(errors, 0);
        QVERIFY(s.dialog()->isVisible()); // Cancel is still there to close it
        s.button("CancelButton")->click();
        QVERIFY(!s.dialog()->isVisible());
    }

    // A failure inside a decision (here: the text control closed during the check) ends the check;
    // a modal check passes it to its caller, a modeless dialog to its error handler.
    void failureInDecision_data() {
        QTest::addColumn<bool>("modal");
        QTest::newRow("modal") << true;
        QTest::newRow("modeless") << false;
    }

    void failureInDecision() {
        QFETCH(bool, modal);
        Session s(QStringLiteral("a wrongg b"));
        s.checker.setModalDialog(modal);
        s.script->flag(QStringLiteral("wrongg"), RC::UnknownInputWord, {QStringLiteral("wrong")});
        QStringList errors;
        const auto closeTextAndChange = [&] {
            s.dialog()->onError = [&](const std::exception& e) { errors << messageOf(e); };
            delete s.edit;
            s.edit = nullptr;
            s.button("ChangeButton")->click();
        };
        if (modal) {
            whenShown(s, [&](SpellingDialog&) { closeTextAndChange(); });
            QVERIFY_THROWS_EXCEPTION(SpellError, s.check());
            QCOMPARE(errors, QStringList());
        } else {
            s.check();
            closeTextAndChange();
            QCOMPARE(errors.size(), 1);
            QVERIFY(errors.first().contains(QLatin1String("redNote")));
        }
        QVERIFY(!s.dialog()->isVisible());
        QCOMPARE(s.finished, 1);
    }
};

QTEST_MAIN(TestSpellDialog)
#include "tst_spellDialog.moc"
