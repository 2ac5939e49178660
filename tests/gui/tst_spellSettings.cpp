#include "MainWindowSession.h"
#include "gui/SpellCommands.h"
#include "platform/Registry.h"
#include "spell/engine/SpellChecker.h"
#include "spell/ui/LanguagePicker.h"

#include <QDir>
#include <QToolBar>
#include <QtTest>

namespace {

const QString AppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");
const QString SpellingKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools\\Spelling");

// The program's hive with two proofing languages and an ispell folder with one German dictionary:
// the picker lists English (US) and German proofing entries, then the German ispell entry.
void installLanguages(const TestFolders& folders) {
    QDir().mkpath(QFileInfo(folders.paths().registryPath()).path());
    const RegistryHive hive(folders.paths().registryPath());
    for (const char* language : {"1031", "1033"}) {
        auto key = hive.openKeyForWriting(SpellingKey + QLatin1Char('\\') + QLatin1String(language) +
                                          QStringLiteral("\\Normal"));
        key->writeString(QStringLiteral("Engine"), QStringLiteral("/nowhere/libspeller.so"));
        key->close();
    }
    const QString ispell = folders.root() + QStringLiteral("ispell/");
    QDir().mkpath(ispell + QStringLiteral("german"));
    TestFolders::writeFile(ispell + QStringLiteral("german/ispell.ini"),
                           "[Deutsch]\nLangNo=1031\nCmd=ispell -a -d german\nCharset=iso-8859-1\n");
    auto appPaths = hive.openKeyForWriting(AppPathsKey);
    appPaths->writeString(QStringLiteral("Path"), ispell);
    appPaths->close();
}

void storeSpelling(const TestFolders& folders, int type, int language) {
    auto key = RegistryHive(folders.paths().registryPath()).openKeyForWriting(SettingsKeyPath);
    key->writeInteger(QStringLiteral("SpellCheckerType"), type);
    key->writeInteger(QStringLiteral("SpellCheckerLanguage"), language);
    key->close();
}

} // namespace

class TestSpellSettings : public QObject {
    Q_OBJECT

private slots:
    void storedChoiceConfiguresTheChecker_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("index");
        QTest::addColumn<EngineType>("engine");
        QTest::addColumn<int>("locale");
        QTest::newRow("ispell, German dictionary") << 2 << 2 << 2 << EngineType::Ispell << 1031;
        QTest::newRow("proofing, first entry") << 1 << 0 << 0 << EngineType::Library << 1033;
        QTest::newRow("no engine chosen: the index is 1") << 0 << 2 << 1 << EngineType::Library << 1031;
        // No entry selected: the engine of the type stays, with the language of the first entry.
        QTest::newRow("index outside the list") << 2 << 7 << -1 << EngineType::Ispell << 1033;
    }
    void storedChoiceConfiguresTheChecker() {
        QFETCH(int, type);
        QFETCH(int, language);
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        installLanguages(folders);
        storeSpelling(folders, type, language);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        QVERIFY2(s.log().isEmpty(), s.log().constData());

        LanguagePicker* picker = w.testAccess().languagePicker();
        QCOMPARE(picker->objectName(), QStringLiteral("cboSpellCheck"));
        QCOMPARE(picker->parentWidget(), w.findChild<QToolBar*>(QStringLiteral("toolBar")));
        QVERIFY(!picker->isVisibleTo(&w));
        QCOMPARE(picker->count(), 3);
        QCOMPARE(picker->spellChecker(), &w.testAccess().spell().checker());
        QTEST(picker->itemIndex(), "index");
        QTEST(w.testAccess().spell().checker().engineType(), "engine");
        QTEST(int(w.testAccess().spell().checker().language()), "locale");
    }

    void choiceIsWrittenAtTheEndOfTheRun() {
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        installLanguages(folders);
        storeSpelling(folders, 2, 1);
        {
            MainWindowSession s(folders);
            MainWindow& w = s.start();
            w.testAccess().settings().spellCheckerLanguage = 2; // as the options dialog's OK leaves it
            w.exitProgram();
            QVERIFY(w.testAccess().isExiting());
        }
        {
            const auto key = RegistryHive(folders.paths().registryPath()).openKey(SettingsKeyPath);
            QCOMPARE(key->readInteger(QStringLiteral("SpellCheckerType")), 2);
            QCOMPARE(key->readInteger(QStringLiteral("SpellCheckerLanguage")), 2);
        }
        MainWindowSession again(folders);
        MainWindow& w = again.start();
        QCOMPARE(w.testAccess().languagePicker()->itemIndex(), 2);
        QCOMPARE(w.testAccess().spell().checker().language(), LanguageId(1031));
        QCOMPARE(w.testAccess().spell().checker().command(), QStringLiteral("ispell -a -d german"));
    }
};

QTEST_MAIN(TestSpellSettings)
#include "tst_spellSettings.moc"
