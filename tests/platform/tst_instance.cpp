#include "platform/SingleInstanceGuard.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

// Starts real copies of a driver program against the guard: races, kills and separate executables.
class TestInstance : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void simultaneousStartsYieldOneFirstCopyThatHearsAllOthers();
    void firstCopyKilledHardDoesNotBlockTheNextStart();
    void copiesOfDifferentExecutablesRunSideBySide();
    void refusedCopyWaitsForLateListenerAndGivesUpWithoutOne();
    void longRuntimeFolderStillGivesUsableSocket();
    void requestsArriveWholeAndStrayClientsAreRefused();

private:
    std::unique_ptr<QProcess> start(const QString& program, const QString& key, const QString& result,
                                    int listenMs, int expected, int forwardMs,
                                    const QString& goFile = QString());
    static QStringList lines(const QString& path);
    static bool waitForLine(const QString& path, const QString& line, int timeoutMs);

    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QTemporaryDir> m_work;
    QByteArray m_oldRuntime;
};

void TestInstance::init() {
    // A private runtime folder keeps parallel test runs and real copies apart.
    m_runtime = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_runtime->isValid() && m_work->isValid());
    m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
}

void TestInstance::cleanup() {
    if (m_oldRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    m_work.reset();
    m_runtime.reset();
}

std::unique_ptr<QProcess> TestInstance::start(const QString& program, const QString& key,
                                              const QString& result, int listenMs, int expected,
                                              int forwardMs, const QString& goFile) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!goFile.isEmpty())
        env.insert(QStringLiteral("QUILL_DRIVER_GO"), goFile);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, {key, result, QString::number(listenMs), QString::number(expected),
                             QString::number(forwardMs)});
    return process;
}

QStringList TestInstance::lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool TestInstance::waitForLine(const QString& path, const QString& line, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (lines(path).contains(line))
            return true;
        QTest::qWait(10);
    }
    return false;
}

