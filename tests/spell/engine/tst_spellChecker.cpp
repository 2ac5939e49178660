#include "ScriptedPrompts.h"
#include "ScriptedSpellDialog.h"
#include "ScriptedSpeller.h"
#include "controls/LinkTextEdit.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellTexts.h"
#include "spell/ui/RichEditSpellControl.h"

#include <QtTest>

using RC = SpellResult;

namespace {

// A control over a plain string with a chosen class chain: a memo (text with CR LF) or an edit
// control the checker must refuse.
class StringControl : public ISpellTextControl {
public:
    StringControl(QString text, QStringList chain) : m_text(std::move(text)), m_chain(std::move(chain)) {}
    QString componentName() const override { return QStringLiteral("edtPlain"); }
    QStringList classChain() const override { return m_chain; }
    int textLength() const override { return int(m_text.size()); }
    QString textRange(int from, int to) const override { return m_text.mid(from, to - from); }
    void selection(int& start, int& end) const override {
        start = m_start;
        end = m_start + m_length;
    }
    void setSelection(int start, int length) override {
        m_start = start;
        m_length = length;
    }
    void replaceSelection(const QString& text) override {
        m_text.replace(m_start, m_length, text);
        m_length = 0;
    }
    int findWordBreak(int position, WordBreak direction) const override {
        if (direction == WordBreak::Left) {
            while (position > 0 && m_text.at(position - 1).isLetter())
                --position;
            return position;
        }
        while (position < m_text.size() && m_text.at(position).isLetter())
            ++position;
        while (position < m_text.size() && !m_text.at(position).isLetter())
            ++position;
        return position;
    }
    LanguageId languageAt(int) const override { return 0; }
    std::unique_ptr<ISpellTextControl> makeShadow() const override {
        return std::make_unique<StringControl>(m_text, m_chain);
    }
    QString m_text;

private:
    QStringList m_chain;
    int m_start = 0;
    int m_length = 0;
};

// A rich-edit control whose characters carry languages: English up to `split`, German after it.
class TwoLanguageControl : public StringControl {
public:
    TwoLanguageControl(QString text, int split)
        : StringControl(std::move(text), {"TRichEdit98", "TCustomRichEdit98", "TCustomRichEdit"}),
          m_split(split) {}
    LanguageId languageAt(int position) const override { return position < m_split ? 2057 : 1031; }
    std::unique_ptr<ISpellTextControl> makeShadow() const override {
        return std::make_unique<TwoLanguageControl>(m_text, m_split);
    }

private:
    int m_split;
};

// A checker with a scripted engine and dialog over a real body field.
struct Rig {
    std::shared_ptr<SpellScript> script = std::make_shared<SpellScript>();
    SpellChecker checker;
    ScriptedSpellDialog dialog{checker};
    LinkTextEdit edit{false};
    RichEditSpellControl control{edit};
    QStringList changes; // OnChangeText as "pos,len,new"
    int finished = 0;

    explicit Rig(const QString& text = {}) {
        checker.setTextLanguage(TextLanguage::English);
        checker.setLanguage(2057);
        checker.setEngineType(EngineType::Ispell);
        checker.setModalDialog(true);
        checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
        QObject::connect(&checker, &SpellChecker::textChanged, [this](int pos, int len, const QString& word) {
            changes << QStringLiteral("%1,%2,%3").arg(pos).arg(len).arg(word);
        });
        QObject::connect(&checker, &SpellChecker::finished, [this] { ++finished; });
        dialog.install();
        edit.setObjectName(QStringLiteral("redNote"));
        edit.setText(text);
    }
    void select(int start, int length) { control.setSelection(start, length); }
    QStringList presented() const {
        QStringList out;
        for (const auto& p : dialog.presentations)
            out << p.errorWord;
        return out;
    }
};

} // namespace

