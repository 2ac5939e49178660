#include "store/StrictXml.h"
#include "store/WrittenCheck.h"

#include <QtTest>

class TestStrictXml : public QObject {
    Q_OBJECT
private slots:
    // What libxml2 and expat refuse in a written document, found with its offset; what they accept
    // passes.
    void characterFault_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("fault");
        const QString character = QStringLiteral("a character XML cannot carry at byte %1");
        const QString reference = QStringLiteral("a reference to a character XML cannot carry at byte %1");
        const QByteArray padding(40, 'p'); // past the first blocks that are checked together

        QTest::newRow("clean") << QByteArray("<a b=\"&#9;&#10;&#13;&#x20;&#xD7FF;&#xE000;&#xFFFD;&#x10000;"
                                             "&#x10FFFF;\">\t\r\n\xC3\x84 \xE2\x82\xAC \xF0\x9F\x98\x80 "
                                             "\xEF\xBF\xBD &amp;#1;</a>")
                               << QString();
        QTest::newRow("references in comments and CDATA are text")
            << QByteArray("<a><!-- &#1; --><![CDATA[&#x1F;]]>x</a>") << QString();
        QTest::newRow("reference after a comment holding one")
            << QByteArray("<a><!-- &#1; -->&#1;</a>") << reference.arg(16);
        QTest::newRow("reference after a CDATA section")
            << QByteArray("<a><![CDATA[]]>&#x1F;</a>") << reference.arg(15);
        for (const char* ref :
             {"&#01;", "&#08;", "&#11;", "&#31;", "&#x1;", "&#X1F;", "&#xD800;", "&#xdfff;", "&#xFFFE;",
              "&#65535;", "&#x110000;", "&#99999999999999;", "&#;", "&#x;", "&#1a;"})
            QTest::addRow("reference %s", ref)
                << QByteArray("<a>" + padding + ref + "</a>") << reference.arg(43);
        const char* raw[][2] = {{"control", "\x01"},           {"unit separator", "\x1F"},
                                {"U+FFFE", "\xEF\xBF\xBE"},    {"U+FFFF", "\xEF\xBF\xBF"},
                                {"surrogate", "\xED\xA0\x80"}, {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
                                {"overlong", "\xC0\x80"},      {"overlong three", "\xE0\x80\x80"},
                                {"continuation", "\x80"},      {"cut short", "\xE2\x82<"}};
        for (const auto& [name, bytes] : raw) {
            QTest::addRow("raw %s", name)
                << QByteArray("<a>" + padding + bytes + "</a>") << character.arg(43);
            QTest::addRow("raw %s first", name)
                << QByteArray(QByteArray("<a>") + bytes + "</a>") << character.arg(3);
        }
        QTest::newRow("raw control after a comment holding a reference")
            << QByteArray("<a><!-- &#1; -->\x01</a>") << character.arg(16);
        QTest::newRow("raw control in a comment") << QByteArray("<a><!-- \x02 --></a>") << character.arg(8);
        QTest::newRow("cut short at the end") << QByteArray(padding + "\xC3") << character.arg(40);
    }
    void characterFault() {
        QFETCH(QByteArray, document);
        QFETCH(QString, fault);
        QCOMPARE(StrictXml::characterFault(document), fault);
    }

    // The same documents looked at as a save writes them, piece by piece, cut at every byte: the
    // verdict does not depend on where the pieces end.
    void writtenCheckAgreesWhereverThePiecesEnd_data() { characterFault_data(); }
    void writtenCheckAgreesWhereverThePiecesEnd() {
        QFETCH(QByteArray, document);
        QFETCH(QString, fault);
        WrittenCheck check;
        for (qsizetype size = 1; size < document.size(); ++size)
            check.inspect(std::span<const char>(document.constData(), size_t(size)), false);
        check.inspect(std::span<const char>(document.constData(), size_t(document.size())), true);
        QCOMPARE(check.isCertainlyClean(), StrictXml::isCertainlyClean(document));
        if (!fault.isEmpty())
            QVERIFY(!check.isCertainlyClean());
        QCOMPARE(check.hash(), FileStamp::hashOf(document));
    }

    // A file of several hash pieces, in pieces of the sizes a save writes, with a character of three
    // bytes across a piece's end; a forbidden one is found wherever it is.
    void writtenCheckOfALargeFile_data() {
        QTest::addColumn<int>("forbiddenAt");
        QTest::newRow("clean") << -1;
        QTest::newRow("in the first piece") << 10;
        QTest::newRow("in the last piece") << 3 * 1024 * 1024;
    }
    void writtenCheckOfALargeFile() {
        QFETCH(int, forbiddenAt);
        QByteArray document;
        while (document.size() < 1024 * 1024 - 1)
            document += "<a>text</a>\n";
        document.truncate(1024 * 1024 - 1);
        document += "\xE2\x82\xAC";
        while (document.size() < 3 * 1024 * 1024 + 100)
            document += "<b>\xC3\x84</b>\n";
        if (forbiddenAt >= 0)
            document[forbiddenAt] = '\x01';
        WrittenCheck check;
        for (qsizetype size = 256 * 1024 + 7; size < document.size(); size += 256 * 1024 + 7)
            check.inspect(std::span<const char>(document.constData(), size_t(size)), false);
        check.inspect(std::span<const char>(document.constData(), size_t(document.size())), true);
        QCOMPARE(check.isCertainlyClean(), forbiddenAt < 0);
        QCOMPARE(check.isCertainlyClean(), StrictXml::characterFault(document).isEmpty());
        QCOMPARE(check.hash(), FileStamp::hashOf(document));
    }
};

QTEST_GUILESS_MAIN(TestStrictXml)
#include "tst_strictXml.moc"
