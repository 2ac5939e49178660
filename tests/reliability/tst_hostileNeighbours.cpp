// The programs and servers the program talks to, misbehaving: spelling programs that never greet,
// fall silent, flood or die (through the real ispell engine and the scripts an ispell.ini names), and
// a version server that stalls, floods, redirects elsewhere or sends garbage (through the real
// downloader against a loopback server). Each case must end within its own time-out plus a second,
// leave no process behind and no file under the chosen name. Prints each case's measured time.
#include "ProcessState.h"
#include "platform/Registry.h"
#include "spell/engine/IspellEngine.h"
#include "spell/engine/IspellPipe.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "update/UrlDownloader.h"

#include "../update/LoopbackHttpServer.h"
#include "TestFolders.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// One figure line, apart from QtTest's own output.
void figure(const char* part, const QString& name, qint64 elapsedMs, int limitMs, const QString& more) {
    std::printf("hostile-neighbours: %s %s: %.2f s (time-out %.2f s, allowed %.2f s)%s\n", part,
                qPrintable(name), double(elapsedMs) / 1000, double(limitMs) / 1000,
                double(limitMs + 1000) / 1000, qPrintable(more));
    std::fflush(stdout);
}

const QString AppPathsKey =
    QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ispell.exe");

// An ispell folder with one script as the English program, found as the program finds it.
class SpellSetup {
public:
    explicit SpellSetup(const QByteArray& body)
        : m_hive(m_folders.configFolder() + QStringLiteral("registry.ini")) {
        QDir().mkpath(folder());
        auto key = m_hive.openKeyForWriting(AppPathsKey);
        key->writeString(QStringLiteral("Path"), folder());
        key->close();
        m_configuration = std::make_unique<SpellConfiguration>(&m_hive, m_folders.exeFolder());
        checker.setConfiguration(m_configuration.get());
        TestFolders::writeFile(folder() + QStringLiteral("hostile.sh"), "#!/bin/sh\n" + body);
        QFile::setPermissions(folder() + QStringLiteral("hostile.sh"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(folder() + QStringLiteral("english"));
        TestFolders::writeFile(folder() + QStringLiteral("english/ispell.ini"),
                               "[English]\r\nLangNo=1033\r\nCmd=%AppDir%ispell/hostile.sh -a\r\n"
                               "Charset=UTF-8\r\n");
    }
    QString folder() const { return m_folders.root() + QStringLiteral("ispell/"); }
    qint64 childPid() const {
        return TestFolders::readFile(folder() + QStringLiteral("child.pid")).trimmed().toLongLong();
    }

    SpellChecker checker;

private:
    TestFolders m_folders;
    RegistryHive m_hive;
    std::unique_ptr<SpellConfiguration> m_configuration;
};

// A server that speaks no HTTP: silent, garbage, or garbage without end. It runs in a thread of its
// own, as a remote server would: a flood must not take the program's thread from it.
class RawServer : public QThread {
public:
    enum class Mode { Silent, Garbage, GarbageFlood, HeaderFlood };
    explicit RawServer(Mode mode) : m_mode(mode) {
        start();
        m_ready.acquire();
    }
    ~RawServer() override {
        quit();
        wait();
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(m_port)); }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                socket->setParent(&server);
                answer(socket);
            }
        });
        m_port = server.serverPort();
        m_ready.release();
        exec();
    }

private:
    static QByteArray noise(qsizetype size) {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        return bytes;
    }
    void answer(QTcpSocket* socket) {
        switch (m_mode) {
        case Mode::Silent:
            return;
        case Mode::Garbage:
            socket->write(noise(4096));
            socket->disconnectFromHost();
            return;
        case Mode::GarbageFlood:
        case Mode::HeaderFlood: {
            if (m_mode == Mode::HeaderFlood)
                socket->write("HTTP/1.1 200 OK\r\n");
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [this, socket] {
                if (socket->bytesToWrite() > 1024 * 1024)
                    return;
                socket->write(m_mode == Mode::HeaderFlood
                                  ? QByteArray("X-Filler: ") + QByteArray(8000, 'a') + "\r\n"
                                  : noise(65536));
            });
            timer->start(1);
            return;
        }
        }
    }
    const Mode m_mode;
    std::atomic<quint16> m_port = 0;
    QSemaphore m_ready;
};

} // namespace

