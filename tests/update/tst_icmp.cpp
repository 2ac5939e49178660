#include "FixedClock.h"
#include "RecordingShell.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"
#include "output/ErrorLog.h"
#include "output/MailRoutes.h"
#include "update/ConnectivityProbe.h"
#include "update/IcmpClient.h"
#include "update/IcmpPacket.h"

#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>
#include <arpa/inet.h>
#include <atomic>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// An IPv4 header of `ihl` bytes from 192.168.1.9 with time-to-live 57, then `icmp`.
Bytes ipPacket(const Bytes& icmp, int ihl = 20) {
    Bytes p(std::size_t(ihl), 0);
    p[0] = std::uint8_t(0x40 | ihl / 4);
    p[8] = 57;
    p[9] = 1;
    p[12] = 192;
    p[13] = 168;
    p[14] = 1;
    p[15] = 9;
    p.insert(p.end(), icmp.begin(), icmp.end());
    return p;
}

// An ICMP message of `type` with the sequence number at offset 6, least significant byte first.
Bytes icmpMessage(std::uint8_t type, quint16 sequence) {
    Bytes m(8 + 12, 0);
    m[0] = type;
    m[6] = std::uint8_t(sequence & 0xFF);
    m[7] = std::uint8_t(sequence >> 8);
    return m;
}

// An error message of `type` quoting our request (its IP header of `ihl` bytes, then the first 8 bytes).
Bytes errorQuoting(std::uint8_t type, quint16 sequence, int ihl = 20) {
    Bytes m(8, 0);
    m[0] = type;
    const Bytes quoted = ipPacket(icmpMessage(8, sequence), ihl);
    m.insert(m.end(), quoted.begin(), quoted.begin() + ihl + 8);
    return m;
}

QString failureOf(const Bytes& packet) {
    try {
        IcmpPacket::decodeIpPacket(packet);
    } catch (const QuillError& e) {
        return e.message();
    }
    return {};
}

bool run(const QString& command) {
    return QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command}) == 0;
}

// Where the probe can be tried for real: network namespaces of this test alone, so that nothing it
// sends can leave the machine. Ours is joined by a veth pair to a second one (a child process), which
// routes: it answers "unreachable" for one network and forwards another. Neither sends redirects nor limits
// its ICMP errors. A neighbour with a made-up hardware address never answers.
const QString RouterHost = QStringLiteral("10.255.252.2");
const QString SilentHost = QStringLiteral("10.255.252.3");
const QString UnreachableHost = QStringLiteral("10.255.251.2");
const QString ForwardedHost = QStringLiteral("10.255.250.2");
const QString NoRouteHost = QStringLiteral("10.255.254.2");

bool enterPrivateNetwork(QProcess& router) {
    for (const char* tool : {"ip", "nsenter", "unshare"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool),
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                            QStringLiteral("/usr/bin"), QStringLiteral("/bin")})
                .isEmpty())
            return false;
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNET) != 0)
        return false;
    // It ends with us: its input closes when this process goes, however it goes.
    router.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
                                             QStringLiteral("read line")});
    if (!router.waitForStarted())
        return false;
    const QString pid = QString::number(router.processId());
    // The child's namespace exists once unshare has replaced itself with the shell.
    for (int i = 0; i < 100 && QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid))
                                   .symLinkTarget()
                                   .endsWith(QStringLiteral("unshare"));
         ++i)
        QThread::msleep(10);
    return run(
        QStringLiteral(
            "ip link set lo up && ip link add q0 type veth peer name q1 && "
            "ip addr add 10.255.252.1/24 dev q0 && ip link set q0 up && "
            "ip link set q1 netns %1 && "
            "nsenter -t %1 -n sh -c 'ip link set lo up && ip addr add 10.255.252.2/24 dev q1 && "
            "ip link set q1 up && sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0 "
            "net.ipv4.conf.all.send_redirects=0 net.ipv4.conf.q1.send_redirects=0 && "
            "ip route add unreachable 10.255.251.0/24 && "
            "ip route add 10.255.250.0/24 via 10.255.252.1' && "
            "sysctl -qw net.ipv4.ip_forward=1 net.ipv4.icmp_ratelimit=0 net.ipv4.conf.all.send_redirects=0 "
            "net.ipv4.conf.q0.send_redirects=0 && "
            "ip route add 10.255.251.0/24 via 10.255.252.2 && "
            "ip route add 10.255.250.0/24 via 10.255.252.2 && "
            "ip neigh add 10.255.252.3 lladdr 02:00:00:00:00:03 dev q0 && "
            "ip route add unreachable 10.255.254.0/24")
            .arg(pid));
}

