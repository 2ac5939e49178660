#include "platform/Registry.h"
#include "spell/engine/IspellCatalog.h"
#include "spell/engine/SpellConfiguration.h"

#include "TestFolders.h"

#include <QDir>
#include <QtTest>

namespace {

const QString AppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");
const QString SpellingKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools\\Spelling");

void writeProofingKey(const RegistryHive& hive, const QString& name, const QString& engine,
                      const QString& dictionary) {
    auto key = hive.openKeyForWriting(SpellingKey + QLatin1Char('\\') + name + QStringLiteral("\\Normal"));
    key->writeString(QStringLiteral("Engine"), engine);
    key->writeString(QStringLiteral("Dictionary"), dictionary);
    key->close();
}

void writeWithFolders(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    TestFolders::writeFile(path, bytes);
}

// A folder of fake hunspell dictionaries: only the names matter here.
QString dictionaryFolder(const TestFolders& folders, const QStringList& names) {
    const QString folder = folders.root() + QStringLiteral("dicts/");
    QDir().mkpath(folder);
    for (const QString& name : names) {
        TestFolders::writeFile(folder + name + QStringLiteral(".dic"), "1\nword\n");
        TestFolders::writeFile(folder + name + QStringLiteral(".aff"), "SET UTF-8\n");
    }
    return folder;
}

} // namespace

class TestSpellConfiguration : public QObject {
    Q_OBJECT

private slots:
    void iniSectionsInFileOrderWithTheirDefaults() {
        const QByteArray ini = "\xEF\xBB\xBF; comment\r\n"
                               "[English]\r\nLangNo=1033\r\nCmd=hunspell -a -d en_US,en_GB -i UTF-8; -p x\r\n"
                               "Charset=UTF-8\r\n"
                               "[Klingon]\nCmd = ispell -a\nSurrogate=\nFlag=\n"
                               "[]\nLangNo=abc\n"
                               "[english]\nLangNo=2057\nCharset=ignored\n";
        const QList<IspellSection> sections = IspellCatalog::parseIni(ini, QStringLiteral("dir1"));
        QCOMPARE(sections.size(), 3);
        // Commas and semicolons stay in values; a repeated section adds nothing new.
        QCOMPARE(sections[0].name, QStringLiteral("English"));
        QCOMPARE(sections[0].language, LanguageId(1033));
        QCOMPARE(sections[0].cmd, QStringLiteral("hunspell -a -d en_US,en_GB -i UTF-8; -p x"));
        QCOMPARE(sections[0].charset, QStringLiteral("UTF-8"));
        QCOMPARE(sections[0].surrogate, QStringLiteral("-"));
        QCOMPARE(sections[0].flag, QStringLiteral("dir1"));
        // Present but empty "Flag" stays empty; the empty section is named after the folder.
        QCOMPARE(sections[1].cmd, QStringLiteral("ispell -a"));
        QCOMPARE(sections[1].flag, QString());
        QCOMPARE(sections[2].name, QStringLiteral("dir1"));
        QCOMPARE(sections[2].language, LanguageId(0));
    }

    void scanReadsSubfoldersInNameOrder() {
        TestFolders folders;
        const QString ispell = folders.root() + QStringLiteral("ispell/");
        writeWithFolders(ispell + QStringLiteral("b/ispell.ini"), "[Second]\nLangNo=1031\n");
        writeWithFolders(ispell + QStringLiteral("a/ispell.ini"), "[First]\nLangNo=1033\n[Third]\n");
        writeWithFolders(ispell + QStringLiteral("c/readme.txt"), "not a descriptor");
        writeWithFolders(ispell + QStringLiteral("ispell.ini"), "[TopLevelIgnored]\n");
        const QList<IspellSection> sections = IspellCatalog::scan(ispell);
        QStringList names;
        for (const IspellSection& s : sections)
            names << s.directory + QLatin1Char('/') + s.name;
        QCOMPARE(names, (QStringList{"a/First", "a/Third", "b/Second"}));
    }

    void appDirPlaceholderIsExpandedInAnyCase() {
        QCOMPARE(
            IspellCatalog::expandCommand(QStringLiteral("ispell -p %APPDIR%Ispell/x -d %appdir%ispell/d"),
                                         QStringLiteral("/opt/q/ispell/")),
            QStringLiteral("ispell -p /opt/q/ispell/x -d /opt/q/ispell/d"));
    }

