#include "store/ParseArena.h"

#include <QTest>
#include <pugixml.hpp>
#include <sstream>

namespace {

// Many small nodes, so that a document needs far more memory than its text.
std::string manyElements(int count) {
    std::string xml = "<root>";
    for (int i = 0; i < count; ++i)
        xml += "<n a=\"" + std::to_string(i) + "\">" + std::to_string(i) + "</n>";
    return xml + "</root>";
}

std::string reparsed(std::string xml, qsizetype capacity, qsizetype& used) {
    const ParseArena arena(capacity);
    pugi::xml_document doc;
    if (!doc.load_buffer_inplace(xml.data(), xml.size()))
        return "does not parse";
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration);
    used = arena.used();
    return out.str();
}

} // namespace

class TestParseArena : public QObject {
    Q_OBJECT
private slots:
    // Past the end of its block the document goes on on the heap, and each part is freed its own way.
    void documentsReadTheSameWhereverTheirMemoryIs_data() {
        QTest::addColumn<qsizetype>("capacity");
        QTest::newRow("none") << qsizetype(0);
        QTest::newRow("runs out midway") << qsizetype(100 * 1024);
        QTest::newRow("ample") << qsizetype(64 * 1024 * 1024);
    }
    void documentsReadTheSameWhereverTheirMemoryIs() {
        QFETCH(qsizetype, capacity);
        const std::string xml = manyElements(20000);
        qsizetype unused = 0;
        const std::string expected = reparsed(xml, 0, unused);
        QCOMPARE(expected.size(), xml.size());
        qsizetype used = -1;
        QCOMPARE(reparsed(xml, capacity, used), expected);
        QVERIFY(used <= capacity);
        QCOMPARE(used > 0, capacity > 0);
    }

    // A document from before the arena, and one from an outer arena, end while an inner one is in use.
    void olderDocumentsEndInsideAnArena() {
        auto before = std::make_unique<pugi::xml_document>();
        std::string xml = manyElements(5000);
        QVERIFY(before->load_string(xml.c_str()));
        const ParseArena outer(16 * 1024 * 1024);
        auto fromOuter = std::make_unique<pugi::xml_document>();
        QVERIFY(fromOuter->load_buffer_inplace(xml.data(), xml.size()));
        const qsizetype outerUsed = outer.used();
        {
            const ParseArena inner(16 * 1024 * 1024);
            before.reset();
            fromOuter.reset();
            pugi::xml_document doc;
            QVERIFY(doc.load_string("<a><b/></a>"));
            QVERIFY(inner.used() > 0);
        }
        QCOMPARE(outer.used(), outerUsed);
    }
};

QTEST_GUILESS_MAIN(TestParseArena)
#include "tst_parseArena.moc"