void TestInstance::simultaneousStartsYieldOneFirstCopyThatHearsAllOthers() {
    constexpr int rounds = 20;
    constexpr int copies = 8;
    QList<int> firstsPerRound;
    int delivered = 0;
    int forwardedOk = 0;
    for (int round = 0; round < rounds; ++round) {
        const QString go = m_work->filePath(QStringLiteral("go-%1").arg(round));
        std::vector<std::unique_ptr<QProcess>> processes;
        QStringList results;
        for (int i = 0; i < copies; ++i) {
            results << m_work->filePath(QStringLiteral("r%1-%2").arg(round).arg(i));
            processes.push_back(start(QStringLiteral(QUILL_INSTANCE_DRIVER), QStringLiteral("race-key"),
                                      results.last(), 15000, copies - 1, 8000, go));
        }
        for (auto& p : processes)
            QVERIFY(p->waitForStarted(5000));
        QVERIFY(QFile(go).open(QIODevice::WriteOnly));
        for (auto& p : processes) {
            QVERIFY(p->waitForFinished(30000));
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        }

        int firsts = 0;
        int activations = 0;
        for (const QString& r : results) {
            const QStringList got = lines(r);
            QVERIFY2(!got.isEmpty(), qPrintable(r));
            if (got.first() == QLatin1String("first")) {
                ++firsts;
                activations += static_cast<int>(got.count(QStringLiteral("activation")));
            } else {
                QCOMPARE(got, QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
                ++forwardedOk;
            }
        }
        firstsPerRound << firsts;
        delivered += activations;
        QCOMPARE(firsts, 1);
        QCOMPARE(activations, copies - 1);
    }
    QStringList perRound;
    for (int f : firstsPerRound)
        perRound << QString::number(f);
    qInfo("race: %d rounds of %d simultaneous starts; firsts per round: %s; activations delivered %d of %d "
          "(refused copies reporting forward-ok: %d)",
          rounds, copies, qPrintable(perRound.join(QLatin1Char(' '))), delivered, rounds * (copies - 1),
          forwardedOk);
}

void TestInstance::firstCopyKilledHardDoesNotBlockTheNextStart() {
    const QString driver = QStringLiteral(QUILL_INSTANCE_DRIVER);
    const QString key = QStringLiteral("kill-key");
    const QString r1 = m_work->filePath(QStringLiteral("killed"));
    auto victim = start(driver, key, r1, 60000, 0, 1000);
    QVERIFY(waitForLine(r1, QStringLiteral("first"), 10000));
    victim->kill(); // SIGKILL: no destructor, no unlock, socket left behind
    QVERIFY(victim->waitForFinished(5000));

    // The leftovers exist, so the next start really has to see through them.
    const SingleInstanceGuard probe(key);
    QVERIFY(QFile::exists(probe.lockFilePath()));
    QVERIFY(QFile::exists(probe.serverName()));

    const QString r2 = m_work->filePath(QStringLiteral("successor"));
    auto successor = start(driver, key, r2, 20000, 1, 1000);
    QVERIFY(waitForLine(r2, QStringLiteral("first"), 10000));
    // And the successor's socket answers a later copy.
    const QString r3 = m_work->filePath(QStringLiteral("third"));
    auto third = start(driver, key, r3, 0, 0, 8000);
    QVERIFY(third->waitForFinished(15000));
    QCOMPARE(lines(r3), QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
    QVERIFY(successor->waitForFinished(15000));
    QCOMPARE(lines(r2), QStringList({QStringLiteral("first"), QStringLiteral("activation")}));
}

void TestInstance::copiesOfDifferentExecutablesRunSideBySide() {
    const QString a = m_work->filePath(QStringLiteral("a/quill_instance_driver"));
    const QString b = m_work->filePath(QStringLiteral("b/quill_instance_driver"));
    QVERIFY(QDir().mkpath(m_work->filePath(QStringLiteral("a"))));
    QVERIFY(QDir().mkpath(m_work->filePath(QStringLiteral("b"))));
    QVERIFY(QFile::copy(QStringLiteral(QUILL_INSTANCE_DRIVER), a));
    QVERIFY(QFile::copy(QStringLiteral(QUILL_INSTANCE_DRIVER), b));
    // A link to a's file is the same executable and must be refused while a runs.
    const QString link = m_work->filePath(QStringLiteral("link-to-a"));
    QVERIFY(QFile::link(a, link));

    const QString ra = m_work->filePath(QStringLiteral("ra"));
    const QString rb = m_work->filePath(QStringLiteral("rb"));
    const QString rl = m_work->filePath(QStringLiteral("rl"));
    auto pa = start(a, QStringLiteral("-"), ra, 20000, 1, 1000);
    auto pb = start(b, QStringLiteral("-"), rb, 20000, 1, 1000);
    QVERIFY(waitForLine(ra, QStringLiteral("first"), 10000));
    QVERIFY(waitForLine(rb, QStringLiteral("first"), 10000));

    auto pl = start(link, QStringLiteral("-"), rl, 0, 0, 8000);
    QVERIFY(pl->waitForFinished(15000));
    QCOMPARE(lines(rl), QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
    QVERIFY(pa->waitForFinished(15000));
    QCOMPARE(lines(ra), QStringList({QStringLiteral("first"), QStringLiteral("activation")}));
    pb->kill();
    QVERIFY(pb->waitForFinished(5000));
    QCOMPARE(lines(rb), QStringList({QStringLiteral("first")}));
}

void TestInstance::refusedCopyWaitsForLateListenerAndGivesUpWithoutOne() {
    const QString driver = QStringLiteral(QUILL_INSTANCE_DRIVER);
    const QString key = QStringLiteral("late-key");
    SingleInstanceGuard control(key);

    // Someone holds the lock but never listens: the refused copy gives up after its timeout, not before.
    {
        QLockFile holder(control.lockFilePath());
        QVERIFY(holder.tryLock(0));
        const QString r = m_work->filePath(QStringLiteral("nobody"));
        QElapsedTimer clock;
        clock.start();
        auto p = start(driver, key, r, 0, 0, 1500);
        QVERIFY(p->waitForFinished(15000));
        QCOMPARE(lines(r), QStringList({QStringLiteral("second"), QStringLiteral("forward-failed")}));
        QCOMPARE(p->exitCode(), 2);
        QVERIFY2(clock.elapsed() >= 1400, qPrintable(QString::number(clock.elapsed())));
    }

    // The holder starts listening only after the refused copy began retrying.
    auto holder = std::make_unique<QLockFile>(control.lockFilePath());
    QVERIFY(holder->tryLock(0));
    const QString r = m_work->filePath(QStringLiteral("late"));
    auto p = start(driver, key, r, 0, 0, 8000);
    QVERIFY(waitForLine(r, QStringLiteral("second"), 10000));
    QTest::qWait(700);
    holder.reset();
    QSignalSpy activations(&control, &SingleInstanceGuard::activationRequested);
    QVERIFY(control.registerInstance());
    QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 15000);
    QCOMPARE(lines(r), QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
    QCOMPARE(activations.count(), 1);
}

void TestInstance::longRuntimeFolderStillGivesUsableSocket() {
    QString deep = m_runtime->path();
    while (QFile::encodeName(deep).size() < 120)
        deep += QStringLiteral("/deeper-folder");
    QVERIFY(QDir().mkpath(deep));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));

    const QString key = QStringLiteral("deep-key");
    SingleInstanceGuard control(key);
    QSignalSpy activations(&control, &SingleInstanceGuard::activationRequested);
    QVERIFY(control.registerInstance());
    QVERIFY(control.lockFilePath().startsWith(deep));

    const QString r = m_work->filePath(QStringLiteral("deep"));
    auto p = start(QStringLiteral(QUILL_INSTANCE_DRIVER), key, r, 0, 0, 8000);
    QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 15000);
    QCOMPARE(lines(r), QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
    QCOMPARE(activations.count(), 1);
}

void TestInstance::requestsArriveWholeAndStrayClientsAreRefused() {
    const QString key = QStringLiteral("request-key");
    SingleInstanceGuard control(key);
    QSignalSpy requests(&control, &SingleInstanceGuard::activationRequested);
    QVERIFY(control.registerInstance());

    // A refused copy started with --add-note hands that over with the desktop's activation token.
    qputenv("QUILL_DRIVER_REQUEST", "add-note token-1");
    const QString r = m_work->filePath(QStringLiteral("add"));
    auto p = start(QStringLiteral(QUILL_INSTANCE_DRIVER), key, r, 0, 0, 8000);
    qunsetenv("QUILL_DRIVER_REQUEST");
    QTRY_VERIFY_WITH_TIMEOUT(p->state() == QProcess::NotRunning, 15000);
    QCOMPARE(lines(r), QStringList({QStringLiteral("second"), QStringLiteral("forward-ok")}));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.takeFirst().first().value<StartRequest>(),
             (StartRequest{true, QStringLiteral("token-1")}));

    // A request split over two writes is one request; a line that is no request, or bytes that never
    // end a line, are dropped without an answer.
    const auto send = [&](const QList<QByteArray>& parts) {
        QLocalSocket client;
        client.connectToServer(control.serverName());
        if (!client.waitForConnected(5000))
            return QByteArray("no connection");
        for (const QByteArray& part : parts) {
            client.write(part);
            client.flush();
            if (!QTest::qWaitFor([&] { return client.bytesToWrite() == 0; }, 5000))
                return QByteArray("not sent");
        }
        QByteArray answer;
        const bool ended = QTest::qWaitFor(
            [&] {
                answer += client.readAll();
                return client.state() != QLocalSocket::ConnectedState;
            },
            10000);
        return ended ? answer + client.readAll() : QByteArray("still connected");
    };
    QCOMPARE(send({"acti", "vate\n"}), QByteArray("ok\n"));
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.takeFirst().first().value<StartRequest>(), StartRequest());
    QCOMPARE(send({"open-all\n"}), QByteArray());
    QCOMPARE(send({"activate \x01\n"}), QByteArray());
    QCOMPARE(send({QByteArray(2000, 'a')}), QByteArray());
    QCOMPARE(requests.count(), 0);
}

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