class TestSpellChecker : public QObject {
    Q_OBJECT

private slots:
    // Which pieces of text reach the engine, and whether each begins a paragraph.
    void segmentWalk_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QStringList>("buffers");
        QTest::newRow("lines") << "one two\nthree" << 0 << 0 << false << QStringList{"S:one two", "S:three"};
        QTest::newRow("blank lines") << "\n\nword\n\n" << 0 << 0 << false << QStringList{"S:word"};
        QTest::newRow("selection only") << "alpha beta gamma" << 6 << 4 << false << QStringList{"C:beta"};
        QTest::newRow("caret inside a word")
            << "alpha beta gamma" << 8 << 0 << false << QStringList{"C:beta gamma"};
        QTest::newRow("caret in the first word")
            << "alpha beta" << 3 << 0 << false << QStringList{"S:alpha beta"};
        QTest::newRow("caret on blanks") << "alpha   beta" << 6 << 0 << false << QStringList{"C:  beta"};
        QTest::newRow("markup ignored") << "a <b>c" << 0 << 0 << false << QStringList{"S:a <b>c"};
        QTest::newRow("tag") << "a <b>bold</b> c" << 0 << 0 << true << QStringList{"S:a ", "C:bold", "C: c"};
        QTest::newRow("comment with a tag inside")
            << "x<!-- a <b> c -->y" << 0 << 0 << true << QStringList{"S:x", "C:y"};
        QTest::newRow("script with a less-than")
            << "x<% if a<b %>y" << 0 << 0 << true << QStringList{"S:x", "C:y"};
        QTest::newRow("start inside a tag") << "ab <i title=x>cd" << 8 << 0 << true << QStringList{"C:cd"};
        QTest::newRow("unclosed tag") << "ab <i title" << 0 << 0 << true << QStringList{"S:ab "};
        QTest::newRow("tag at a line start") << "x\n<p>hi" << 0 << 0 << true << QStringList{"S:x", "S:hi"};
    }
    void segmentWalk() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(bool, html);
        QFETCH(QStringList, buffers);
        Rig rig(text);
        rig.checker.setHtmlSupport(html);
        rig.select(selStart, selLength);
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.script->buffers(), buffers);
        QCOMPARE(rig.finished, 1);
        QVERIFY(rig.dialog.presentations.empty());
    }

    // A memo's text with CR LF and lone CR: each line is a paragraph of its own.
    void carriageReturnsEndParagraphs() {
        auto script = std::make_shared<SpellScript>();
        SpellChecker checker;
        checker.setEngineType(EngineType::Ispell);
        checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
        StringControl memo(QStringLiteral("one\r\ntwo\rthree\vfour"),
                           {"TMemo", "TCustomMemo", "TCustomEdit", "TWinControl"});
        checker.checkControl(memo);
        QCOMPARE(script->buffers(), (QStringList{"S:one", "S:two", "S:three", "C:four"}));
    }

    // A language change cuts the text, and each part goes to the engine of its language.
    void languageRunsGoToTheirEngines() {
        auto script = std::make_shared<SpellScript>();
        SpellChecker checker;
        checker.setEngineType(EngineType::Ispell);
        checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
        TwoLanguageControl control(QStringLiteral("good day Guten Tag\nmorgen"), 9);
        checker.checkControl(control);
        QCOMPARE(script->buffers(), (QStringList{"S:good day ", "C:Guten Tag", "S:morgen"}));
        QCOMPARE(script->created, (std::vector<LanguageId>{2057, 1031}));
        QCOMPARE(script->checks.at(1).language, LanguageId(1031));
    }

    // Modeless, checkControl returns at the first finding; the dialog's buttons carry the check on.
    void modelessCheck() {
        Rig rig(QStringLiteral("bad good worse"));
        rig.checker.setModalDialog(false);
        rig.script->flag("bad", RC::UnknownInputWord);
        rig.script->flag("worse", RC::UnknownInputWord);
        rig.dialog.then(ScriptedSpellDialog::skip())
            .then(ScriptedSpellDialog::change(QStringLiteral("better")));
        rig.checker.checkControl(rig.control);
        QVERIFY(rig.dialog.isDialogVisible());
        QCOMPARE(rig.presented(), QStringList{"bad"});
        QCOMPARE(rig.finished, 0);
        QVERIFY(rig.dialog.answerNext());
        QCOMPARE(rig.presented(), (QStringList{"bad", "worse"}));
        QVERIFY(rig.dialog.answerNext());
        QCOMPARE(rig.finished, 1);
        QVERIFY(!rig.dialog.isDialogVisible());
        QCOMPARE(rig.edit.text(), QStringLiteral("bad good better"));
    }

    // An engine failing in the middle of a modal check ends it; the error reaches the caller of
    // checkControl, not the dialog's event loop.
    void engineFailureDuringTheCheck() {
        Rig rig(QStringLiteral("bad\nboom"));
        rig.script->flag("bad", RC::UnknownInputWord);
        rig.script->failCheck = QStringLiteral("boom");
        rig.dialog.then(ScriptedSpellDialog::skip());
        try {
            rig.checker.checkControl(rig.control);
            QFAIL("no error");
        } catch (const SpellError& e) {
            QCOMPARE(e.message(), QStringLiteral("Spelling error No 3"));
        }
        QVERIFY(!rig.dialog.isDialogVisible());
        QCOMPARE(rig.dialog.unanswered, 0);
        QCOMPARE(rig.edit.text(), QStringLiteral("bad\nboom"));
        // The next check starts afresh.
        rig.script->failCheck.clear();
        rig.dialog.then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.dialog.unanswered, 0);
    }

    void onlyRichAndMemoClassesAreChecked() {
        SpellChecker checker;
        StringControl edit(QStringLiteral("text"), {"TEdit", "TCustomEdit", "TCustomMemo"});
        try {
            checker.checkControl(edit);
            QFAIL("an edit control was checked");
        } catch (const SpellError& e) {
            QCOMPARE(e.message(), QStringLiteral("You can't spell check edtPlain."));
        }
        QCOMPARE(checker.checkedControl(), nullptr);
        // The program's own fields pass as rich-edit controls, one-line titles included.
        LinkTextEdit title(true);
        title.setText(QStringLiteral("ok"));
        RichEditSpellControl control(title);
        QVERIFY(control.classChain().contains("TCustomRichEdit"));
        checker.checkControl(control);
    }

    void nothingToCheck_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("finished");
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("only line breaks") << "\n\n\n" << 1;
    }
    void nothingToCheck() {
        QFETCH(QString, text);
        QFETCH(int, finished);
        Rig rig(text);
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.finished, finished);
        QCOMPARE(rig.dialog.shows, 0);
        QVERIFY(rig.script->checks.empty());
    }

    // A replacement moves the end of the checked range by its length difference: the rest of the
    // range is still checked once, and nothing after it.
    void replacementsMoveTheRange_data() {
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("result");
        QTest::newRow("longer") << "thee"
                                << "thee y z";
        QTest::newRow("shorter") << "t"
                                 << "t y z";
        QTest::newRow("same length") << "the"
                                     << "the y z";
    }
    void replacementsMoveTheRange() {
        QFETCH(QString, replacement);
        QFETCH(QString, result);
        Rig rig(QStringLiteral("teh y z"));
        rig.script->flag("teh", RC::UnknownInputWord, {"the"});
        rig.script->flag("y", RC::UnknownInputWord);
        rig.script->flag("z", RC::UnknownInputWord);
        rig.select(0, 5); // "teh y"
        rig.dialog.then(ScriptedSpellDialog::change(replacement)).then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.edit.text(), result);
        QCOMPARE(rig.presented(), (QStringList{"teh", "y"}));
        QCOMPARE(rig.changes, QStringList{"0,3," + replacement});
        QVERIFY(std::find(rig.script->calls.begin(), rig.script->calls.end(),
                          SpellScript::Call{"ChangeOnce", "teh", replacement}) != rig.script->calls.end());
        QCOMPARE(rig.dialog.unanswered, 0);
    }

    // The check runs over a plain copy of the field: a line separator and a no-break space must
    // keep every later position where the field has it.
    void changeAfterSeparatorsLandsInPlace() {
        Rig rig(QStringLiteral("a\u2028b\u00a0teh c"));
        rig.script->flag("teh", RC::UnknownInputWord, {"the"});
        rig.dialog.then(ScriptedSpellDialog::change(QStringLiteral("the")));
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.presented(), QStringList{"teh"});
        QCOMPARE(rig.changes, QStringList{"4,3,the"});
        QCOMPARE(rig.edit.text(), QStringLiteral("a\nb\u00a0the c"));
    }

    void changeAllTellsTheEngine() {
        Rig rig(QStringLiteral("teh end"));
        rig.script->flag("teh", RC::UnknownInputWord, {"the"});
        rig.dialog.then(ScriptedSpellDialog::changeAll());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.edit.text(), QStringLiteral("the end"));
        QCOMPARE(rig.script->calls.back(), (SpellScript::Call{"ChangeAlways", "teh", "the"}));
    }

    void changeAlwaysFromTheEngineNeedsNoDialog() {
        Rig rig(QStringLiteral("a colour b"));
        rig.script->flag("colour", RC::ReturningChangeAlways, {}, "color");
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.edit.text(), QStringLiteral("a color b"));
        QCOMPARE(rig.dialog.shows, 0);
        QCOMPARE(rig.changes, QStringList{"2,6,color"});
        QCOMPARE(rig.script->buffers(), (QStringList{"S:a colour b", "C: b"}));
        QCOMPARE(rig.finished, 1);
    }

    void repeatedWordIsDeleted_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("change");
        QTest::newRow("with the blank after it") << "the the cat"
                                                 << "the cat"
                                                 << "4,4,";
        QTest::newRow("at a line end, lines stay apart") << "go the the\nnext"
                                                         << "go the\nnext"
                                                         << "6,4,";
        QTest::newRow("at the text end") << "the the"
                                         << "the"
                                         << "3,4,";
    }
    void repeatedWordIsDeleted() {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QFETCH(QString, change);
        Rig rig(text);
        rig.script->flagPart("the the", RC::RepeatWord, 4, 3);
        rig.dialog.then(ScriptedSpellDialog::del());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.dialog.presentations.at(0).kind, 'C');
        QCOMPARE(rig.edit.text(), result);
        QCOMPARE(rig.changes, QStringList{change});
        QCOMPARE(rig.dialog.unanswered, 0);
    }

    void extraSpacesResumeAtTheReplacement() {
        Rig rig(QStringLiteral("one   two"));
        rig.script->flagPart("one   two", RC::ExtraSpaces, 3, 4);
        rig.dialog.then(ScriptedSpellDialog::change(QStringLiteral(" ")));
        rig.checker.checkControl(rig.control);
        const auto& shown = rig.dialog.presentations.at(0);
        QCOMPARE(shown.errorPos, 3);
        QCOMPARE(shown.errorLen, 3); // one shorter than the engine's error
        QCOMPARE(shown.message, QStringLiteral("Extra spaces"));
        QCOMPARE(rig.edit.text(), QStringLiteral("one two"));
        QCOMPARE(rig.script->buffers(), (QStringList{"S:one   two", "C: two"}));
    }

    // Where the check goes on after each decision that changes nothing in the text.
    void decisionsWithoutChange_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("nextBuffer");
        QTest::addColumn<QString>("call");
        QTest::newRow("skip") << 0 << "C: bar"
                              << "GetSuggestions";
        QTest::newRow("skip all") << 1 << "C: bar"
                                  << "IgnoreAlways";
        QTest::newRow("add") << 2 << "C:foo bar"
                             << "AddWord";
    }
    void decisionsWithoutChange() {
        QFETCH(int, answer);
        QFETCH(QString, nextBuffer);
        QFETCH(QString, call);
        Rig rig(QStringLiteral("x foo bar"));
        rig.script->flag("foo", RC::UnknownInputWord);
        const ScriptedSpellDialog::Answer answers[] = {
            ScriptedSpellDialog::skip(), ScriptedSpellDialog::skipAll(), ScriptedSpellDialog::add()};
        rig.dialog.then(answers[answer]);
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.script->buffers(), (QStringList{"S:x foo bar", nextBuffer}));
        QCOMPARE(rig.script->calls.back().operation, call);
        QCOMPARE(rig.edit.text(), QStringLiteral("x foo bar"));
        QCOMPARE(rig.finished, 1);
    }

    // Each kind of finding gets its presentation, message and suggestions.
    void presentations_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<char>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("suggestions");
        QTest::newRow("unknown") << 1 << 'A' << "Unknown word" << QStringList{"Word"};
        QTest::newRow("change once") << 3 << 'A' << "Unknown word" << QStringList{"wart", "Word"};
        QTest::newRow("hyphenation") << 4 << 'A' << "Illegal hyphenations" << QStringList{"Word"};
        QTest::newRow("capitalization") << 5 << 'A' << "Capitalization error" << QStringList{"Wrd"};
        QTest::newRow("abbreviation") << 6 << 'A' << "Possible abbreviation" << QStringList{};
        QTest::newRow("sentence start") << 10 << 'A' << "Sentence capitalization error" << QStringList{"Wrd"};
        QTest::newRow("missing space") << 13 << 'B' << "Missing space" << QStringList{};
        QTest::newRow("initial numeral") << 14 << 'B' << "Numerals in start of word" << QStringList{};
        QTest::newRow("repeated") << 11 << 'C' << "Repeated word" << QStringList{};
        QTest::newRow("no more suggestions") << 8 << 'B' << "" << QStringList{};
    }
    void presentations() {
        QFETCH(int, code);
        QFETCH(char, kind);
        QFETCH(QString, message);
        QFETCH(QStringList, suggestions);
        Rig rig(QStringLiteral("a wrd"));
        rig.checker.setCaption(QStringLiteral("Spelling %s"));
        rig.checker.setLanguageNameForm(LanguageNameForm::Abbreviation);
        rig.script->flag("wrd", RC(code), {"Word"}, "wart");
        rig.dialog.then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.dialog.presentations.size(), std::size_t(1));
        const auto& shown = rig.dialog.presentations.front();
        QCOMPARE(shown.kind, kind);
        QCOMPARE(shown.message, message);
        QCOMPARE(shown.suggestions, suggestions);
        QCOMPARE(shown.caption, QStringLiteral("Spelling ENG"));
        QCOMPARE(shown.line, QStringLiteral("a wrd"));
        QCOMPARE(rig.checker.lastStatus(), RC::NoErrors);
    }

    // A finding of no characters still moves the check on, so a bad engine cannot stall it.
    void emptyFindingMovesOn() {
        Rig rig(QStringLiteral("abc def"));
        rig.script->flagPart("abc", RC::UnknownInputWord, 0, 0);
        rig.dialog.then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.dialog.presentations.size(), std::size_t(1));
        QCOMPARE(rig.dialog.presentations.front().errorLen, 1);
        QCOMPARE(rig.dialog.unanswered, 0);
        QCOMPARE(rig.finished, 1);
    }

    void cancelEndsTheCheck() {
        Rig rig(QStringLiteral("bad worse"));
        rig.script->flag("bad", RC::UnknownInputWord);
        rig.script->flag("worse", RC::UnknownInputWord);
        void* cancelSender = nullptr;
        QObject::connect(&rig.checker, &SpellChecker::cancelled,
                         [&](void* sender) { cancelSender = sender; });
        rig.dialog.then(ScriptedSpellDialog::cancel());
        rig.checker.checkControl(rig.control);
        QVERIFY(rig.checker.isCancelled());
        QCOMPARE(cancelSender, static_cast<void*>(&rig.dialog));
        QCOMPARE(rig.presented(), QStringList{"bad"});
        QCOMPARE(rig.finished, 1);
        QVERIFY(!rig.dialog.isDialogVisible());
    }

    // One engine per language and engine type, kept between checks.
    void enginesAreCached() {
        Rig rig(QStringLiteral("text"));
        rig.checker.checkControl(rig.control);
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.script->created, std::vector<LanguageId>{2057});
        rig.checker.setLanguage(1031);
        rig.checker.checkControl(rig.control);
        rig.checker.setLanguage(2057);
        rig.checker.checkControl(rig.control);
        QCOMPARE(rig.script->created, (std::vector<LanguageId>{2057, 1031}));
        // Dictionaries without a locale are told apart by the name chosen in the picker.
        rig.checker.setLanguage(0);
        for (const char* name : {"German - aspell", "English - aspell", "German - aspell"}) {
            rig.checker.setLanguageText(QString::fromLatin1(name));
            rig.checker.checkControl(rig.control);
        }
        QCOMPARE(rig.script->created, (std::vector<LanguageId>{2057, 1031, 0, 0}));
        rig.checker.setLanguage(2057);
        auto office = std::make_shared<SpellScript>();
        rig.checker.setEngineFactory(EngineType::Library,
                                     ScriptedSpeller::factory(office, EngineType::Library));
        rig.checker.setEngineType(EngineType::Library);
        rig.checker.checkControl(rig.control);
        QCOMPARE(office->created, std::vector<LanguageId>{2057});
        QCOMPARE(rig.checker.currentEngine()->engineType(), EngineType::Library);
    }

    // An engine that cannot be made ends the check with its error, text untouched, nothing cached.
    void engineThatCannotBeMade() {
        Rig rig(QStringLiteral("teh text"));
        rig.script->flag("teh", RC::ReturningChangeAlways, {}, "the");
        rig.script->failCreate = QStringLiteral("ispell is missing");
        try {
            rig.checker.checkControl(rig.control);
            QFAIL("no error");
        } catch (const SpellError& e) {
            QCOMPARE(e.message(), QStringLiteral("ispell is missing"));
        }
        QCOMPARE(rig.edit.text(), QStringLiteral("teh text"));
        QCOMPARE(rig.dialog.shows, 0);
        QVERIFY(rig.script->created.empty());
        rig.script->failCreate.clear();
        rig.checker.checkControl(rig.control); // tried again, and works
        QCOMPARE(rig.edit.text(), QStringLiteral("the text"));
    }

    void finishMessage_data() {
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<bool>("shown");
        QTest::newRow("working engine") << false << true;
        QTest::newRow("disabled engine") << true << false;
    }
    void finishMessage() {
        QFETCH(bool, disabled);
        QFETCH(bool, shown);
        Rig rig(QStringLiteral("text"));
        ScriptedPrompts prompts;
        rig.checker.setPrompts(&prompts);
        rig.checker.setShowFinishMessage(true);
        rig.checker.setFinishMessage(QStringLiteral("All done"));
        rig.script->disabled = disabled;
        if (shown)
            prompts.expect(QStringLiteral("All done"), MsgButton::OK);
        rig.checker.checkControl(rig.control);
        QCOMPARE(prompts.asked().size(), shown ? 1 : 0);
        if (shown)
            QCOMPARE(prompts.asked().front().kind, MsgKind::Information);
        QVERIFY(prompts.problems().isEmpty());
    }

    // A one-line title stays one line when a replacement holds a line break.
    void titleStaysOneLine() {
        Rig rig;
        LinkTextEdit title(true);
        title.setText(QStringLiteral("teh title"));
        RichEditSpellControl control(title);
        rig.script->flag("teh", RC::ReturningChangeAlways, {}, "a\nb");
        rig.script->flag("title", RC::UnknownInputWord);
        rig.dialog.then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(control);
        QCOMPARE(title.text(), QStringLiteral("a b title"));
        QCOMPARE(rig.presented(), QStringList{"title"});
        QCOMPARE(rig.dialog.presentations.front().errorPos, 4);
    }

    void capitalizeFirstFollowsTheEngineLocale_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("result");
        QTest::newRow("no engine") << -1 << "Istanbul";
        QTest::newRow("English") << 2057 << "Istanbul";
        QTest::newRow("Turkish") << 1055 << QString::fromUtf8("İstanbul");
    }
    void capitalizeFirstFollowsTheEngineLocale() {
        QFETCH(int, language);
        QFETCH(QString, result);
        Rig rig(QStringLiteral("x"));
        if (language >= 0) {
            rig.checker.setLanguage(LanguageId(language));
            rig.checker.checkControl(rig.control);
        }
        QCOMPARE(rig.checker.capitalizeFirst(QStringLiteral("istanbul")), result);
    }

    void lineAroundAFinding() {
        Rig rig(QStringLiteral("first\nsecond wrng line\nthird"));
        rig.script->flag("wrng", RC::UnknownInputWord);
        rig.dialog.then(ScriptedSpellDialog::skip());
        rig.checker.checkControl(rig.control);
        int start = -1;
        QString line;
        rig.checker.lineAt(13, start, line);
        QCOMPARE(start, 6);
        QCOMPARE(line, QStringLiteral("second wrng line"));
        QCOMPARE(rig.dialog.presentations.front().line, line);
        rig.checker.lineAt(0, start, line);
        QCOMPARE(line, QStringLiteral("first"));
    }
};

QTEST_MAIN(TestSpellChecker)
#include "tst_spellChecker.moc"
