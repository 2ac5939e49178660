#include "MainWindowSession.h"
#include "ScriptedSpellDialog.h"
#include "ScriptedSpeller.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"
#include "gui/SpellCommands.h"
#include "spell/ui/LanguagePicker.h"

#include <QDir>
#include <QtTest>
#include <optional>

// The Spell Check command of the real main window, with a scripted engine and a scripted person at
// the spelling dialog.
class TestSpellCommand : public QObject {
    Q_OBJECT

    struct Run {
        TestFolders folders;
        std::unique_ptr<MainWindowSession> session;
        MainWindow* w = nullptr;
        std::shared_ptr<SpellScript> script = std::make_shared<SpellScript>();
        std::unique_ptr<ScriptedSpellDialog> dialog;

        // With `pipeProgram`, the real ispell engine runs that shell script (none when empty) as the
        // program of the picker's entry "Fake - pipe"; else a scripted engine answers.
        Run(const QString& title, const QString& body, std::optional<QByteArray> pipeProgram = {}) {
            folders.writeNotes(TwoNotes);
            if (pipeProgram)
                installPipe(*pipeProgram);
            session = std::make_unique<MainWindowSession>(folders);
            w = &session->start();
            SpellChecker& checker = w->testAccess().spell().checker();
            if (pipeProgram) {
                w->testAccess().languagePicker()->setItemIndex(
                    w->testAccess().languagePicker()->findText(QStringLiteral("Fake - pipe")));
                QCOMPARE(checker.languageText(), QStringLiteral("Fake - pipe"));
            } else {
                // The language picker has configured the checker from this machine's dictionaries:
                // fix language and engine for the scripted engine.
                checker.setAvailable(true);
                checker.setLanguage(2057);
                checker.setEngineType(EngineType::Ispell);
                checker.setEngineFactory(EngineType::Ispell, ScriptedSpeller::factory(script));
            }
            dialog = std::make_unique<ScriptedSpellDialog>(checker);
            dialog->install();
            w->testAccess().actions().newNoteAction->trigger();
            QTest::keyClicks(w->testAccess().titleEdit(), title);
            const QStringList lines = body.split(u'\n');
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(w->testAccess().bodyEdit(), Qt::Key_Return);
                QTest::keyClicks(w->testAccess().bodyEdit(), lines.at(i));
            }
        }
        QString pipeFolder() const { return folders.exeFolder() + QStringLiteral("ispell/"); }
        void installPipe(const QByteArray& program) const {
            QDir().mkpath(pipeFolder() + QStringLiteral("fake"));
            TestFolders::writeFile(pipeFolder() + QStringLiteral("fake/ispell.ini"),
                                   "[Fake - pipe]\nCmd=%AppDir%ispell/fake.sh -a\nCharset=UTF-8\n");
            if (!program.isEmpty())
                writeProgram(program);
        }
        void writeProgram(const QByteArray& body) const {
            const QString path = pipeFolder() + QStringLiteral("fake.sh");
            TestFolders::writeFile(path, "#!/bin/sh\n" + body);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        static void select(LinkTextEdit* edit, int start, int length) {
            QTextCursor c = edit->textCursor();
            c.setPosition(start);
            c.setPosition(start + length, QTextCursor::KeepAnchor);
            edit->setTextCursor(c);
        }
        static QPair<int, int> selection(LinkTextEdit* edit) {
            const QTextCursor c = edit->textCursor();
            return {c.selectionStart(), c.selectionEnd() - c.selectionStart()};
        }
        void spellCheck() {
            QVERIFY(w->testAccess().actions().spellCheckAction->isEnabled());
            w->testAccess().actions().spellCheckAction->trigger();
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
        r.script->flag("Teh", SpellResult::UnknownInputWord, {"The"});
        r.script->flag("secnd", SpellResult::UnknownInputWord, {"second"});
        r.dialog->then(ScriptedSpellDialog::change()).then(ScriptedSpellDialog::change());
        Run::select(r.w->testAccess().titleEdit(), 2, 0);
        Run::select(r.w->testAccess().bodyEdit(), 3, 4);
        r.spellCheck();

        QCOMPARE(r.w->testAccess().titleEdit()->text(), QStringLiteral("The title"));
        QCOMPARE(r.w->testAccess().bodyEdit()->text(), QStringLiteral("first line\nsecond line end"));
        QCOMPARE(r.script->buffers(),
                 (QStringList{"S:Teh title", "C: title", "S:first line", "S:secnd line end", "C: line end"}));
        QCOMPARE(r.dialog->presentations.front().caption, QStringLiteral("Quillnote Spell Check"));
        QCOMPARE(r.script->created, std::vector<LanguageId>{2057});
        // The selections come back as remembered, though the body grew.
        QCOMPARE(Run::selection(r.w->testAccess().titleEdit()), qMakePair(2, 0));
        QCOMPARE(Run::selection(r.w->testAccess().bodyEdit()), qMakePair(3, 4));
        QVERIFY(r.w->testAccess().actions().saveNoteAction->isEnabled()); // the note counts as changed
        QVERIFY(r.session->prompts.problems().isEmpty());
    }

    void cancelInTheTitleStillChecksTheBody() {
        Run r(QStringLiteral("bad title"), QStringLiteral("worse body"));
        r.script->flag("bad", SpellResult::UnknownInputWord);
        r.script->flag("worse", SpellResult::UnknownInputWord);
        r.dialog->then(ScriptedSpellDialog::cancel()).then(ScriptedSpellDialog::cancel());
        r.spellCheck();
        QCOMPARE(r.presented(), (QStringList{"bad", "worse"}));
        QCOMPARE(r.dialog->unanswered, 0);
        QVERIFY(r.session->log().isEmpty());
    }

    void engineFailureGoesToTheErrorLog() {
        Run r(QStringLiteral("teh title"), QStringLiteral("body"));
        r.script->flag("teh", SpellResult::ReturningChangeAlways, {}, "the");
        r.script->failCreate = QStringLiteral("No ispell dictionary");
        Run::select(r.w->testAccess().bodyEdit(), 1, 2);
        r.session->prompts.expect(QStringLiteral("An error has occurred"), MsgButton::No);
        r.spellCheck();
        const QByteArray log = r.session->log();
        QVERIFY2(log.contains("Main") && log.contains("actSpellCheckExecute") &&
                     log.contains("No ispell dictionary"),
                 log.constData());
        QCOMPARE(r.w->testAccess().titleEdit()->text(), QStringLiteral("teh title"));
        QCOMPARE(r.dialog->shows, 0);
        QCOMPARE(Run::selection(r.w->testAccess().bodyEdit()), qMakePair(1, 2));
        QVERIFY(r.session->prompts.problems().isEmpty());
    }

    // The user hears whether the spelling program is missing or stopped answering during the check;
    // one that stopped is logged, and the next check starts it afresh.
    void unusableSpellingProgram_data() {
        QTest::addColumn<QByteArray>("program"); // empty: there is none
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stopped");
        const QByteArray greet = "echo '@(#) International Ispell Version 3.1.20 (fake)'\nread terse\n";
        const QString stopped = QStringLiteral(
            "The spelling program fake.sh stopped answering; the rest of the note was not checked.");
        const QString missing = QStringLiteral("Language Fake - pipe not installed");
        QTest::newRow("dies") << greet + "read word\necho\nexit 3\n" << stopped << true;
        QTest::newRow("floods") << greet + "read word\nexec cat /dev/zero\n" << stopped << true;
        QTest::newRow("falls silent") << greet + "exec sleep 60\n" << stopped << true;
        QTest::newRow("no dictionary")
            << QByteArray("echo 'no such dictionary' >&2\nexit 1\n") << missing << false;
        QTest::newRow("no program") << QByteArray() << missing << false;
    }
    void unusableSpellingProgram() {
        QFETCH(QByteArray, program);
        QFETCH(QString, message);
        QFETCH(bool, stopped);
        Run r(QStringLiteral("one two"), QStringLiteral("three four"), program);
        r.session->prompts.expect(message, MsgButton::OK);
        r.spellCheck();
        QCOMPARE(r.session->prompts.pending(), 0);
        QVERIFY(r.session->prompts.problems().isEmpty());
        const QByteArray log = r.session->log();
        QCOMPARE(log.contains("actSpellCheckExecute") && log.contains("stopped answering"), stopped);
        QCOMPARE(r.w->testAccess().titleEdit()->text() + r.w->testAccess().bodyEdit()->text(),
                 QStringLiteral("one twothree four"));
        QCOMPARE(r.dialog->shows, 0);
        if (!stopped)
            return;
        r.writeProgram(
            "echo '@(#) International Ispell Version 3.1.20 (fake)'\nwhile read line; do echo; done\n");
        r.spellCheck();
        QVERIFY(r.session->prompts.problems().isEmpty());
    }

    // With "Spell Check When Saving", Save checks the note first and then saves it, whatever the
    // check came to: the user asked to save.
    void saveChecksFirstWhenAskedTo_data() {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("saved");
        QTest::newRow("off") << false << ""
                             << "Teh title";
        QTest::newRow("changed") << true << "change"
                                 << "The title";
        QTest::newRow("cancelled") << true << "cancel"
                                   << "Teh title";
        QTest::newRow("engine fails") << true << "fail"
                                      << "Teh title";
    }
    void saveChecksFirstWhenAskedTo() {
        QFETCH(bool, option);
        QFETCH(QString, answer);
        QFETCH(QString, saved);
        Run r(QStringLiteral("Teh title"), QStringLiteral("body"));
        r.w->testAccess().settings().checkSpellingOnSave = option;
        r.script->flag("Teh", SpellResult::UnknownInputWord, {"The"});
        if (answer == u"change")
            r.dialog->then(ScriptedSpellDialog::change());
        if (answer == u"cancel")
            r.dialog->then(ScriptedSpellDialog::cancel());
        if (answer == u"fail") {
            r.script->failCreate = QStringLiteral("No ispell dictionary");
            r.session->prompts.expect(QStringLiteral("An error has occurred"), MsgButton::No);
        }
        r.w->testAccess().actions().saveNoteAction->trigger();
        QCOMPARE(r.script->checks.empty(), !option || answer == u"fail");
        QCOMPARE(r.dialog->unanswered, 0);
        const QByteArray notes = TestFolders::readFile(r.folders.notesPath());
        QVERIFY2(notes.contains("<Title>" + saved.toUtf8() + "</Title>"), notes.constData());
        QVERIFY(!r.w->testAccess().actions().saveNoteAction->isEnabled());
        QCOMPARE(r.session->log().contains("actSpellCheckExecute"), answer == u"fail");
        QVERIFY(r.session->prompts.problems().isEmpty());
        QCOMPARE(r.session->prompts.pending(), 0);
    }
};

QTEST_MAIN(TestSpellCommand)
#include "tst_spellCommand.moc"
