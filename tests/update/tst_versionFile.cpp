#include "TestFolders.h"
#include "platform/QuillError.h"
#include "platform/Registry.h"
#include "update/UpdateServer.h"
#include "update/VersionCompare.h"
#include "update/VersionFile.h"

#include <QtTest>

namespace {

const QByteArray GoodFile = "<?xml version=\"1.0\"?>\n<VerInfo>\n"
                            "  <Fernlog><CurrVersion>3.1.0.2</CurrVersion><Date>39000</Date>"
                            "<FileName>fernlog.exe</FileName><Size>1.2 MB</Size></Fernlog>\n"
                            "  <Quillnote><CurrVersion> 1.6.2.0 </CurrVersion><Date>39300</Date>"
                            "<FileName> quillnote162.exe </FileName><Size>2,345 KB</Size></Quillnote>\n"
                            "  <Brambler><CurrVersion>0.9.0.0</CurrVersion><Date>-5</Date></Brambler>\n"
                            "</VerInfo>\n";

} // namespace

class TestVersionFile : public QObject {
    Q_OBJECT

private slots:
    void comparesVersions_data() {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same text") << "1.6.1.71"
                                   << "1.6.1.71" << false;
        QTest::newRow("third higher") << "1.6.1.71"
                                      << "1.6.2.0" << true;
        QTest::newRow("third lower, fourth higher") << "1.6.1.71"
                                                    << "1.6.0.99" << false;
        QTest::newRow("first higher") << "1.6.1.71"
                                      << "2.0.0.0" << true;
        QTest::newRow("first lower") << "1.6.1.71"
                                     << "0.9.9.99" << false;
        QTest::newRow("second lower") << "1.6.1.71"
                                      << "1.5.9.99" << false;
        QTest::newRow("second higher, rest lower") << "1.6.1.71"
                                                   << "1.7.0.0" << true;
        QTest::newRow("fourth lower") << "1.6.1.71"
                                      << "1.6.1.70" << false;
        QTest::newRow("fourth higher") << "1.6.1.71"
                                       << "1.6.1.72" << true;
        QTest::newRow("same numbers, other text") << "1.6.1.71"
                                                  << "1.6.1.071" << true;
        QTest::newRow("numbers compare as numbers") << "1.6.1.9"
                                                    << "1.6.1.10" << true;
    }
    void comparesVersions() {
        QFETCH(QString, running);
        QFETCH(QString, offered);
        QFETCH(bool, newer);
        QCOMPARE(VersionCompare::isNewer(offered, running), newer);
    }

    void refusesMalformedVersions_data() {
        QTest::addColumn<QString>("offered");
        QTest::newRow("two fields") << "1.7";
        QTest::newRow("five fields") << "1.6.1.7.1";
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "1.6.a.7";
        QTest::newRow("empty field") << "1..1.7";
        QTest::newRow("sign") << "1.6.-1.7";
        QTest::newRow("blank inside") << "1.6. 1.7";
        QTest::newRow("too large") << "1.6.1.99999999999";
    }
    void refusesMalformedVersions() {
        QFETCH(QString, offered);
        QVERIFY_THROWS_EXCEPTION(QuillError, VersionCompare::isNewer(offered, QStringLiteral("1.0.0.1")));
    }

    void readsEveryProduct() {
        VersionInfo doc;
        QVERIFY(!doc.active());
        QVERIFY_THROWS_EXCEPTION(QuillError, doc.quillnote());
        doc.loadFromBytes(GoodFile);
        QVERIFY(doc.active());
        const QuillnoteVersion q = doc.quillnote();
        QCOMPARE(q.currentVersion(), QStringLiteral(" 1.6.2.0 ")); // trimming is the caller's business
        QCOMPARE(q.date(), 39300);
        QCOMPARE(q.fileName(), QStringLiteral(" quillnote162.exe "));
        QCOMPARE(q.size(), QStringLiteral("2,345 KB"));
        QCOMPARE(doc.fernlog().currentVersion(), QStringLiteral("3.1.0.2"));
        QCOMPARE(doc.brambler().date(), -5);
        QCOMPARE(doc.brambler().fileName(), QString()); // missing: empty text
        doc.deactivate();
        QVERIFY(!doc.active());
    }