// Which groups may open datagram ICMP sockets (per network namespace).
bool allowDatagramSockets(bool allowed) {
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
    return range.open(QIODevice::WriteOnly) && range.write(allowed ? "0 2147483647\n" : "1 0\n") > 0;
}

// The error log and message boxes the probe reports to.
struct Reporting {
    TestFolders folders;
    ScriptedPrompts prompts;
    RecordingShell shell;
    FixedClock clock;
    LocaleFormats formats = LocaleFormats::capture();
    MailRoutes mail{shell, prompts};
    ErrorLog log{
        folders.paths().logPath(), clock, formats, prompts, mail, [] { return QStringLiteral("1.0.0.1"); }};
    QByteArray logged() const { return TestFolders::readFile(folders.paths().logPath()); }
};

} // namespace

Q_DECLARE_METATYPE(ReplyOutcome)

class TestIcmp : public QObject {
    Q_OBJECT

    bool m_isolated = false;
    QProcess m_router;

private slots:
    void initTestCase() { m_isolated = enterPrivateNetwork(m_router); }
    void cleanupTestCase() {
        if (m_router.state() != QProcess::NotRunning) {
            m_router.kill();
            m_router.waitForFinished();
        }
    }

    void echoRequestLayout() {
        const IcmpPacket::Request r = IcmpPacket::buildEchoRequest(0x1234, 3489, 0xA1B2C3D4);
        QCOMPARE(r.size(), std::size_t(52));
        QCOMPARE(r[0], 8);
        QCOMPARE(r[1], 0);
        QCOMPARE(r[4], 0x34); // identifier, least significant byte first
        QCOMPARE(r[5], 0x12);
        QCOMPARE(r[6], 0xA1); // 3489
        QCOMPARE(r[7], 0x0D);
        QCOMPARE(r[8], 0xD4);
        QCOMPARE(r[11], 0xA1);
        for (int i = 12; i < 20; ++i)
            QCOMPARE(r[i], 0);
        for (int i = 20; i < 52; ++i)
            QCOMPARE(r[i], 'E');
        QCOMPARE(IcmpPacket::checksum(r), 0); // a correct checksum sums to zero

        const IcmpPacket::Request text = IcmpPacket::buildEchoRequest(1, 2, 3, QByteArray("Hi"));
        QCOMPARE(text[20], 'H');
        QCOMPARE(text[21], 'i');
        QCOMPARE(text[22], 'E');
        QCOMPARE(IcmpPacket::checksum(text), 0);
        const IcmpPacket::Request longText = IcmpPacket::buildEchoRequest(1, 2, 3, QByteArray(40, 'x'));
        QCOMPARE(longText[51], 'x');
    }

