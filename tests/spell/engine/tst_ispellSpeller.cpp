#include "ProcessState.h"
#include "platform/Registry.h"
#include "spell/engine/IspellAnswer.h"
#include "spell/engine/IspellCatalog.h"
#include "spell/engine/IspellEncoding.h"
#include "spell/engine/IspellEngine.h"
#include "spell/engine/IspellLine.h"
#include "spell/engine/IspellPipe.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/engine/WordSplitter.h"

#include "TestFolders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <csignal>
#include <memory>

namespace {

const QString AppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");

// A program folder whose hive points the engine at its own ispell folder (with a blank in its path,
// as "Program Files" would have).
class IspellSetup {
public:
    IspellSetup() : m_hive(m_folders.configFolder() + QStringLiteral("registry.ini")) {
        QDir().mkpath(ispellFolder());
        auto key = m_hive.openKeyForWriting(AppPathsKey);
        key->writeString(QStringLiteral("Path"), ispellFolder());
        key->close();
        m_configuration = std::make_unique<SpellConfiguration>(&m_hive, m_folders.exeFolder());
        checker.setConfiguration(m_configuration.get());
    }
    QString ispellFolder() const { return m_folders.root() + QStringLiteral("my ispell/"); }

    void descriptor(const QString& folder, const QByteArray& ini) const {
        QDir().mkpath(ispellFolder() + folder);
        TestFolders::writeFile(ispellFolder() + folder + QStringLiteral("/ispell.ini"), ini);
    }
    // One section for language 1033 running `cmd`.
    void english(const QByteArray& cmd, const QByteArray& charset = "UTF-8") const {
        descriptor(QStringLiteral("english"),
                   "[English]\r\nLangNo=1033\r\nCmd=" + cmd + "\r\nCharset=" + charset + "\r\n");
    }
    // An executable shell script in the ispell folder.
    QString script(const QString& name, const QByteArray& body) const {
        const QString path = ispellFolder() + name;
        TestFolders::writeFile(path, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    std::unique_ptr<IspellEngine> engine(LanguageId language = 1033, SpellOptionFlags options = 0) {
        return std::make_unique<IspellEngine>(language, options, &checker);
    }

    SpellChecker checker;

private:
    TestFolders m_folders;
    RegistryHive m_hive;
    std::unique_ptr<SpellConfiguration> m_configuration;
};

// Every finding of the text as "word@start", going on behind each one as the checker does.
QStringList findings(SpellEngine& engine, const QString& text) {
    QStringList found;
    int offset = 0;
    while (offset < text.size()) {
        int length = 0, start = 0;
        const QString rest = text.mid(offset);
        const SpellResult result = offset == 0 ? engine.checkSegmentStart(rest, length, start)
                                               : engine.checkSegmentContinued(rest, length, start);
        if (result == SpellResult::NoErrors)
            break;
        found << text.mid(offset + start, length) + QLatin1Char('@') + QString::number(offset + start);
        offset += start + length;
    }
    return found;
}

SpellResult check(SpellEngine& engine, const QString& text, int& start, int& length) {
    return engine.checkSegmentStart(text, length, start);
}

void addPrograms() {
    QTest::addColumn<QByteArray>("cmd");
    QTest::newRow("ispell") << QByteArray("ispell -a -B -d american");
    QTest::newRow("hunspell") << QByteArray("hunspell -a -d en_US -i UTF-8");
    QTest::newRow("aspell") << QByteArray("aspell -a --lang=en_US --encoding=utf-8");
}

// Answers every line with the empty line: every word is correct.
const QByteArray AcceptingProgram = "echo '@(#) International Ispell Version 3.1.20 (fake)'\n"
                                    "while read line; do echo; done\n";

} // namespace

class TestIspellSpeller : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QLoggingCategory::setFilterRules(QStringLiteral("quill.spell.ispell.warning=false"));
    }