    void readsFromDisk() {
        TestFolders folders;
        const QString path = folders.dataFolder() + QStringLiteral("verinfo.xml");
        TestFolders::writeFile(path, GoodFile);
        VersionInfo doc;
        doc.loadFromFile(path);
        QCOMPARE(doc.quillnote().date(), 39300);
        QVERIFY_THROWS_EXCEPTION(QuillError,
                                 doc.loadFromFile(folders.dataFolder() + QStringLiteral("none.xml")));
        QVERIFY(doc.active()); // a failed load keeps what was bound
    }

    void refusesBadDocuments_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not xml") << QByteArray("<html><body>Sign in to the network<br></body>");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("other root") << QByteArray("<Versions><Quillnote/></Versions>");
        QTest::newRow("truncated") << GoodFile.left(GoodFile.size() / 2);
    }
    void refusesBadDocuments() {
        QFETCH(QByteArray, bytes);
        VersionInfo doc;
        QVERIFY_THROWS_EXCEPTION(QuillError, doc.loadFromBytes(bytes));
        QVERIFY(!doc.active());
    }

    void dateMustBeWholeNumber_data() {
        QTest::addColumn<QByteArray>("date");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty") << QByteArray("<Date></Date>");
        QTest::newRow("fraction") << QByteArray("<Date>39300.5</Date>");
        QTest::newRow("text") << QByteArray("<Date>6 Aug 2007</Date>");
    }
    void dateMustBeWholeNumber() {
        QFETCH(QByteArray, date);
        VersionInfo doc;
        doc.loadFromBytes("<VerInfo><Quillnote><CurrVersion>1.0.0.2</CurrVersion>" + date +
                          "</Quillnote></VerInfo>");
        QCOMPARE(doc.quillnote().currentVersion(), QStringLiteral("1.0.0.2"));
        QVERIFY_THROWS_EXCEPTION(QuillError, doc.quillnote().date());
    }

    void serverAddressAndResources() {
        TestFolders folders;
        const RegistryHive hive(folders.configFolder() + QStringLiteral("registry.ini"));
        const QUrl standard = UpdateServer::base(hive);
        QCOMPARE(standard.scheme(), QStringLiteral("https"));
        QCOMPARE(standard, UpdateServer::defaultBase());
        QCOMPARE(UpdateServer::versionFile(standard).path(), QStringLiteral("/products/verinfo.xml"));

        hive.openKeyForWriting(SettingsKeyPath)
            ->writeString(UpdateServer::ValueName, QStringLiteral("http://127.0.0.1:8080/mirror/"));
        const QUrl mirror = UpdateServer::base(hive);
        QCOMPARE(UpdateServer::versionFile(mirror).toString(),
                 QStringLiteral("http://127.0.0.1:8080/mirror/products/verinfo.xml"));
        QCOMPARE(UpdateServer::productPage(mirror).toString(),
                 QStringLiteral("http://127.0.0.1:8080/mirror/products/quillnote.htm"));
        QCOMPARE(
            UpdateServer::installer(mirror, QStringLiteral("set up #2?.exe")).toString(QUrl::FullyEncoded),
            QStringLiteral("http://127.0.0.1:8080/mirror/downloads/set%20up%20%232%3F.exe"));

        for (const char* bad : {"ftp://127.0.0.1/", "file:///tmp/", "not an address", "http://"}) {
            hive.openKeyForWriting(SettingsKeyPath)
                ->writeString(UpdateServer::ValueName, QString::fromLatin1(bad));
            QVERIFY_THROWS_EXCEPTION(QuillError, UpdateServer::base(hive));
        }
    }

    void installerNameMustBePlain() {
        QVERIFY(UpdateServer::isPlainFileName(QStringLiteral("quillnote162.exe")));
        QVERIFY(UpdateServer::isPlainFileName(QStringLiteral("..quill")));
        for (const char* bad : {"", ".", "..", "../quill.exe", "/etc/passwd", "a\\b.exe", "a\nb"})
            QVERIFY2(!UpdateServer::isPlainFileName(QString::fromLatin1(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestVersionFile)
#include "tst_versionFile.moc"
