#include "spell/engine/CodePages.h"
#include "spell/engine/Languages.h"

#include <QTest>

namespace {

ConversionList listOf(std::initializer_list<const char*> froms, DuplicatePolicy duplicates, bool sorted) {
    ConversionList list;
    list.Duplicates = duplicates;
    for (const char* from : froms) {
        list.add(QString::fromUtf8(from), QString());
    }
    list.setSorted(sorted);
    return list;
}

QStringList fromsOf(const ConversionList& list) {
    QStringList froms;
    for (int i = 0; i < list.count(); ++i) {
        froms << list.from(i);
    }
    return froms;
}

} // namespace

class TestCodePages : public QObject {
    Q_OBJECT

private slots:
    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("codePage");
        QTest::newRow("koi8-r") << "koi8-r" << 204 << 1251;
        QTest::newRow("upper case") << "KOI8-R" << 204 << 1251;
        QTest::newRow("iso-ir-111") << "ISO-IR-111" << 204 << 1251;
        QTest::newRow("macroman") << "MacRoman" << 77 << SystemMacCodePage;
        QTest::newRow("UTF-8: UTF-16, not 65001") << "utf-8" << 1 << 1200;
        QTest::newRow("Latin-1") << "iso-8859-1" << 0 << 1252;
        QTest::newRow("Central European") << "iso-8859-2" << 238 << 1250;
        QTest::newRow("Latin-3 is Turkish") << "iso-8859-3" << 162 << 1254;
        QTest::newRow("Greek") << "iso-8859-7" << 161 << 1253;
        QTest::newRow("Hebrew") << "iso-8859-8" << 177 << 1255;
        QTest::newRow("Baltic") << "iso-8859-13" << 186 << 1257;
        QTest::newRow("not a prefix match") << "iso-8859-1x" << 1 << SystemAnsiCodePage;
        QTest::newRow("unknown") << "ebcdic" << 1 << SystemAnsiCodePage;
        QTest::newRow("empty") << "" << 1 << SystemAnsiCodePage;
    }
    void names() {
        QFETCH(QString, name);
        QTEST(charsetOfName(name), "charset");
        QTEST(codePageOfName(name), "codePage");
    }

    void utf8Encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII") << "abc" << QByteArray("abc");
        QTest::newRow("e acute") << QString::fromUtf8("é") << QByteArray("\xC3\xA9");
        QTest::newRow("euro") << QString::fromUtf8("€") << QByteArray("\xE2\x82\xAC");
        QTest::newRow("last of two bytes") << QString(QChar(0x7FF)) << QByteArray("\xDF\xBF");
        QTest::newRow("surrogates one by one")
            << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("\xED\xA0\xBD\xED\xB8\x80");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void utf8Encode() {
        QFETCH(QString, text);
        QTEST(::utf8Encode(text), "bytes");
    }

    void findAndSort_data() {
        QTest::addColumn<bool>("acceptDuplicates");
        QTest::addColumn<QString>("sought");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("index");
        // Items, sorted: a b b b d
        QTest::newRow("first") << false << "a" << true << 0;
        QTest::newRow("before all") << false << "0" << false << 0;
        QTest::newRow("between") << false << "c" << false << 4;
        QTest::newRow("after all") << false << "e" << false << 5;
        QTest::newRow("prefix sorts first") << false << "" << false << 0;
        QTest::newRow("duplicate, ignoring: where the search met it") << false << "b" << true << 2;
        QTest::newRow("duplicate, accepting: the first of them") << true << "b" << true << 1;
    }
    void findAndSort() {
        QFETCH(bool, acceptDuplicates);
        QFETCH(QString, sought);
        const ConversionList list = listOf({"d", "b", "a", "b", "b"}, DuplicatePolicy::Accept, true);
        QCOMPARE(fromsOf(list), QStringList({"a", "b", "b", "b", "d"}));
        ConversionList searched = list;
        searched.Duplicates = acceptDuplicates ? DuplicatePolicy::Accept : DuplicatePolicy::Ignore;
        int index = -1;
        QTEST(searched.find(sought, index), "found");
        QTEST(index, "index");
    }

    void sortingComparesCodeUnits() {
        // By code unit: digits as text, upper case before lower case, a high surrogate (D83D)
        // before U+FFFD.
        const ConversionList list =
            listOf({"b", "B", "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "ab", "a", "10", "9"},
                   DuplicatePolicy::Accept, true);
        QCOMPARE(fromsOf(list),
                 QStringList({"10", "9", "B", "a", "ab", "b", QString::fromUtf8("\xF0\x9F\x98\x80"),
                              QString::fromUtf8("\xEF\xBF\xBD")}));
        // Larger than the partition steps, with many equal items.
        ConversionList many;
        many.Duplicates = DuplicatePolicy::Accept;
        QStringList expected;
        for (int i = 0; i < 300; ++i) {
            const QString s = QString::number((i * 7919) % 101);
            many.add(s, QString());
            expected << s;
        }
        many.setSorted(true);
        std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return a < b; });
        QCOMPARE(fromsOf(many), expected);
    }

    void addingToASortedList() {
        ConversionList ignoring;
        ignoring.setSorted(true);
        for (const char* from : {"m", "c", "x", "c"}) {
            ignoring.add(QString::fromLatin1(from), QString());
        }
        QCOMPARE(fromsOf(ignoring), QStringList({"c", "m", "x"}));
        ConversionList refusing = listOf({"m"}, DuplicatePolicy::Error, true);
        QVERIFY_THROWS_EXCEPTION(StringListError, refusing.add(QStringLiteral("m"), QString()));
        QCOMPARE(refusing.count(), 1);
        // Switching sorting off keeps the order; later items are appended.
        ignoring.setSorted(false);
        ignoring.add(QStringLiteral("a"), QString());
        QCOMPARE(fromsOf(ignoring), QStringList({"c", "m", "x", "a"}));
    }

    void indexErrors() {
        ConversionList list = listOf({"a", "b"}, DuplicatePolicy::Ignore, true);
        QCOMPARE(list.to(1), QString());
        for (const int index : {-1, 2, 100}) {
            try {
                (void)list.from(index);
                QFAIL("no error for an index outside the list");
            } catch (const StringListError& e) {
                QCOMPARE(e.message(), QStringLiteral("List index out of bounds (%1)").arg(index));
            }
        }
        QVERIFY_THROWS_EXCEPTION(StringListError, list.setCapacity(1));
        list.setCapacity(50);
        QCOMPARE(list.capacity(), 50);
        QCOMPARE(list.count(), 2);
        QVERIFY_THROWS_EXCEPTION(StringListError, ConversionList().item(0));
    }

    void convert_data() {
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("converted");
        QTest::newRow("longer match wins") << ""
                                           << "abc"
                                           << "yc";
        QTest::newRow("one after the other") << ""
                                             << "aac"
                                             << "xxc";
        QTest::newRow("replaced text is not searched again") << ""
                                                             << "ba"
                                                             << "abx";
        QTest::newRow("a duplicate pair is ignored") << ""
                                                     << "qq"
                                                     << "1";
        QTest::newRow("nothing to replace") << ""
                                            << "zzz"
                                            << "zzz";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("then UTF-8, a byte a character")
            << "utf-8" << QString::fromUtf8("abé") << "y\u00C3\u00A9";
    }
    void convert() {
        QFETCH(QString, charset);
        QFETCH(QString, text);
        ConversionTable table;
        table.charset = charset;
        table.pairs().add(QStringLiteral("ab"), QStringLiteral("y"));
        table.pairs().add(QStringLiteral("a"), QStringLiteral("x"));
        table.pairs().add(QStringLiteral("b"), QStringLiteral("ab"));
        table.pairs().add(QStringLiteral("qq"), QStringLiteral("1"));
        table.pairs().add(QStringLiteral("qq"), QStringLiteral("2")); // ignored duplicate
        QTEST(table.convert(text), "converted");
    }

    void emptyTableChangesNothing() {
        ConversionTable table;
        QCOMPARE(table.pairs().count(), 0);
        QVERIFY(table.pairs().isSorted());
        const QString text = QString::fromUtf8("Grüße €");
        QCOMPARE(table.convert(text), text);
    }
};

QTEST_GUILESS_MAIN(TestCodePages)
#include "tst_codePages.moc"