    void checksumOfRfcExample() {
        // RFC 1071's example words 0001 f203 f4f5 f6f7 add up to ddf2; the checksum is its complement.
        const Bytes even{0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
        QCOMPARE(IcmpPacket::checksum(even), quint16(~0xddf2 & 0xFFFF));
        const Bytes odd{0x00, 0x01, 0xf2}; // the last byte is padded with zero
        QCOMPARE(IcmpPacket::checksum(odd), quint16(~0xf201 & 0xFFFF));
    }

    void decodesAnswers_data() {
        QTest::addColumn<Bytes>("packet");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("sequence");
        QTest::newRow("echo reply") << ipPacket(icmpMessage(0, 3489)) << int(ReplyOutcome::Echo) << 3489;
        QTest::newRow("own request on loopback")
            << ipPacket(icmpMessage(8, 3490)) << int(ReplyOutcome::Echo) << 3490;
        QTest::newRow("header with options")
            << ipPacket(icmpMessage(0, 7), 24) << int(ReplyOutcome::Echo) << 7;
        QTest::newRow("unreachable") << ipPacket(errorQuoting(3, 3489)) << int(ReplyOutcome::Unreachable)
                                     << 3489;
        QTest::newRow("time exceeded")
            << ipPacket(errorQuoting(11, 3489)) << int(ReplyOutcome::TtlExceeded) << 3489;
        QTest::newRow("quoted header as long as outer")
            << ipPacket(errorQuoting(11, 42, 24), 24) << int(ReplyOutcome::TtlExceeded) << 42;
    }
    void decodesAnswers() {
        QFETCH(Bytes, packet);
        QFETCH(int, outcome);
        QFETCH(int, sequence);
        const IcmpPacket::Decoded d = IcmpPacket::decodeIpPacket(packet);
        QCOMPARE(int(d.outcome), outcome);
        QCOMPARE(int(d.sequence), sequence);
        QCOMPARE(IcmpPacket::sourceAddress(packet), QStringLiteral("192.168.1.9"));
        QCOMPARE(IcmpPacket::timeToLive(packet), 57);
    }

    void refusesOtherPackets_data() {
        QTest::addColumn<Bytes>("packet");
        QTest::addColumn<QString>("failure");
        const QString shortText = QStringLiteral("Not enough bytes received");
        Bytes cut = ipPacket(icmpMessage(0, 1));
        cut.resize(27);
        QTest::newRow("shorter than header + 8") << cut << shortText;
        QTest::newRow("empty") << Bytes{} << shortText;
        Bytes optionsCut = ipPacket(icmpMessage(0, 1), 60);
        optionsCut.resize(64);
        QTest::newRow("long header, little after it") << optionsCut << shortText;
        Bytes quoteCut = ipPacket(errorQuoting(3, 1));
        quoteCut.resize(20 + 8 + 20 + 4);
        QTest::newRow("quoted request cut off") << quoteCut << shortText;
        QTest::newRow("redirect") << ipPacket(icmpMessage(5, 1))
                                  << QStringLiteral("Non-echo type response received");
        QTest::newRow("timestamp reply")
            << ipPacket(icmpMessage(14, 1)) << QStringLiteral("Non-echo type response received");
    }
    void refusesOtherPackets() {
        QFETCH(Bytes, packet);
        QFETCH(QString, failure);
        QCOMPARE(failureOf(packet), failure);
    }

    // Only the answer with the client's own sequence number counts; others leave the status alone.
    void takesOnlyItsOwnReply() {
        IcmpClient client;
        QCOMPARE(client.sequenceNumber(), IcmpClient::FirstSequence);
        const Bytes other = ipPacket(icmpMessage(0, 3488));
        QVERIFY(!client.takeReply({other, {}, 0, {}}));
        QCOMPARE(client.replyStatus().outcome, ReplyOutcome::TimeOut);
        QCOMPARE(client.replyStatus().fromAddress, QStringLiteral("0.0.0.0"));
        const Bytes own = ipPacket(icmpMessage(0, 3489));
        QVERIFY(client.takeReply({own, {}, 0, {}}));
        QCOMPARE(client.replyStatus().outcome, ReplyOutcome::Echo);
        QCOMPARE(client.replyStatus().fromAddress, QStringLiteral("192.168.1.9"));
        QCOMPARE(client.replyStatus().timeToLive, 57);
        QCOMPARE(client.replyStatus().bytesReceived, int(own.size()));
        QCOMPARE(client.replyStatus().sequenceId, 3489);
    }

    void echoOutcomes_data() {
        QTest::addColumn<QList<IcmpSocketKind>>("sockets");
        QTest::addColumn<QString>("host");
        QTest::addColumn<ReplyOutcome>("outcome");
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("ttl");
        const QList<IcmpSocketKind> raw{IcmpSocketKind::Raw};
        const QList<IcmpSocketKind> datagram{IcmpSocketKind::Datagram};
        const QString local = QStringLiteral("127.0.0.1");
        QTest::newRow("raw, this machine") << raw << local << ReplyOutcome::Echo << local << 128;
        QTest::newRow("datagram, this machine")
            << datagram << QStringLiteral("localhost") << ReplyOutcome::Echo << local << 128;
        QTest::newRow("raw, router") << raw << RouterHost << ReplyOutcome::Echo << RouterHost << 128;
        QTest::newRow("raw, unreachable")
            << raw << UnreachableHost << ReplyOutcome::Unreachable << RouterHost << 128;
        QTest::newRow("datagram, unreachable")
            << datagram << UnreachableHost << ReplyOutcome::Unreachable << RouterHost << 128;
        QTest::newRow("raw, time exceeded")
            << raw << ForwardedHost << ReplyOutcome::TtlExceeded << RouterHost << 1;
        QTest::newRow("datagram, time exceeded")
            << datagram << ForwardedHost << ReplyOutcome::TtlExceeded << RouterHost << 1;
    }
    void echoOutcomes() {
        if (!m_isolated)
            QSKIP("needs root for a private network namespace");
        QFETCH(QList<IcmpSocketKind>, sockets);
        QFETCH(QString, host);
        QFETCH(ReplyOutcome, outcome);
        QFETCH(QString, from);
        QFETCH(int, ttl);
        QVERIFY(allowDatagramSockets(true));
        IcmpClient client;
        client.host = host;
        client.socketKinds = sockets;
        client.receiveTimeoutMs = 3000;
        client.timeToLive = ttl; // 1: the router's time-exceeded answer
        QList<ReplyStatus> replies;
        client.onReply = [&](const ReplyStatus& s) { replies << s; };
        client.sendEcho();
        QCOMPARE(replies.size(), 1);
        QCOMPARE(replies[0].outcome, outcome);
        QCOMPARE(replies[0].fromAddress, from);
        QCOMPARE(replies[0].sequenceId, 3489);
        QVERIFY(replies[0].bytesReceived > 0);
        QCOMPARE(client.sequenceNumber(), 3490);
        client.sendEcho(QString(), 7);
        QCOMPARE(replies.last().sequenceId, 7);
        QCOMPARE(replies.last().outcome, outcome);
        QCOMPARE(client.sequenceNumber(), 8);
    }

    // Another program's ICMP traffic of other types (here timestamp requests on the loopback) is no
    // answer: the wait for a silent host still ends as a time-out.
    void otherIcmpTrafficIsNoAnswer() {
        if (!m_isolated)
            QSKIP("needs root for a private network namespace");
        std::atomic<bool> stop{false};
        std::thread other([&stop] {
            const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
            Bytes timestamp(20, 0);
            timestamp[0] = 13;
            const quint16 sum = IcmpPacket::checksum(timestamp);
            timestamp[2] = std::uint8_t(sum >> 8);
            timestamp[3] = std::uint8_t(sum & 0xFF);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            while (fd >= 0 && !stop) {
                ::sendto(fd, timestamp.data(), timestamp.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                         sizeof to);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (fd >= 0)
                ::close(fd);
        });
        IcmpClient client;
        client.host = SilentHost;
        client.socketKinds = {IcmpSocketKind::Raw};
        client.receiveTimeoutMs = 1000;
        QString failure;
        try {
            client.sendEcho();
        } catch (const QuillError& e) {
            failure = e.message();
        }
        stop = true;
        other.join();
        QCOMPARE(failure, QString());
        QCOMPARE(client.replyStatus().outcome, ReplyOutcome::TimeOut);
    }

    void probeOutcomes_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QList<IcmpSocketKind>>("sockets");
        QTest::addColumn<bool>("datagramAllowed");
        QTest::addColumn<int>("result");
        const QList<IcmpSocketKind> both{IcmpSocketKind::Datagram, IcmpSocketKind::Raw};
        const QList<IcmpSocketKind> datagram{IcmpSocketKind::Datagram};
        QTest::newRow("answers, raw after refused datagram")
            << QStringLiteral("127.0.0.1") << both << false << int(ProbeResult::Answered);
        QTest::newRow("answers, datagram")
            << QStringLiteral("LocalHost") << both << true << int(ProbeResult::Answered);
        QTest::newRow("silent, raw") << SilentHost << both << false << int(ProbeResult::NotAnswered);
        QTest::newRow("silent, datagram") << SilentHost << both << true << int(ProbeResult::NotAnswered);
        QTest::newRow("no route") << NoRouteHost << both << false << int(ProbeResult::NotAnswered);
        QTest::newRow("unreachable answer")
            << UnreachableHost << both << true << int(ProbeResult::NotAnswered);
        QTest::newRow("no socket allowed")
            << QStringLiteral("127.0.0.1") << datagram << false << int(ProbeResult::Unknown);
        QTest::newRow("unknown name")
            << QStringLiteral("no-such-host.invalid") << both << true << int(ProbeResult::Failed);
    }
    void probeOutcomes() {
        if (!m_isolated)
            QSKIP("needs root for a private network namespace");
        QFETCH(QString, host);
        QFETCH(QList<IcmpSocketKind>, sockets);
        QFETCH(bool, datagramAllowed);
        QFETCH(int, result);
        QVERIFY(allowDatagramSockets(datagramAllowed));
        Reporting r;
        if (result == int(ProbeResult::NotAnswered))
            r.prompts.expect(UpdateUnavailableText, MsgButton::OK);
        if (result == int(ProbeResult::Failed))
            r.prompts.expect(QStringLiteral("An error has occurred in Quillnote and has been logged."),
                             MsgButton::No);
        const ProbeSettings settings{host, sockets, 1000};
        QCOMPARE(int(probeHost(settings, r.prompts, r.log)), result);
        QVERIFY2(r.prompts.problems().isEmpty(), qPrintable(r.prompts.problems().join('\n')));
        QCOMPARE(r.prompts.pending(), 0);
        if (result == int(ProbeResult::NotAnswered)) {
            QCOMPARE(r.prompts.asked().first().text, UpdateUnavailableText);
            QCOMPARE(r.prompts.asked().first().kind, MsgKind::Information);
        }
        if (result == int(ProbeResult::Failed))
            QVERIFY(r.logged().contains("Download_HTM"));
        else
            QVERIFY(r.logged().isEmpty());
        QCOMPARE(probeConnectivity(settings, r.prompts, r.log),
                 result == int(ProbeResult::Answered) || result == int(ProbeResult::Unknown));
        QCOMPARE(NetComponent::liveCount(), 0);
    }

    // The whole five seconds, once, as the program waits them.
    void silentHostTimesOutAfterFiveSeconds() {
        if (!m_isolated)
            QSKIP("needs root for a private network namespace");
        QVERIFY(allowDatagramSockets(false));
        IcmpClient client;
        client.host = SilentHost;
        QCOMPARE(client.receiveTimeoutMs, 5000);
        QElapsedTimer clock;
        clock.start();
        client.sendEcho();
        QVERIFY(clock.elapsed() >= 5000);
        QCOMPARE(client.replyStatus().outcome, ReplyOutcome::TimeOut);
        QCOMPARE(client.replyStatus().bytesReceived, 0);
        QCOMPARE(client.replyStatus().fromAddress, QStringLiteral("0.0.0.0"));
        QCOMPARE(client.replyStatus().sequenceId, 3489);
    }
};

QTEST_GUILESS_MAIN(TestIcmp)
#include "tst_icmp.moc"