    void findsMisspelledWordsWhereTheyStand_data() { addPrograms(); }
    void findsMisspelledWordsWhereTheyStand() {
        QFETCH(QByteArray, cmd);
        IspellSetup setup;
        setup.english(cmd);
        auto engine = setup.engine();
        QVERIFY2(!engine->isDisabled(), qPrintable(engine->failure()));
        QCOMPARE(engine->engineType(), EngineType::Ispell);
        QCOMPARE(engine->languageText(), languageName(1033, LanguageNameForm::Localized));
        // Hyphens, apostrophes and digits give several answers for one line in some of the
        // programs; the words behind them must still get their own answers. Command characters
        // in front of a word are delimiters, never commands.
        const QString text =
            QStringLiteral("The well-known cat (teh) doesn't 1st zzqx1zzqy *zzqx, @teh. Good dgo");
        const QStringList found = findings(*engine, text);
        QVERIFY2(found == (QStringList{"teh@20", "zzqx1zzqy@37", "zzqx@48", "teh@55", "dgo@65"}),
                 qPrintable(found.join(u' ')));
        int start = 0, length = 0;
        QCOMPARE(check(*engine, QStringLiteral("teh"), start, length), SpellResult::UnknownInputWord);
        QCOMPARE(engine->errorWord(), QStringLiteral("teh"));
        QStringList suggestions{QStringLiteral("stale")};
        engine->fillSuggestions(QStringLiteral("teh"), suggestions);
        QVERIFY2(suggestions.contains(QStringLiteral("the")), qPrintable(suggestions.join(u',')));
        // Another word than the last finding is asked about afresh.
        engine->fillSuggestions(QStringLiteral("wrld"), suggestions);
        QVERIFY2(suggestions.contains(QStringLiteral("world")), qPrintable(suggestions.join(u',')));
        engine->fillSuggestions(QStringLiteral("world"), suggestions);
        QVERIFY(suggestions.isEmpty());
        QCOMPARE(engine->errorWord(), QStringLiteral("teh"));
        // "zzqx" went out as a word, not as "add to the personal dictionary".
        QCOMPARE(findings(*engine, QStringLiteral("zzqx")), QStringList{"zzqx@0"});
        // Typographic quotes are no part of the word: replacing it keeps them.
        QCOMPARE(findings(*engine, QStringLiteral("\u201cteh\u201d \u00abwrld\u00bb")),
                 (QStringList{"teh@1", "wrld@7"}));
    }

    void changeAllIsReturnedForLaterOccurrences() {
        IspellSetup setup;
        setup.english("hunspell -a -d en_US -i UTF-8");
        auto engine = setup.engine();
        const QString text = QStringLiteral("teh cat and Teh teh");
        int start = -1, length = -1;
        QCOMPARE(check(*engine, text, start, length), SpellResult::UnknownInputWord);
        QCOMPARE(start, 0);
        QCOMPARE(length, 3);
        engine->changeAlways(QStringLiteral("teh"), QStringLiteral("the"));
        // The pairs compare exactly: "Teh" is another word.
        QCOMPARE(engine->checkSegmentContinued(text.mid(3), length, start), SpellResult::UnknownInputWord);
        QCOMPARE(start + 3, 12);
        QCOMPARE(engine->checkSegmentContinued(text.mid(15), length, start),
                 SpellResult::ReturningChangeAlways);
        QCOMPARE(start + 15, 16);
        QCOMPARE(engine->changeTo(), QStringLiteral("the"));
    }

    void wordsAheadAreAskedTogetherAndFindingsForgottenAfterAnAccept() {
        IspellSetup setup;
        // Logs every line it reads; only "teh" and "zork" are wrong, reported at their offsets;
        // commands get no answer.
        setup.script(QStringLiteral("logging.sh"),
                     "echo '@(#) International Ispell Version 3.1.20 (fake)'\n"
                     "while read -r line; do echo \"$line\" >> asked.log\n"
                     "case \"$line\" in '!'|@*) continue;; esac; at=1\n"
                     "for w in ${line#^}; do case \"$w\" in teh|zork) echo \"& $w 1 $at: the\";; esac\n"
                     "at=$((at + ${#w} + 1)); done; echo; done\n");
        setup.english("%AppDir%ispell/logging.sh -a");
        auto engine = setup.engine();
        auto asked = [&] {
            return QString::fromUtf8(
                       TestFolders::readFile(setup.ispellFolder() + QStringLiteral("asked.log")))
                .split(u'\n', Qt::SkipEmptyParts);
        };
        int start = -1, length = -1;
        engine->setTextAhead(u"four teh\nfive. six");
        QCOMPARE(check(*engine, QStringLiteral("teh two zork three teh"), start, length),
                 SpellResult::UnknownInputWord);
        QCOMPARE(start, 0);
        // Each line of text went out as one line, each word once, with the words behind it.
        QTRY_COMPARE(asked(), (QStringList{"!", "^teh two zork three", "^four", "^five six"}));
        // A Change moves the words behind the finding; their answers are found where they now stand.
        const QString changed = QStringLiteral("a two zork three teh");
        QCOMPARE(findings(*engine, changed.mid(1)), (QStringList{"zork@5", "teh@16"}));
        QCOMPARE(check(*engine, QStringLiteral("four teh"), start, length), SpellResult::UnknownInputWord);
        QCOMPARE(asked().size(), 4);
        // After Skip All the kept finding is stale: the program is asked again.
        engine->ignoreAlways(QStringLiteral("teh"));
        QCOMPARE(check(*engine, QStringLiteral("teh"), start, length), SpellResult::UnknownInputWord);
        QTRY_COMPARE(asked().mid(4), (QStringList{"@teh", "^teh"}));
    }