    void ispellFolderFromTheHiveOrBesideTheProgram() {
        TestFolders folders;
        const RegistryHive hive(folders.configFolder() + QStringLiteral("registry.ini"));
        const SpellConfiguration configuration(&hive, folders.exeFolder());
        QCOMPARE(configuration.ispellDirectory(), folders.exeFolder() + QStringLiteral("ispell/"));
        auto key = hive.openKeyForWriting(AppPathsKey);
        key->writeString(QStringLiteral("Path"), QStringLiteral("/srv/dicts"));
        key->close();
        QCOMPARE(configuration.ispellDirectory(), QStringLiteral("/srv/dicts/"));
    }

    void hiveProofingKeysWinOverDiscoveredDictionaries() {
        TestFolders folders;
        const RegistryHive hive(folders.configFolder() + QStringLiteral("registry.ini"));
        const QString dicts = dictionaryFolder(folders, {"en_US", "de_DE"});
        const SpellConfiguration configuration(&hive, folders.exeFolder(), {dicts});
        QCOMPARE(configuration.proofingEntry(1031)->engine, configuration.spellerLibraryPath());

        writeProofingKey(hive, QStringLiteral("1033"), QStringLiteral("/lib/x.so"),
                         QStringLiteral("/d/en.dic"));
        writeProofingKey(hive, QStringLiteral("Text"), QStringLiteral("/lib/x.so"),
                         QStringLiteral("/d/t.dic"));
        QCOMPARE(configuration.proofingLanguageKeys(), (QStringList{"1033", "Text"}));
        QCOMPARE(configuration.proofingEntry(1033)->dictionary, QStringLiteral("/d/en.dic"));
        QVERIFY(!configuration.proofingEntry(1031)); // the hive's list is the whole list
    }

    void discoveredDictionariesPutTheUsersLocaleAtPickerIndexOne() {
        // The picker lists the keys from the last to the first; this test runs under en_US.
        TestFolders folders;
        const QString dicts =
            dictionaryFolder(folders, {"de_DE", "en_GB", "en_US", "fr_FR", "hyph_xx", "th"});
        TestFolders::writeFile(dicts + QStringLiteral("es_ES.dic"), "no affix file beside it");
        const SpellConfiguration configuration(nullptr, folders.exeFolder(), {dicts});
        QStringList keys = configuration.proofingLanguageKeys();
        std::reverse(keys.begin(), keys.end());
        QCOMPARE(keys, (QStringList{"1031", "1033", "2057", "1036"}));
        QCOMPARE(configuration.proofingEntry(2057)->dictionary, dicts + QStringLiteral("en_GB.dic"));
        QVERIFY(!configuration.proofingEntry(3082));
    }

    void aLocaleWithoutADictionaryGetsEnglish() {
        const QLocale before;
        QLocale::setDefault(QLocale(QStringLiteral("pt_BR")));
        TestFolders folders;
        const QString dicts = dictionaryFolder(folders, {"de_DE", "en_US", "fr_FR", "en_GB"});
        QStringList keys = SpellConfiguration(nullptr, folders.exeFolder(), {dicts}).proofingLanguageKeys();
        QLocale::setDefault(before);
        std::reverse(keys.begin(), keys.end());
        QCOMPARE(keys.value(1), QStringLiteral("2057"));
    }

    void customDictionaryKeyIsReadAndWritten() {
        TestFolders folders;
        const RegistryHive hive(folders.configFolder() + QStringLiteral("registry.ini"));
        const SpellConfiguration configuration(&hive, folders.exeFolder());
        QVERIFY(!configuration.customDictionary());
        QVERIFY(configuration.writeCustomDictionary(QStringLiteral("/home/u/CUSTOM.DIC")));
        QCOMPARE(configuration.customDictionary(),
                 std::optional<QString>(QStringLiteral("/home/u/CUSTOM.DIC")));
        QVERIFY(!SpellConfiguration(nullptr, folders.exeFolder()).writeCustomDictionary(QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestSpellConfiguration)
#include "tst_spellConfiguration.moc"