class TestHostileNeighbours : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QLoggingCategory::setFilterRules(QStringLiteral("quill.spell.ispell.warning=false"));
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy"})
            qunsetenv(name);
    }

    void spellingPrograms_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("limitMs");
        const QByteArray greet = "echo '@(#) International Ispell Version 3.1.20 (fake)'\n";
        // A child of the program that would outlive it unless its whole group is ended.
        const QByteArray hang = "sleep 60 & echo $! > child.pid\nwait\n";
        QTest::newRow("never greets") << hang << IspellPipe::GreetingTimeoutMs;
        QTest::newRow("stalls") << greet + "read terse\n" + hang << IspellPipe::AnswerTimeoutMs;
        QTest::newRow("floods lines") << greet + "read terse\nread word\nwhile :; do echo '*'; done\n"
                                      << IspellPipe::AnswerTimeoutMs;
        QTest::newRow("floods one line") << greet + "read terse\nread word\nexec cat /dev/zero\n"
                                         << IspellPipe::AnswerTimeoutMs;
        QTest::newRow("dies") << greet + "read terse\nread word\nkill -9 $$\n" << IspellPipe::AnswerTimeoutMs;
        // Answers properly but does not end when its input closes, nor on SIGTERM.
        QTest::newRow("lingers") << greet + "trap '' TERM\nsleep 60 & echo $! > child.pid\n"
                                            "while :; do read line || { sleep 60; continue; }; echo; done\n"
                                 << IspellPipe::ExitTimeoutMs;
    }
    void spellingPrograms() {
        QFETCH(QByteArray, body);
        QFETCH(int, limitMs);
        SpellSetup setup(body);
        QElapsedTimer clock;
        clock.start();
        auto engine = std::make_unique<IspellEngine>(1033, 0, &setup.checker);
        int length = 0, start = 0;
        if (!engine->isDisabled())
            engine->checkSegmentStart(QStringLiteral("one two three four"), length, start);
        const qint64 pid = engine->processId();
        engine.reset(); // ends the program, as closing the spelling dialog does
        const qint64 elapsed = clock.elapsed();
        const qint64 child = setup.childPid();
        // Ended means reaped or killed with its group; give the kernel a moment to tear down.
        QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid) && !isAlive(child), 1000);
        figure("spell program", QString::fromLatin1(QTest::currentDataTag()), elapsed, limitMs,
               QStringLiteral(", nothing left running"));
        QVERIFY2(elapsed <= limitMs + 1000, qPrintable(QString::number(elapsed)));
    }

    void versionServers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("limitMs");
        // Small limits, so that each case shows its own time-out at work.
        QTest::newRow("stalls mid-body") << 0 << Limits().stallTimeoutMs;
        QTest::newRow("never answers") << 1 << Limits().stallTimeoutMs;
        QTest::newRow("trickles") << 2 << Limits().totalTimeoutMs;
        QTest::newRow("floods the body") << 3 << Limits().totalTimeoutMs;
        QTest::newRow("floods the headers") << 4 << Limits().totalTimeoutMs;
        QTest::newRow("redirects to another host") << 5 << 0;
        QTest::newRow("sends garbage") << 6 << 0;
        QTest::newRow("floods garbage") << 7 << Limits().totalTimeoutMs;
    }
    void versionServers() {
        QFETCH(int, kind);
        QFETCH(int, limitMs);
        TestFolders folders;
        const QString target = folders.dataFolder() + QStringLiteral("version.txt");
        QDir().mkpath(folders.dataFolder());

        LoopbackHttpServer http;
        std::unique_ptr<RawServer> raw;
        QUrl url = http.url(QStringLiteral("/version.txt"));
        using Reply = LoopbackHttpServer::Reply;
        switch (kind) {
        case 0:
            http.route(QStringLiteral("/version.txt"),
                       Reply::ok(QByteArray(3000, 'v')).stoppingAfter(100, false));
            break;
        case 1:
            raw = std::make_unique<RawServer>(RawServer::Mode::Silent);
            break;
        case 2:
            http.route(QStringLiteral("/version.txt"), Reply::ok(QByteArray(400, 'v')).trickling(50));
            break;
        case 3:
            http.route(QStringLiteral("/version.txt"),
                       Reply::ok(QByteArray(8 * 1024 * 1024, 'v')).withoutLength());
            break;
        case 4:
            raw = std::make_unique<RawServer>(RawServer::Mode::HeaderFlood);
            break;
        case 5:
            http.route(QStringLiteral("/version.txt"),
                       Reply::redirect(302, "http://localhost:1/version.txt"));
            break;
        case 6:
            raw = std::make_unique<RawServer>(RawServer::Mode::Garbage);
            break;
        case 7:
            raw = std::make_unique<RawServer>(RawServer::Mode::GarbageFlood);
            break;
        }
        if (raw)
            url = raw->url();

        QElapsedTimer clock;
        clock.start();
        QString failure;
        try {
            UrlDownloader::download(url, target, Limits());
        } catch (const QuillError& e) {
            failure = e.message();
        }
        const qint64 elapsed = clock.elapsed();
        figure("version server", QString::fromLatin1(QTest::currentDataTag()), elapsed, limitMs,
               QStringLiteral(", refused: ") + failure.left(80));
        QVERIFY2(!failure.isEmpty(), "the download must fail");
        QVERIFY2(elapsed <= limitMs + 1000, qPrintable(QString::number(elapsed)));
        // Nothing under the chosen name, nothing beside it.
        QCOMPARE(QDir(folders.dataFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

private:
    static DownloadLimits Limits() {
        DownloadLimits limits;
        limits.maxBytes = 1024 * 1024;
        limits.stallTimeoutMs = 2000;
        limits.totalTimeoutMs = 4000;
        return limits;
    }
};

QTEST_GUILESS_MAIN(TestHostileNeighbours)
#include "tst_hostileNeighbours.moc"
