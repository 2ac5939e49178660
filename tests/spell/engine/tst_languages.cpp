#include "spell/engine/Languages.h"

#include <QLocale>
#include <QTest>

// Locale names, code pages and conversions, under the en_US locale the test runs in.
class TestLanguages : public QObject {
    Q_OBJECT

private slots:
    // Run under en_US and de_DE: the localized form follows the system's language.
    void names_data() {
        const bool german = QLocale::system().language() == QLocale::German;
        auto localized = [german](const char* english, const char* inGerman) {
            return QString::fromUtf8(german ? inGerman : english);
        };
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("localized");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("abbrev");
        QTest::newRow("US English") << 1033
                                    << localized("English (United States)", "Englisch (Vereinigte Staaten)")
                                    << "English"
                                    << "English"
                                    << "ENU";
        QTest::newRow("British English")
            << 2057 << localized("English (United Kingdom)", "Englisch (Vereinigtes Königreich)") << "English"
            << "English"
            << "ENG";
        QTest::newRow("German") << 1031 << localized("German (Germany)", "Deutsch (Deutschland)") << "German"
                                << "Deutsch"
                                << "DEU";
        QTest::newRow("Russian") << 1049 << localized("Russian (Russia)", "Russisch (Russland)") << "Russian"
                                 << QString::fromUtf8("русский") << "RUS";
    }
    void names() {
        QFETCH(int, language);
        const auto id = LanguageId(language);
        QTEST(languageName(id, LanguageNameForm::Localized), "localized");
        QTEST(languageName(id, LanguageNameForm::English), "english");
        QTEST(languageName(id, LanguageNameForm::Native), "native");
        QTEST(languageName(id, LanguageNameForm::Abbreviation), "abbrev");
    }

    void namesOfUnknownIdentifiers() {
        for (const auto option : {LanguageNameForm::Localized, LanguageNameForm::English,
                                  LanguageNameForm::Native, LanguageNameForm::Abbreviation}) {
            QVERIFY(languageName(0, option).isEmpty());
            QVERIFY(languageName(0xFFFF, option).isEmpty());
        }
        // A known locale outside our abbreviation table: ICU's three-letter code.
        QCOMPARE(languageName(1074, LanguageNameForm::Abbreviation), QStringLiteral("TSN")); // Tswana
    }

    void codePagesAndCharsets_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("charset");
        QTest::newRow("US English") << 1033 << 1252 << 0;
        QTest::newRow("German") << 1031 << 1252 << 0;
        QTest::newRow("Polish") << 1045 << 1250 << 238;
        QTest::newRow("Russian") << 1049 << 1251 << 204;
        QTest::newRow("Greek") << 1032 << 1253 << 161;
        QTest::newRow("Turkish") << 1055 << 1254 << 162;
        QTest::newRow("Hebrew") << 1037 << 1255 << 177;
        QTest::newRow("Arabic") << 1025 << 1256 << 178;
        QTest::newRow("Lithuanian") << 1063 << 1257 << 186;
        QTest::newRow("Vietnamese") << 1066 << 1258 << 163;
        QTest::newRow("Thai") << 1054 << 874 << 222;
        QTest::newRow("Japanese") << 1041 << 932 << 128;
        QTest::newRow("Chinese PRC") << 2052 << 936 << 134;
        QTest::newRow("Chinese Taiwan") << 1028 << 950 << 136;
        QTest::newRow("Korean") << 1042 << 949 << 129;
        QTest::newRow("Serbian Latin") << 2074 << 1250 << 238;
        QTest::newRow("Serbian Cyrillic") << 3098 << 1251 << 204;
        QTest::newRow("Uzbek Cyrillic") << 2115 << 1251 << 204;
        QTest::newRow("Hindi: Unicode only") << 1081 << 0 << 1;
        QTest::newRow("none: the system's") << 0 << SystemAnsiCodePage << 0;
        QTest::newRow("Chinese Hong Kong") << 3076 << 950 << 136;
        QTest::newRow("Chinese Singapore") << 4100 << 936 << 134;
        QTest::newRow("Chinese traditional") << 0x7C04 << 950 << 136;
    }
    void codePagesAndCharsets() {
        QFETCH(int, language);
        QTEST(languageCodePage(LanguageId(language)), "codePage");
        QTEST(languageCharset(LanguageId(language)), "charset");
    }

    void conversions_data() {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("e acute") << 1252 << QByteArray("caf\xE9") << QString::fromUtf8("café");
        QTest::newRow("euro") << 1252 << QByteArray("\x80") << QString::fromUtf8("€");
        QTest::newRow("system code page") << 0 << QByteArray("\xE9t\xE9") << QString::fromUtf8("été");
        QTest::newRow("KOI8-R") << 20866 << QByteArray("\xF0\xD2\xC9\xD7\xC5\xD4")
                                << QString::fromUtf8("Привет");
        QTest::newRow("windows-1251") << 1251 << QByteArray("\xEC\xE8\xF0") << QString::fromUtf8("мир");
        QTest::newRow("Macintosh") << 2 << QByteArray("\x8A") << QString::fromUtf8("ä");
        // Vietnamese is stateful in glibc: the last character only comes out with the flush.
        QTest::newRow("CP1258 last character")
            << 1258 << QByteArray("Vi\xEA\xF2t") << QString::fromUtf8("Việt");
        QTest::newRow("CP1258 ends in a letter") << 1258 << QByteArray("Vi\xEA") << QString::fromUtf8("Viê");
        QTest::newRow("Hebrew") << 1255 << QByteArray("\xF9\xEC\xE5\xED") << QString::fromUtf8("שלום");
        QTest::newRow("Shift-JIS") << 932 << QByteArray("\x93\xFA\x96\x7B") << QString::fromUtf8("日本");
        QTest::newRow("Korean") << 949 << QByteArray("\xC7\xD1") << QString::fromUtf8("한");
        QTest::newRow("Thai") << 874 << QByteArray("\xA1") << QString::fromUtf8("ก");
        QTest::newRow("ISO-8859-5") << 28595 << QByteArray("\xBF\xE0") << QString::fromUtf8("Пр");
        QTest::newRow("UTF-8 dictionaries") << 1200 << QByteArray("\xC3\xA9") << QString::fromUtf8("é");
    }
    void conversions() {
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(ansiToWide(bytes, codePage), text);
        QCOMPARE(wideToAnsi(text, codePage), bytes);
    }

    void emptyAndFaultyInput() {
        QVERIFY(ansiToWide(QByteArray(), 1252).isEmpty());
        QVERIFY(wideToAnsi(QString(), 1251).isEmpty());
        // A byte the code page does not define is marked, the rest is kept.
        QCOMPARE(ansiToWide(QByteArray("a\x81z"), 1252), QString::fromUtf8("a\uFFFDz"));
        // A cut-off double-byte character at the end.
        QCOMPARE(ansiToWide(QByteArray("a\x93"), 932), QString::fromUtf8("a\uFFFD"));
        // A character the code page lacks.
        QCOMPARE(wideToAnsi(QString::fromUtf8("a€я"), 1250), QByteArray("a\x80?"));
        // A code page nobody knows keeps every byte.
        QCOMPARE(ansiToWide(QByteArray("x\xE9"), 4711), QString::fromUtf8("xé"));
        QCOMPARE(wideToAnsi(QString::fromUtf8("xé€"), 4711), QByteArray("x\xE9?"));
        // Long text makes the output grow more than once.
        const QString longText = QString::fromUtf8("Жж").repeated(5000);
        QCOMPARE(ansiToWide(wideToAnsi(longText, 1200), 1200), longText);
    }
};

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_languages.moc"