    // The words of a line are asked about together; what the program reports must land on the words
    // it concerns, whatever the program counts its offsets in and however it cuts our words into
    // pieces. Every word asked about alone is the measure.
    void lineFindingsMatchEachWordAskedAlone_data() {
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("text");
        // A line beginning with a command character; letters outside ASCII, some unknown to the
        // dictionary; pieces at digits and apostrophes; findings after all of them.
        const QString english = QStringLiteral("*zzqx naïve café tehh’s Ωmega doesn’t wrld zzqx1zzqy "
                                               "ab1teh teh dgo’s Straße 1st wrld’s");
        const QString german =
            QStringLiteral("#Strase Grüße über naïve Strasze Жук Straße’s über2Strase Zürih");
        QTest::newRow("ispell") << QByteArray("ispell -a -B -d american") << QByteArray("UTF-8") << english;
        QTest::newRow("hunspell") << QByteArray("hunspell -a -d en_US -i UTF-8") << QByteArray("UTF-8")
                                  << english;
        QTest::newRow("aspell") << QByteArray("aspell -a --lang=en_US --encoding=utf-8")
                                << QByteArray("UTF-8") << english;
        QTest::newRow("ispell German UTF-8")
            << QByteArray("ispell -a -C -d ngerman -Tutf8") << QByteArray("UTF-8") << german;
        QTest::newRow("ispell German Latin-1")
            << QByteArray("ispell -a -C -d ngerman -Tlatin1") << QByteArray("iso-8859-1") << german;
        QTest::newRow("hunspell German Latin-1")
            << QByteArray("hunspell -a -d de_DE -i ISO8859-1") << QByteArray("iso-8859-1") << german;
        QTest::newRow("aspell German")
            << QByteArray("aspell -a --lang=de_DE --encoding=utf-8") << QByteArray("UTF-8") << german;
    }
    void lineFindingsMatchEachWordAskedAlone() {
        QFETCH(QByteArray, cmd);
        QFETCH(QByteArray, charset);
        QFETCH(QString, text);
        IspellSetup setup;
        setup.descriptor(QStringLiteral("lang"),
                         "[Lang]\nLangNo=1033\nCmd=" + cmd + "\nCharset=" + charset + "\n");
        auto together = setup.engine();
        auto alone = setup.engine();
        QVERIFY2(!together->isDisabled(), qPrintable(together->failure()));
        QStringList expected;
        for (const WordSplitter::Word& word : WordSplitter::words(text)) {
            const QString own = text.mid(word.start, word.length);
            if (!findings(*alone, own).isEmpty())
                expected << own + QLatin1Char('@') + QString::number(word.start);
        }
        QVERIFY(expected.size() >= 4);
        const QStringList found = findings(*together, text);
        QVERIFY2(found == expected,
                 qPrintable(found.join(u' ') + QStringLiteral(" / ") + expected.join(u' ')));
        // The suggestions are those of the word's own answer.
        for (const QString& finding : expected) {
            const QString word = finding.section(u'@', 0, 0);
            QStringList fromLine, fromAlone;
            findings(*together, word);
            together->fillSuggestions(word, fromLine);
            findings(*alone, word);
            alone->fillSuggestions(word, fromAlone);
            QCOMPARE(fromLine, fromAlone);
        }
    }

