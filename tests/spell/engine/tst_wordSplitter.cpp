#include "spell/engine/WordSplitter.h"

#include <QtTest>

namespace {

// The words of the text as "word@start".
QStringList wordsOf(const QString& text) {
    QStringList found;
    for (const WordSplitter::Word& word : WordSplitter::words(text))
        found << text.mid(word.start, word.length) + QLatin1Char('@') + QString::number(word.start);
    return found;
}

} // namespace

class TestWordSplitter : public QObject {
    Q_OBJECT

private slots:
    void cutsWhereWordsEnd_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only delimiters") << QStringLiteral(" .,-<>\t") << QStringList();
        QTest::newRow("hyphens and dashes")
            << QStringLiteral("well-known\u2013cat") << QStringList{"well@0", "known@5", "cat@11"};
        QTest::newRow("apostrophes stay inside") << QStringLiteral("doesn't rock\u2019n\u2019roll 'tis")
                                                 << QStringList{"doesn't@0", "rock’n’roll@8", "'tis@20"};
        QTest::newRow("digits stay inside")
            << QStringLiteral("abc123 1st 42") << QStringList{"abc123@0", "1st@7", "42@11"};
        QTest::newRow("markup") << QStringLiteral("<b>bold</b>") << QStringList{"b@1", "bold@3", "b@9"};
        QTest::newRow("command characters")
            << QStringLiteral("*zzqx, @teh. ^a ~b") << QStringList{"zzqx@1", "teh@8", "a@14", "b@17"};
        QTest::newRow("typographic quotes")
            << QStringLiteral("\u201cteh\u201d \u00abwrld\u00bb") << QStringList{"teh@1", "wrld@7"};
        QTest::newRow("breaks") << QStringLiteral("a\tb\nc\u2028d\re")
                                << QStringList{"a@0", "b@2", "c@4", "d@6", "e@8"};
        QTest::newRow("combining mark")
            << QStringLiteral("cafe\u0301 x") << QStringList{QStringLiteral("cafe\u0301@0"), "x@6"};
        QTest::newRow("letters outside the BMP")
            << QStringLiteral("\U0001D400\U0001D401c d") << QStringList{"\U0001D400\U0001D401c@0", "d@6"};
        QTest::newRow("symbol outside the BMP")
            << QStringLiteral("a\U0001F600b") << QStringList{"a@0", "b@3"};
        QTest::newRow("lone surrogates")
            << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00))
            << QStringList{"a@0", "b@2"};
    }
    void cutsWhereWordsEnd() {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(wordsOf(text), words);
    }

    void tellsWordsApart() {
        QVERIFY(WordSplitter::endsInWord(u"abc", 2));
        QVERIFY(WordSplitter::endsInWord(u"a\U0001D400", 3)); // the pair, not its low half
        QVERIFY(!WordSplitter::endsInWord(u"ab ", 3));
        QVERIFY(!WordSplitter::endsInWord(u"a-", 2));
        QVERIFY(!WordSplitter::endsInWord(u"abc", 0));
        QVERIFY(!WordSplitter::endsInWord(u"abc", 4));
        QVERIFY(WordSplitter::isSingleWord(u"teh"));
        QVERIFY(!WordSplitter::isSingleWord(u""));
        QVERIFY(!WordSplitter::isSingleWord(u"x y"));
        QVERIFY(!WordSplitter::isSingleWord(u"ab\n*cd"));
        QVERIFY(!WordSplitter::isSingleWord(u"teh."));
    }
};

QTEST_GUILESS_MAIN(TestWordSplitter)
#include "tst_wordSplitter.moc"
