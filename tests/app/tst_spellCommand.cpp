#include "MainWindowSession.h"
#include "ScriptedSpellDialog.h"
#include "ScriptedSpeller.h"
#include "app/ActionCatalog.h"
#include "app/SpellCommands.h"
#include "controls/TRichEditURL.h"

#include <QtTest>

// The Spell Check command of the real main window, with a scripted engine and a scripted person at
// the spelling dialog.
class TestSpellCommand : public QObject {
    Q_OBJECT

    struct Run {
        TestFolders folders;
        std::unique_ptr<MainWindowSession> session;
        TfrmMain* w = nullptr;
        std::shared_ptr<SpellScript> script = std::make_shared<SpellScript>();
        std::unique_ptr<ScriptedSpellDialog> dialog;

        Run(const QString& title, const QString& body) {
            folders.writeNotes(TwoNotes);
            session = std::make_unique<MainWindowSession>(folders);
            w = &session->start();
            TSpellChecker& checker = w->spell().checker();
            // The language picker has configured the checker from this machine's dictionaries: fix
            // language and engine for the scripted engine.
            checker.Available = true;
            checker.setLanguage(2057);
            checker.setSpellerType(TSpellerType::sptISpell);
            checker.setSpellerFactory(TSpellerType::sptISpell, ScriptedSpeller::factory(script));
            dialog = std::make_unique<ScriptedSpellDialog>(checker);
            dialog->install();
            w->actions().actNewNote->trigger();
            QTest::keyClicks(w->edtTitle(), title);
            const QStringList lines = body.split(u'\n');
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(w->redNote(), Qt::Key_Return);
                QTest::keyClicks(w->redNote(), lines.at(i));
            }
        }
        static void select(TRichEditURL* edit, int start, int length) {
            QTextCursor c = edit->textCursor();
            c.setPosition(start);
            c.setPosition(start + length, QTextCursor::KeepAnchor);
            edit->setTextCursor(c);
        }
        static QPair<int, int> selection(TRichEditURL* edit) {
            const QTextCursor c = edit->textCursor();
            return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
        }
        void spellCheck() {
            QVERIFY(w->actions().actSpellCheck->isEnabled());
            w->actions().actSpellCheck->trigger();
        }
        QStringList presented() const {
            QStringList out;
            for (const auto& p : dialog->presentations)
                out << p.errorWord;
            return out;
        }
    };

private slots:
    void titleThenBodyChangedInPlace() {
        Run r(QStringLiteral("Teh title"), QStringLiteral("first line\nsecnd line end"));
        r.script->flag("Teh", TSpellReturnCode::srUnknownInputWord, {"The"});
        r.script->flag("secnd", TSpellReturnCode::srUnknownInputWord, {"second"});
        r.dialog->then(ScriptedSpellDialog::change()).then(ScriptedSpellDialog::change());
        Run::select(r.w->edtTitle(), 2, 0);
        Run::select(r.w->redNote(), 3, 4);
        r.spellCheck();

        QCOMPARE(r.w->edtTitle()->text(), QStringLiteral("The title"));
        QCOMPARE(r.w->redNote()->text(), QStringLiteral("first line\nsecond line end"));
        QCOMPARE(r.script->buffers(),
                 (QStringList{"S:Teh title", "C: title", "S:first line", "S:secnd line end", "C: line end"}));
        QCOMPARE(r.dialog->presentations.front().caption, QStringLiteral("Quillnote Spell Check"));
        QCOMPARE(r.script->created, std::vector<TLanguage>{2057});
        // The selections come back as remembered, though the body grew.
        QCOMPARE(Run::selection(r.w->edtTitle()), qMakePair(2, 0));
        QCOMPARE(Run::selection(r.w->redNote()), qMakePair(3, 4));
        QVERIFY(r.w->actions().actSaveNote->isEnabled()); // the note counts as changed
        QVERIFY(r.session->prompts.problems().isEmpty());
    }

    void cancelInTheTitleStillChecksTheBody() {
        Run r(QStringLiteral("bad title"), QStringLiteral("worse body"));
        r.script->flag("bad", TSpellReturnCode::srUnknownInputWord);
        r.script->flag("worse", TSpellReturnCode::srUnknownInputWord);
        r.dialog->then(ScriptedSpellDialog::cancel()).then(ScriptedSpellDialog::cancel());
        r.spellCheck();
        QCOMPARE(r.presented(), (QStringList{"bad", "worse"}));
        QCOMPARE(r.dialog->unanswered, 0);
        QVERIFY(r.session->log().isEmpty());
    }

    void engineFailureGoesToTheErrorLog() {
        Run r(QStringLiteral("teh title"), QStringLiteral("body"));
        r.script->flag("teh", TSpellReturnCode::srReturningChangeAlways, {}, "the");
        r.script->failCreate = QStringLiteral("No ispell dictionary");
        Run::select(r.w->redNote(), 1, 2);
        r.session->prompts.expect(QStringLiteral("An error has occurred"), MsgButton::No);
        r.spellCheck();
        const QByteArray log = r.session->log();
        QVERIFY2(log.contains("Main") && log.contains("actSpellCheckExecute") &&
                     log.contains("No ispell dictionary"),
                 log.constData());
        QCOMPARE(r.w->edtTitle()->text(), QStringLiteral("teh title"));
        QCOMPARE(r.dialog->shows, 0);
        QCOMPARE(Run::selection(r.w->redNote()), qMakePair(1, 2));
        QVERIFY(r.session->prompts.problems().isEmpty());
    }

    void aLanguageWithoutItsDictionaryIsReported() {
        // A disabled engine passes every word; the user hears why nothing was found.
        Run r(QStringLiteral("teh title"), QStringLiteral("body"));
        r.script->flag("teh", TSpellReturnCode::srUnknownInputWord);
        r.script->disabled = true;
        r.w->spell().checker().LangName = QStringLiteral("German (Germany) - aspell");
        r.session->prompts.expect(QStringLiteral("Language German (Germany) - aspell not installed"),
                                  MsgButton::OK);
        r.spellCheck();
        QCOMPARE(r.dialog->shows, 0);
        QCOMPARE(r.w->edtTitle()->text(), QStringLiteral("teh title"));
        QVERIFY(r.session->prompts.problems().isEmpty());
        QCOMPARE(r.session->prompts.pending(), 0);
    }
};

QTEST_MAIN(TestSpellCommand)
#include "tst_spellCommand.moc"