    void addedWordsAreKeptAndSkippedWordsAreNot_data() {
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<QString>("personalDictionary");
        QTest::newRow("ispell") << QByteArray("ispell -a -B -d american")
                                << QStringLiteral(".ispell_american");
        QTest::newRow("hunspell") << QByteArray("hunspell -a -d en_US -i UTF-8")
                                  << QStringLiteral(".hunspell_en_US");
        QTest::newRow("aspell") << QByteArray("aspell -a --lang=en_US --encoding=utf-8")
                                << QStringLiteral(".aspell.en.pws");
    }
    void addedWordsAreKeptAndSkippedWordsAreNot() {
        QFETCH(QByteArray, cmd);
        QFETCH(QString, personalDictionary);
        IspellSetup setup;
        setup.english(cmd);
        const QString text = QStringLiteral("Quillnotez and blorptz");
        {
            auto engine = setup.engine();
            QCOMPARE(findings(*engine, text), (QStringList{"Quillnotez@0", "blorptz@15"}));
            engine->addWord(QStringLiteral("Quillnotez"));
            engine->ignoreAlways(QStringLiteral("blorptz"));
            // A "word" holding a line break or a blank would be more than one command.
            engine->addWord(QStringLiteral("ab\n*cd"));
            engine->ignoreAlways(QStringLiteral("x y"));
            QCOMPARE(findings(*engine, text), QStringList());
        }
        // The personal dictionary lies in the child's HOME, the ispell folder.
        const QByteArray saved = TestFolders::readFile(setup.ispellFolder() + personalDictionary);
        QVERIFY2(saved.contains("Quillnotez"), saved.constData());
        QVERIFY(!saved.contains("blorptz"));
        QVERIFY(!saved.contains("cd"));
        auto next = setup.engine();
        QCOMPARE(findings(*next, text), QStringList{"blorptz@15"});
    }

    void dictionaryCharsetIsSpokenAtThePipe_data() {
        QTest::addColumn<QByteArray>("cmd");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("misspelled");
        QTest::addColumn<QString>("suggestion");
        QTest::newRow("hunspell UTF-8") << QByteArray("hunspell -a -d de_DE -i UTF-8") << QByteArray("UTF-8")
                                        << QStringLiteral("Grüsse") << QStringLiteral("Grüße");
        QTest::newRow("hunspell Latin-1")
            << QByteArray("hunspell -a -d de_DE -i ISO8859-1") << QByteArray("iso-8859-1")
            << QStringLiteral("Grüsse") << QStringLiteral("Grüße");
        QTest::newRow("ispell Latin-1")
            << QByteArray("ispell -a -C -d ngerman -Tlatin1") << QByteArray("iso-8859-1")
            << QStringLiteral("Strase") << QStringLiteral("Straße");
        QTest::newRow("ispell UTF-8") << QByteArray("ispell -a -C -d ngerman -Tutf8") << QByteArray("UTF-8")
                                      << QStringLiteral("Strase") << QStringLiteral("Straße");
        QTest::newRow("aspell UTF-8")
            << QByteArray("aspell -a --lang=de_DE --encoding=utf-8") << QByteArray("utf-8")
            << QStringLiteral("Strase") << QStringLiteral("Straße");
    }
    void dictionaryCharsetIsSpokenAtThePipe() {
        QFETCH(QByteArray, cmd);
        QFETCH(QByteArray, charset);
        QFETCH(QString, misspelled);
        QFETCH(QString, suggestion);
        IspellSetup setup;
        setup.descriptor(QStringLiteral("german"),
                         "[Deutsch]\nLangNo=1031\nCmd=" + cmd + "\nCharset=" + charset + "\n");
        auto engine = setup.engine(1031);
        QVERIFY2(!engine->isDisabled(), qPrintable(engine->failure()));
        const QString text = QStringLiteral("Die Straße über ") + misspelled + QStringLiteral(" und");
        const QStringList found = findings(*engine, text);
        QVERIFY2(found == QStringList{misspelled + QStringLiteral("@16")}, qPrintable(found.join(u' ')));
        // A word the dictionary's character set cannot hold is not checkable, not wrong.
        if (charset.startsWith("iso"))
            QCOMPARE(findings(*engine, QStringLiteral("Жук")), QStringList());
        QStringList suggestions;
        engine->fillSuggestions(misspelled, suggestions);
        QVERIFY2(suggestions.contains(suggestion), qPrintable(suggestions.join(u',')));
    }

