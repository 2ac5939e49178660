#include "store/StrictXml.h"

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
};

QTEST_GUILESS_MAIN(TestStrictXml)
#include "tst_strictXml.moc"
