#include "LoopbackHttpServer.h"
#include "TestFolders.h"
#include "update/UrlDownloader.h"

#include <QDir>
#include <QtTest>

namespace {

using Reply = LoopbackHttpServer::Reply;

const QByteArray OldContents = "the file the user already had\n";

// Counts progress calls and cancels after `cancelAfter` of them.
struct CountingProgress final : IDownloadProgress {
    int starts = 0;
    int calls = 0;
    int cancelAfter = -1;
    void started(const QUrl&) override { ++starts; }
    bool progress(qint64, qint64) override { return ++calls != cancelAfter; }
};

QByteArray bytesOf(int size) {
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char('a' + i % 26);
    return b;
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT

    LoopbackHttpServer* server = nullptr;
    std::unique_ptr<TestFolders> folders;
    QString target;

    // Nothing beside the target but the target itself: no temporary file is left.
    QStringList folderEntries() const {
        return QDir(folders->dataFolder()).entryList(QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase() {
        // The loopback server must be reached directly.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy"})
            qunsetenv(name);
    }
    void init() {
        server = new LoopbackHttpServer;
        folders = std::make_unique<TestFolders>();
        target = folders->dataFolder() + QStringLiteral("quill-setup.exe");
        TestFolders::writeFile(target, OldContents);
    }
    void cleanup() {
        delete server;
        server = nullptr;
        folders.reset();
    }

    void replacesFileWithWholeDownload() {
        const QByteArray body = bytesOf(300 * 1024);
        server->route(QStringLiteral("/a"), Reply::redirect(301, "/b"));
        server->route(QStringLiteral("/b"),
                      Reply::redirect(302, server->url(QStringLiteral("/c")).toEncoded()));
        server->route(QStringLiteral("/c"), Reply::ok(body));
        CountingProgress progress;
        UrlDownloader::download(server->url(QStringLiteral("/a")), target, {}, &progress);
        QCOMPARE(TestFolders::readFile(target), body);
        QCOMPARE(progress.starts, 1);
        QVERIFY(progress.calls > 0);
        QCOMPARE(folderEntries(), QStringList{QStringLiteral("quill-setup.exe")});

        // A packed body arrives unpacked, though its length header counts the packed bytes.
        server->route(QStringLiteral("/z"), Reply::ok(body).deflated());
        UrlDownloader::download(server->url(QStringLiteral("/z")), target, {});
        QCOMPARE(TestFolders::readFile(target), body);

        // A body that ends with the connection, without a length.
        server->route(QStringLiteral("/d"), Reply::ok("short").withoutLength());
        UrlDownloader::download(server->url(QStringLiteral("/d")), target, {});
        QCOMPARE(TestFolders::readFile(target), QByteArray("short"));
    }

    // Every failure leaves the old file as it was and no temporary file beside it.
    void failureKeepsOldFile_data() {
        QTest::addColumn<LoopbackHttpServer::Reply>("reply");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not found") << Reply::answer(404, "gone") << QStringLiteral("status 404");
        QTest::newRow("server error") << Reply::answer(500, "oops") << QStringLiteral("status 500");
        QTest::newRow("redirect to another host")
            << Reply::redirect(302, "http://localhost:1/x") << QStringLiteral("another site");
        QTest::newRow("redirect to another port")
            << Reply::redirect(302, "http://127.0.0.1:1/x") << QStringLiteral("another site");
        QTest::newRow("redirect loop") << Reply::redirect(302, "/f") << QStringLiteral("redirect");
        QTest::newRow("announced too large")
            << Reply::ok(bytesOf(5000)) << QStringLiteral("larger than the 4096");
        QTest::newRow("too large without length")
            << Reply::ok(bytesOf(5000)).withoutLength() << QStringLiteral("larger than the 4096");
        QTest::newRow("connection broken") << Reply::ok(bytesOf(3000)).stoppingAfter(1000, true) << QString();
        QTest::newRow("length promised, less sent") << Reply::ok(bytesOf(1000)).claiming(2000) << QString();
        QTest::newRow("stalled") << Reply::ok(bytesOf(3000)).stoppingAfter(100, false)
                                 << QStringLiteral("No data arrived for 1 seconds");
        QTest::newRow("too slow in all")
            << Reply::ok(bytesOf(200)).trickling(20) << QStringLiteral("took longer than 2 seconds");
    }
    void failureKeepsOldFile() {
        QFETCH(LoopbackHttpServer::Reply, reply);
        QFETCH(QString, reason);
        server->route(QStringLiteral("/f"), reply);
        DownloadLimits limits;
        limits.maxBytes = 4096;
        limits.stallTimeoutMs = 1000;
        limits.totalTimeoutMs = 2000;
        QString message;
        try {
            UrlDownloader::download(server->url(QStringLiteral("/f")), target, limits);
        } catch (const QuillError& e) {
            message = e.message();
        }
        QVERIFY2(!message.isEmpty(), "the download must fail");
        QVERIFY2(message.contains(reason, Qt::CaseInsensitive), qPrintable(message));
        QCOMPARE(TestFolders::readFile(target), OldContents);
        QCOMPARE(folderEntries(), QStringList{QStringLiteral("quill-setup.exe")});
    }

    void cancelKeepsOldFile() {
        server->route(QStringLiteral("/slow"), Reply::ok(bytesOf(100)).trickling(10));
        CountingProgress progress;
        progress.cancelAfter = 3;
        QVERIFY_THROWS_EXCEPTION(
            DownloadCancelled,
            UrlDownloader::download(server->url(QStringLiteral("/slow")), target, {}, &progress));
        QCOMPARE(progress.calls, 3);
        QCOMPARE(TestFolders::readFile(target), OldContents);
        QCOMPARE(folderEntries(), QStringList{QStringLiteral("quill-setup.exe")});
    }

    void unwritableFolderFailsBeforeFetching() {
        server->route(QStringLiteral("/ok"), Reply::ok("data"));
        QVERIFY_THROWS_EXCEPTION(QuillError,
                                 UrlDownloader::download(server->url(QStringLiteral("/ok")),
                                                         folders->root() + "missing/dir/file.exe", {}));
        QCOMPARE(server->hits(QStringLiteral("/ok")), 0);
    }

    void sameOriginRule() {
        using UrlDownloader::sameOrigin;
        QVERIFY(sameOrigin(QUrl("https://Host.example/a"), QUrl("https://host.example:443/b?c")));
        QVERIFY(sameOrigin(QUrl("http://h:8080/a"), QUrl("http://h:8080/z")));
        QVERIFY(!sameOrigin(QUrl("https://h/a"), QUrl("http://h/a")));
        QVERIFY(!sameOrigin(QUrl("http://h/a"), QUrl("http://h:8080/a")));
        QVERIFY(!sameOrigin(QUrl("http://h/a"), QUrl("http://h.evil/a")));
        QVERIFY(!sameOrigin(QUrl("file:///a"), QUrl("file:///b")));
    }
};

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