    void optionsSkipCapitalsAndDigits_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none") << 0 << QStringList{"TEHX@0", "teh2@5", "tehx@10"};
        QTest::newRow("all caps") << int(spellOption(SpellOption::IgnoreAllCaps))
                                  << QStringList{"teh2@5", "tehx@10"};
        QTest::newRow("digits") << int(spellOption(SpellOption::IgnoreMixedDigits))
                                << QStringList{"TEHX@0", "tehx@10"};
        QTest::newRow("both") << int(spellOption(SpellOption::IgnoreAllCaps) |
                                     spellOption(SpellOption::IgnoreMixedDigits))
                              << QStringList{"tehx@10"};
    }
    void optionsSkipCapitalsAndDigits() {
        QFETCH(int, options);
        QFETCH(QStringList, expected);
        IspellSetup setup;
        setup.english("hunspell -a -d en_US -i UTF-8");
        auto engine = setup.engine(1033, SpellOptionFlags(options));
        QCOMPARE(findings(*engine, QStringLiteral("TEHX teh2 tehx")), expected);
    }

    void sectionIsChosenByNumberThenByName_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("pickerText");
        QTest::addColumn<QString>("cmdEnd");   // of the chosen section; empty: none chosen
        QTest::addColumn<QString>("langName"); // empty: the locale's name
        QTest::newRow("first of two numbers") << 1033 << QString() << QStringLiteral("b1") << QString();
        QTest::newRow("other number") << 1031 << QString() << QStringLiteral("a1") << QString();
        QTest::newRow("name for no number")
            << 0 << QStringLiteral("Klingon") << QStringLiteral("c") << QStringLiteral("Klingon");
        QTest::newRow("unnamed section")
            << 0 << QStringLiteral("d") << QStringLiteral("d") << QStringLiteral("d");
        QTest::newRow("number unknown") << 1049 << QString() << QString() << QString();
        QTest::newRow("name unknown") << 0 << QStringLiteral("Elvish") << QString() << QString();
    }
    void sectionIsChosenByNumberThenByName() {
        QFETCH(int, language);
        QFETCH(QString, pickerText);
        QFETCH(QString, cmdEnd);
        QFETCH(QString, langName);
        IspellSetup setup;
        setup.script(QStringLiteral("fake.sh"), AcceptingProgram);
        setup.descriptor(QStringLiteral("a"), "[German]\nLangNo=1031\nCmd=%AppDir%ispell/fake.sh a1\n");
        setup.descriptor(QStringLiteral("b"), "[English]\nLangNo=1033\nCmd=%APPDIR%Ispell/fake.sh b1\n"
                                              "Charset=koi8-r\n[English2]\nLangNo=1033\n"
                                              "Cmd=%appdir%ispell/fake.sh b2\n");
        setup.descriptor(QStringLiteral("c"), "[Klingon]\nCmd=%AppDir%ispell/fake.sh c\nFlag=kl\n");
        setup.descriptor(QStringLiteral("d"), "[]\nCmd=%AppDir%ispell/fake.sh d\n");
        setup.checker.setLanguageText(pickerText);
        auto engine = setup.engine(LanguageId(language));
        if (cmdEnd.isEmpty()) {
            QVERIFY(engine->isDisabled());
            QCOMPARE(engine->processId(), 0);
            return;
        }
        QVERIFY2(!engine->isDisabled(), qPrintable(engine->failure()));
        QCOMPARE(engine->command(), setup.ispellFolder() + QStringLiteral("fake.sh ") + cmdEnd);
        QCOMPARE(engine->languageText(), langName.isEmpty()
                                             ? languageName(LanguageId(language), LanguageNameForm::Localized)
                                             : langName);
        QCOMPARE(engine->language(), LanguageId(language));
        QCOMPARE(engine->flag(), cmdEnd == u"c" ? QStringLiteral("kl") : cmdEnd.left(1));
        QCOMPARE(engine->surrogate(), QStringLiteral("-"));
        int start = 0, length = 0;
        QCOMPARE(check(*engine, QStringLiteral("anything goes"), start, length), SpellResult::NoErrors);
        const qint64 pid = engine->processId();
        QVERIFY(isAlive(pid));
        engine.reset();
        QVERIFY(!isAlive(pid));
    }

    void shippedDescriptorsCheckTheirLanguage_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("correct");
        QTest::addColumn<QString>("misspelled");
        const QString shipped = QStringLiteral(QUILL_ISPELL_SHIPPED);
        const QList<IspellSection> sections = IspellCatalog::scan(shipped);
        QVERIFY(sections.size() >= 15);
        QSet<LanguageId> numbers;
        QSet<QString> names;
        for (const IspellSection& section : sections) {
            // Two entries with one number would show one name twice, and only the first would work.
            QVERIFY2(section.language == 0 || !numbers.contains(section.language), qPrintable(section.name));
            numbers.insert(section.language);
            QVERIFY2(!names.contains(section.name), qPrintable(section.name));
            names.insert(section.name);
            const QString dir = section.directory;
            const auto row = [&](const char* correct, const char* misspelled) {
                QTest::newRow(qPrintable(dir))
                    << dir << QString::fromUtf8(correct) << QString::fromUtf8(misspelled);
            };
            if (dir.contains(QLatin1String("en_")) || dir.endsWith(QLatin1String("american")) ||
                dir.endsWith(QLatin1String("british")))
                row("the cat sat", "teh");
            else if (dir.contains(QLatin1String("de")) || dir.contains(QLatin1String("german")))
                row("Die Straße über", "Strasze");
            else if (dir.contains(QLatin1String("fr")))
                row("un été", "ete");
            else if (dir.contains(QLatin1String("es")) || dir.contains(QLatin1String("spanish")))
                row("el señor", "senor");
            else
                QFAIL(qPrintable(QStringLiteral("no words for ") + dir));
        }
    }
    void shippedDescriptorsCheckTheirLanguage() {
        QFETCH(QString, folder);
        QFETCH(QString, correct);
        QFETCH(QString, misspelled);
        IspellSetup setup;
        const QByteArray ini = TestFolders::readFile(QStringLiteral(QUILL_ISPELL_SHIPPED "/") + folder +
                                                     QStringLiteral("/ispell.ini"));
        setup.descriptor(folder, ini);
        const IspellSection section = IspellCatalog::parseIni(ini, folder).value(0);
        setup.checker.setLanguageText(section.name);
        auto engine = setup.engine(section.language);
        QVERIFY2(!engine->isDisabled(), qPrintable(engine->failure()));
        const QStringList found = findings(*engine, correct + QLatin1Char(' ') + misspelled);
        QCOMPARE(found, QStringList{misspelled + QLatin1Char('@') + QString::number(correct.size() + 1)});
    }

    // At the application's end the program is not waited for: it ends on its own, after saving the
    // word added just before; one that ignores the end of its input is killed later, off our thread.
    void applicationEndDoesNotWaitForTheProgram_data() {
        addedWordsAreKeptAndSkippedWordsAreNot_data();
        QTest::newRow("ignores end of input") << QByteArray("%AppDir%ispell/stays.sh -a") << QString();
    }
    void applicationEndDoesNotWaitForTheProgram() {
        QFETCH(QByteArray, cmd);
        QFETCH(QString, personalDictionary);
        IspellSetup setup;
        setup.script(QStringLiteral("stays.sh"), AcceptingProgram + "sleep 60\n");
        setup.english(cmd);
        auto engine = setup.engine();
        QCOMPARE(findings(*engine, QStringLiteral("Zorblatx")).size(), personalDictionary.isEmpty() ? 0 : 1);
        engine->addWord(QStringLiteral("Zorblatx"));
        const qint64 pid = engine->processId();
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec(); // emits aboutToQuit on its return, as the program's main loop does
        engine.reset();
        QVERIFY2(clock.elapsed() < IspellPipe::ExitTimeoutMs / 2,
                 qPrintable(QString::number(clock.elapsed())));
        if (!personalDictionary.isEmpty()) {
            const QString saved = setup.ispellFolder() + personalDictionary;
            QTRY_VERIFY_WITH_TIMEOUT(TestFolders::readFile(saved).contains("Zorblatx"), 20000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid), 20000);
    }

    void hostileProgramsDisableTheEngine_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<bool>("stopped"); // rather than missing: a program that is there but failed
        const QByteArray greet = "echo '@(#) International Ispell Version 3.1.20 (fake)'\n";
        // A child of the program that would outlive it unless its whole group is ended.
        const QByteArray hang = "sleep 60 & echo $! > child.pid\nwait\n";
        QTest::newRow("never greets") << hang << IspellPipe::GreetingTimeoutMs << true;
        QTest::newRow("greets garbage") << "echo hello\n" + hang << 0 << false;
        QTest::newRow("not found") << QByteArray("exit 1\n") << 0 << false;
        QTest::newRow("cannot start") << QByteArray() << 0 << false;
        QTest::newRow("falls silent") << greet + "read terse\n" + hang << IspellPipe::AnswerTimeoutMs << true;
        QTest::newRow("answers garbage") << greet + "while read line; do echo 'ok fine'; echo; done\n"
                                         << 0 << true;
        QTest::newRow("endless lines") << greet + "read terse\nread word\nwhile :; do echo '*'; done\n"
                                       << 0 << true;
        QTest::newRow("endless line") << greet + "read terse\nread word\nexec cat /dev/zero\n" << 0 << true;
        QTest::newRow("dies mid-check") << greet + "read terse\nread word\necho\nexit 3\n" << 0 << true;
    }
    void hostileProgramsDisableTheEngine() {
        QFETCH(QByteArray, body);
        QFETCH(int, timeoutMs);
        QFETCH(bool, stopped);
        IspellSetup setup;
        const QString script = setup.script(QStringLiteral("hostile.sh"), body);
        if (body.isEmpty())
            QFile::setPermissions(script, QFile::ReadOwner);
        setup.english("%AppDir%ispell/hostile.sh -a");
        QElapsedTimer clock;
        clock.start();
        auto engine = setup.engine();
        QStringList found;
        // Two lines, so that a program that answers the first and then dies is asked again.
        if (!engine->isDisabled())
            found = findings(*engine, QStringLiteral("one two\nthree four"));
        // Bounded by the time-out, not by the program (which would hang for a minute).
        QVERIFY2(clock.elapsed() < timeoutMs + 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(engine->isDisabled());
        QVERIFY(found.isEmpty());
        QVERIFY(!engine->failure().isEmpty());
        QCOMPARE(engine->stoppedAnswering(), stopped);
        // Nothing is sent any more, nothing is left behind.
        QStringList suggestions{QStringLiteral("x")};
        engine->fillSuggestions(QStringLiteral("one"), suggestions);
        QVERIFY(suggestions.isEmpty());
        QVERIFY(!isAlive(engine->processId()));
        const QByteArray child =
            TestFolders::readFile(setup.ispellFolder() + QStringLiteral("child.pid")).trimmed();
        if (!child.isEmpty())
            QTRY_VERIFY(!isAlive(child.toLongLong()));
    }

    void tooLongWordsAreNotSent() {
        IspellSetup setup;
        setup.english("hunspell -a -d en_US -i UTF-8");
        auto engine = setup.engine();
        // "^", 511 bytes and the line end fill the exchange buffer; one byte more is not sent.
        const QString longest = QString(511, QLatin1Char('q'));
        QCOMPARE(findings(*engine, longest + QLatin1Char(' ') + longest + QStringLiteral("q teh")),
                 (QStringList{longest + QStringLiteral("@0"), QStringLiteral("teh@1025")}));
        QVERIFY(!engine->isDisabled());
    }

    // Answers as the programs give them for one line (offsets count the "^"): characters (hunspell,
    // aspell), bytes, or ispell's mix of both (a letter its dictionary knows counts one).
    void findingsArePlacedOnTheirWords_data() {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("answer");
        QTest::addColumn<QString>("placed"); // the misspelled words; "?" when not placeable
        const QStringList english{"naïve", "café", "tehh", "Ωmega", "wrld"};
        QTest::newRow("characters") << english
                                    << QStringList{"& café 2 7: cafe", "& tehh 4 12: tech",
                                                   "& Ωmega 2 17: Omega", "& wrld 4 23: world"}
                                    << QStringLiteral("café tehh Ωmega wrld");
        QTest::newRow("ispell's count")
            << english << QStringList{"& tehh 1 12: tech", "& mega 16 19: omega", "# wrld 24"}
            << QStringLiteral("tehh Ωmega wrld");
        QTest::newRow("bytes, pieces")
            << QStringList{"Grüße", "über", "Strase", "naïve", "Strasze"}
            << QStringList{"& Strase 2 15: Straße", "& na 17 22: nah", "& ve 9 26: de", "# Strasze 29"}
            << QStringLiteral("Strase naïve Strasze");
        QTest::newRow("correct pieces are no findings")
            << QStringList{"doesn’t", "zzqx1zzqy", "teh’s"}
            << QStringList{"*", "& doesn 5 1: does", "+ ZZ", "# zzqy 15", "& teh 15 21: the"}
            << QStringLiteral("doesn’t zzqx1zzqy teh’s");
        // The offset tells which of two places holding the piece is meant.
        QTest::newRow("piece in an earlier word")
            << QStringList{"ab1teh", "teh"} << QStringList{"& teh 1 8: the"} << QStringLiteral("teh");
        QTest::newRow("unknown piece")
            << QStringList{"tehh", "wrld"} << QStringList{"& xyz 1 1: x"} << QStringLiteral("?");
        QTest::newRow("offset beyond its piece")
            << QStringList{"tehh", "wrld"} << QStringList{"& tehh 1 6: tech"} << QStringLiteral("?");
        QTest::newRow("out of order")
            << QStringList{"tehh", "wrld"} << QStringList{"& wrld 1 6: world", "& tehh 1 1: tech"}
            << QStringLiteral("?");
        // One word alone needs no offsets: any finding is its own.
        QTest::newRow("one word") << QStringList{"Ωmega"} << QStringList{"& mega 1 99: omega"}
                                  << QStringLiteral("Ωmega");
    }
    void findingsArePlacedOnTheirWords() {
        QFETCH(QStringList, words);
        QFETCH(QStringList, answer);
        QFETCH(QString, placed);
        const IspellEncoding utf8(QStringLiteral("UTF-8"));
        IspellLine line(utf8);
        for (const QString& word : words)
            QVERIFY(line.append(word, word.toUtf8()));
        QCOMPARE(line.bytes(), "^" + words.join(u' ').toUtf8());
        const std::optional<IspellLine::Placed> result = line.place(answer);
        QVERIFY(result);
        if (placed == u"?") {
            QVERIFY(!result->complete);
            return;
        }
        QVERIFY(result->complete);
        QStringList misspelled;
        for (qsizetype i = 0; i < words.size(); ++i)
            if (result->answers.at(i).misspelled)
                misspelled << words.at(i);
        QCOMPARE(misspelled.join(u' '), placed);
        // A word's reply is its first near miss.
        if (placed.startsWith(QLatin1String("Strase")))
            QCOMPARE(result->answers.at(3).reply, QStringLiteral("& na 17 22: nah"));
        QVERIFY(!line.place({QStringLiteral("ok fine")}));
    }

    void answersAndEncodings() {
        // Guesses count as misspellings and give suggestions when no near miss came first.
        const auto answer =
            IspellAnswer::parse({QStringLiteral("*"), QStringLiteral("? abc 0 4: ab+c, a,  b")});
        QVERIFY(answer && answer->misspelled);
        QCOMPARE(IspellAnswer::suggestionsOf(answer->reply), (QStringList{"ab+c", "a", "b"}));
        QCOMPARE(IspellAnswer::suggestionsOf(QStringLiteral("# abc 3")), QStringList());
        QVERIFY(!IspellAnswer::parse({QStringLiteral("+ ROOT"), QStringLiteral("-")})->misspelled);
        QVERIFY(!IspellAnswer::parse({QStringLiteral("Error: no dictionary")}));
        // KOI8-R through iconv; a character outside it is refused rather than replaced.
        const IspellEncoding koi8(QStringLiteral("KOI8-R"));
        QCOMPARE(koi8.encode(QStringLiteral("Жук")), std::optional<QByteArray>("\xF6\xD5\xCB"));
        QCOMPARE(koi8.decode("\xF6\xD5\xCB"), QStringLiteral("Жук"));
        QVERIFY(!koi8.encode(QStringLiteral("é")));
        QVERIFY(!IspellEncoding(QStringLiteral("no-such-charset")).isValid());
        QCOMPARE(IspellEncoding(QString()).decode("caf\xC3\xA9"), QStringLiteral("café"));
        QVERIFY(!IspellEncoding(QStringLiteral("iso-8859-1")).encode(QStringLiteral("€")));
    }

    void unwritableIspellFolderKeepsThePersonalDictionaryWithTheUser() {
        const QString home = IspellEngine::homeFolder(QStringLiteral("/nonexistent/ispell/"));
        QVERIFY(home.endsWith(QStringLiteral("/Tarrowin/Quillnote/ispell/")));
        QVERIFY(QFileInfo(home).isDir());
    }
};

QTEST_GUILESS_MAIN(TestIspellSpeller)
#include "tst_ispellSpeller.moc"
