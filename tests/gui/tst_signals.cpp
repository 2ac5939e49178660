#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

// The real program, started in a folder of its own: the signals that end a desktop session run the
// Exit command, so the settings are written and the program ends normally.
class TestSignals : public QObject {
    Q_OBJECT

    // A copy of the program and its read-me in `dir`: its notes file goes there too. Empty on failure.
    static QString installProgram(const QTemporaryDir& dir) {
        const QString program = dir.filePath(QStringLiteral("quillnote"));
        const bool copied = QFile::copy(QStringLiteral(QUILLNOTE_BINARY), program) &&
                            QFile::copy(QStringLiteral(QUILLNOTE_BIN_DIR "/qnReadMe.txt"),
                                        dir.filePath(QStringLiteral("qnReadMe.txt")));
        return copied ? program : QString();
    }
    static QProcessEnvironment environmentFor(const QTemporaryDir& dir) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        return env;
    }

private slots:
    void aSecondStartHandsOverAndEnds() {
        QTemporaryDir dir;
        const QString program = installProgram(dir);
        QVERIFY(!program.isEmpty());
        const QProcessEnvironment env = environmentFor(dir);

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program, {});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("quill.xml"))), 10000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0); // the running copy took the request
        QCOMPARE(first.state(), QProcess::Running);

        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(first.exitCode(), 0);
    }

    void terminationRunsTheExitCommand_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationRunsTheExitCommand() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString program = installProgram(dir);
        QVERIFY(!program.isEmpty());
        const QProcessEnvironment env = environmentFor(dir);

        QProcess quillnote;
        quillnote.setProcessEnvironment(env);
        quillnote.start(program, {});
        QVERIFY(quillnote.waitForStarted());
        const QString notes = dir.filePath(QStringLiteral("quill.xml"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(notes), 10000);
        QTest::qWait(300); // let the event loop start

        ::kill(pid_t(quillnote.processId()), signal);
        QVERIFY(quillnote.waitForFinished(10000));
        QCOMPARE(quillnote.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quillnote.exitCode(), 0);
        const QString settings = dir.filePath(QStringLiteral("config/Tarrowin/registry.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("SortToggle"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Quillnote.log"))));
    }
};

QTEST_MAIN(TestSignals)
#include "tst_signals.moc"
