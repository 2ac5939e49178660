#include "output/ErrorLog.h"
#include "output/MailRoutes.h"
#include "platform/QuillError.h"

#include "FixedClock.h"
#include "RecordingShell.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"

#include "Unprivileged.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QUrlQuery>
#include <QtTest>
#include <stdexcept>
#include <unistd.h>

namespace {

const QString Question = QStringLiteral("An error has occurred in Quillnote and has been logged.\n\n"
                                        "Would you like to report this error via e-mail?");
const QString LogFileHeading =
    QStringLiteral("The following error occurred in Quillnote and was unable to be written to the log file:");
const QString PlainHeading = QStringLiteral("The following error occurred in Quillnote:");

const ErrorInfo SaveFailure{QStringLiteral("Main"), QStringLiteral("actSaveNotesAsExecute"),
                            QStringLiteral("Disk is full")};

LocaleFormats usFormats() {
    return LocaleFormats::capture(QLocale(QLocale::English, QLocale::UnitedStates));
}

QString fallbackText(const QString& heading, const ErrorInfo& info) {
    return heading + QStringLiteral("\n\nUnit:\t") + info.unitName + QStringLiteral("\nMethod:\t") +
           info.methodName + QStringLiteral("\nError:\n") + info.message;
}

class ThrowingShell final : public IShell {
public:
    bool openUrl(const QUrl&) override { throw std::runtime_error("the desktop went away"); }
};

// One error log with everything it talks to replaced by test doubles.
struct Rig {
    explicit Rig(QString logPath, IShell* shellInstead = nullptr, LocaleFormats fmt = usFormats())
        : formats(std::move(fmt)), mail(shellInstead ? *shellInstead : shell, prompts),
          log(std::move(logPath), clock, formats, prompts, mail, [this] {
              if (versionUnreadable)
                  throw std::runtime_error("version resource unreadable");
              return version;
          }) {}

    QByteArray logBytes() const { return TestFolders::readFile(log.logPath()); }

    FixedClock clock;
    LocaleFormats formats;
    ScriptedPrompts prompts;
    RecordingShell shell;
    MailRoutes mail;
    QString version = QStringLiteral("1.6.1.71");
    bool versionUnreadable = false;
    ErrorLog log;
};

QJsonArray askedAsJson(const ScriptedPrompts& prompts) {
    QJsonArray all;
    for (const auto& a : prompts.asked())
        all.append(QJsonObject{{QStringLiteral("text"), a.text},
                               {QStringLiteral("kind"), int(a.kind)},
                               {QStringLiteral("buttons"), int(a.buttons.toInt())},
                               {QStringLiteral("plain"), a.plain}});
    return all;
}

// Run by the parent as an unprivileged user: log one failure and print what the user was asked.
int childLogs(const QString& writer, const QString& logPath) {
    Rig rig(logPath);
    rig.prompts.expect(QString(), MsgButton::No);
    if (writer == QLatin1String("quiet"))
        rig.log.logErrorQuietly(SaveFailure);
    else
        rig.log.logError(SaveFailure);
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 2;
    out.write(QJsonDocument(askedAsJson(rig.prompts)).toJson(QJsonDocument::Compact));
    return 0;
}

} // namespace

Q_DECLARE_METATYPE(ErrorInfo)

class TestErrorLog : public QObject {
    Q_OBJECT

private:
    // Root ignores file modes, so a read-only log is tried from a child copy of this test running as
    // "nobody". Returns what the child was asked.
    QJsonArray askedByUnprivilegedChild(const QString& writer, const QString& logPath) {
        const ChildRun child = runUnprivileged(
            {QCoreApplication::applicationFilePath(), QStringLiteral("--log-as-child"), writer, logPath});
        if (!child.finished || child.exitCode != 0) {
            qWarning() << "child failed:" << child.errors;
            return {};
        }
        return QJsonDocument::fromJson(child.output).array();
    }

private slots:
    void recordIsElevenCrLfLines_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("line5");
        QTest::addColumn<QByteArray>("line9");

        QTest::newRow("known version") << QStringLiteral("1.6.1.71") << QStringLiteral("Disk is full")
                                       << QByteArray("The following error occured in Quillnote v. 1.6.1.71:")
                                       << QByteArray("Error Message:\tDisk is full");
        QTest::newRow("before the version is read")
            << QString() << QStringLiteral("Disk is full")
            << QByteArray("The following error occured in Quillnote v. :")
            << QByteArray("Error Message:\tDisk is full");
        QTest::newRow("non-ASCII message kept as UTF-8")
            << QStringLiteral("1.6.1.71") << QStringLiteral("Datei \u00BBNotiz\u00AB fehlt \u20AC \U0001F600")
            << QByteArray("The following error occured in Quillnote v. 1.6.1.71:")
            << QByteArray("Error Message:\tDatei \xC2\xBBNotiz\xC2\xAB fehlt \xE2\x82\xAC \xF0\x9F\x98\x80");
    }
    void recordIsElevenCrLfLines() {
        QFETCH(QString, version);
        QFETCH(QString, message);
        QFETCH(QByteArray, line5);
        QFETCH(QByteArray, line9);
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        rig.version = version;

        rig.log.logErrorQuietly({QStringLiteral("Main"), QStringLiteral("actSaveNotesAsExecute"), message});

        const QByteArray expected = "******************** LOG INFO **********************\r\n"
                                    "\r\n"
                                    "3/5/09 1:02:13 PM\r\n"
                                    "\r\n" +
                                    line5 +
                                    "\r\n"
                                    "\r\n"
                                    "Unit Name:\tMain\r\n"
                                    "Method Name:\tactSaveNotesAsExecute\r\n" +
                                    line9 +
                                    "\r\n"
                                    "****************************************************\r\n"
                                    "\r\n";
        QCOMPARE(rig.logBytes(), expected);
        QCOMPARE(rig.logBytes().split('\n').first().size(), 52 + 1); // banner and its CR
        QVERIFY(rig.prompts.asked().isEmpty());
    }

    void timeStamp_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("stamp");

        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QLocale de(QLocale::German, QLocale::Germany);
        QTest::newRow("afternoon, US") << us << QTime(13, 2, 13) << QStringLiteral("3/5/09 1:02:13 PM");
        QTest::newRow("midnight, US") << us << QTime(0, 0) << QStringLiteral("3/5/09");
        QTest::newRow("a second after midnight, US")
            << us << QTime(0, 0, 1) << QStringLiteral("3/5/09 12:00:01 AM");
        QTest::newRow("morning, German") << de << QTime(9, 5, 7) << QStringLiteral("05.03.09 09:05:07");
        QTest::newRow("midnight, German") << de << QTime(0, 0) << QStringLiteral("05.03.09");
    }
    // The same stamp heads the record and dates the report.
    void timeStamp() {
        QFETCH(QLocale, locale);
        QFETCH(QTime, time);
        QFETCH(QString, stamp);
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"), nullptr,
                LocaleFormats::capture(locale));
        rig.clock.set(QDateTime(QDate(2009, 3, 5), time));

        QCOMPARE(rig.log.record(SaveFailure).split(QStringLiteral("\r\n")).at(2), stamp);
        QVERIFY(rig.log.reportBody(SaveFailure)
                    .contains(QStringLiteral("\r\nDate:\t\t") + stamp + QStringLiteral("\r\n")));
    }

    void recordsAccumulate() {
        TestFolders folders;
        const QString path = folders.dataFolder() + QStringLiteral("Quillnote.log");
        const QByteArray earlier = "left by an older run\r\n\xFF\xFE not even UTF-8\r\n";
        TestFolders::writeFile(path, earlier);
        Rig rig(path);
        const ErrorInfo second{QStringLiteral("AddNote"), QStringLiteral("edtTitleChange"),
                               QStringLiteral("x")};

        const QByteArray first = rig.log.record(SaveFailure).toUtf8();
        rig.log.logErrorQuietly(SaveFailure);
        rig.clock.set(rig.clock.now().addSecs(61));
        const QByteArray then = rig.log.record(second).toUtf8();
        rig.log.logErrorQuietly(second);

        const QByteArray all = rig.logBytes();
        QVERIFY(first != then);
        QCOMPARE(all, earlier + first + then);
        QCOMPARE(all.count("******************** LOG INFO **********************\r\n"), 2);
    }

    void multiLineMessageIsWrittenAsGiven() {
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        const QString message = QStringLiteral("first line\r\nsecond line\nthird\tline\r\n");

        rig.log.logErrorQuietly({QStringLiteral("Main"), QStringLiteral("FormResize"), message});

        QVERIFY(rig.logBytes().contains(
            "\r\nError Message:\tfirst line\r\nsecond line\nthird\tline\r\n\r\n*****"));
    }

    void quietWriterAsksNothing() {
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));

        rig.log.logErrorQuietly(SaveFailure);

        QVERIFY(rig.logBytes().contains("Method Name:\tactSaveNotesAsExecute\r\n"));
        QVERIFY(rig.prompts.asked().isEmpty());
        QVERIFY(rig.shell.opened.isEmpty());
    }

    void answeringNoSendsNothing() {
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        rig.prompts.expect(Question, MsgButton::No);

        rig.log.logError(SaveFailure);

        QCOMPARE(rig.logBytes(), rig.log.record(SaveFailure).toUtf8());
        QCOMPARE(rig.prompts.asked().size(), 1);
        const auto& asked = rig.prompts.asked().first();
        QCOMPARE(asked.text, Question);
        QVERIFY(asked.kind == MsgKind::Error);
        QCOMPARE(asked.buttons.toInt(), (MsgButton::Yes | MsgButton::No).toInt());
        QVERIFY(rig.shell.opened.isEmpty());
        QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
    }

    void answeringYesMailsOneReport_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<ErrorInfo>("info");

        QTest::newRow("ordinary") << QStringLiteral("1.6.1.71") << SaveFailure;
        QTest::newRow("no version yet") << QString() << SaveFailure;
        QTest::newRow("query text in the message")
            << QStringLiteral("1.6.1.71")
            << ErrorInfo{QStringLiteral("Main"), QStringLiteral("actFindExecute"),
                         QStringLiteral("x&cc=evil@x&bcc=y")};
        QTest::newRow("header lines in the message")
            << QStringLiteral("1.6.1.71")
            << ErrorInfo{QStringLiteral("Main"), QStringLiteral("actFindExecute"),
                         QStringLiteral("\r\nBcc: y\r\nTo: evil@x")};
        QTest::newRow("ready-made escapes stay text")
            << QStringLiteral("1.6.1.71")
            << ErrorInfo{QStringLiteral("Main"), QStringLiteral("actFindExecute"),
                         QStringLiteral("%0D%0ABcc:%20y %26to=z")};
        QTest::newRow("fragment, plus and question mark")
            << QStringLiteral("1.6.1.71")
            << ErrorInfo{QStringLiteral("Options?to=a@b"), QStringLiteral("#Download_HTM"),
                         QStringLiteral("1+1=2? 100% #done")};
    }
    void answeringYesMailsOneReport() {
        QFETCH(QString, version);
        QFETCH(ErrorInfo, info);
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        rig.version = version;
        rig.prompts.expect(Question, MsgButton::Yes);

        rig.log.logError(info);

        QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
        QCOMPARE(rig.prompts.asked().size(), 1);
        QCOMPARE(rig.shell.opened.size(), 1);
        const QUrl url = rig.shell.opened.first();
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(QUrl::FullyDecoded), FeedbackAddress);
        QVERIFY(!url.hasFragment());

        const QUrlQuery query(url);
        QStringList keys;
        for (const auto& item : query.queryItems())
            keys.append(item.first);
        QCOMPARE(keys, QStringList({QStringLiteral("subject"), QStringLiteral("body")}));
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Error Report from Quillnote v.") + version);
        const QString expectedBody =
            QStringLiteral("The following error was encountered in Quillnote:\r\n\r\n\r\n"
                           "Date:\t\t3/5/09 1:02:13 PM\r\n") +
            QStringLiteral("Unit:\t\t") + info.unitName + QStringLiteral("\r\nMethod:\t\t") +
            info.methodName + QStringLiteral("\r\nError:\t\t") + info.message +
            QStringLiteral("\r\n\r\nPlease add a brief description of what you were doing, as well as which "
                           "operating system and version you're using.");
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), expectedBody);

        const QByteArray encoded = url.toEncoded();
        QVERIFY(encoded.startsWith(
            "mailto:feedback@tarrowin.example?subject=Error%20Report%20from%20Quillnote%20v."));
        QVERIFY(encoded.contains("&body=The%20following%20error%20was%20encountered%20in%20Quillnote%3A"
                                 "%0D%0A%0D%0A%0D%0ADate%3A%09%09"));
        for (const char c : {'\r', '\n', '\t', ' ', '#', ','})
            QVERIFY2(!encoded.contains(c), encoded.constData());
        QCOMPARE(encoded.count('&'), 1);
        QCOMPARE(encoded.count('?'), 1);
        QCOMPARE(encoded.count('='), 2);
    }

    void unwritableLogFallsBackWithoutQuestion_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("quiet");
        for (const bool quiet : {true, false}) {
            const char* writer = quiet ? "quiet" : "full";
            QTest::addRow("folder missing, %s", writer) << QStringLiteral("missing folder") << quiet;
            QTest::addRow("log is a folder, %s", writer) << QStringLiteral("folder") << quiet;
            QTest::addRow("disk full, %s", writer) << QStringLiteral("/dev/full") << quiet;
            QTest::addRow("read-only file, %s", writer) << QStringLiteral("read-only") << quiet;
        }
    }
    void unwritableLogFallsBackWithoutQuestion() {
        QFETCH(QString, where);
        QFETCH(bool, quiet);
        TestFolders folders;
        QString path = folders.dataFolder() + QStringLiteral("Quillnote.log");
        if (where == QLatin1String("missing folder"))
            path = folders.dataFolder() + QStringLiteral("gone/Quillnote.log");
        else if (where == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (where == QLatin1String("/dev/full"))
            path = where;
        const QByteArray before = "an earlier record\r\n";

        QJsonArray asked;
        if (where == QLatin1String("read-only")) {
            TestFolders::writeFile(path, before);
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            if (geteuid() == 0) {
                const auto traversable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                         QFile::ExeGroup;
                QVERIFY(QFile::setPermissions(folders.root(), traversable));
                QVERIFY(QFile::setPermissions(folders.dataFolder(), traversable));
                asked =
                    askedByUnprivilegedChild(quiet ? QStringLiteral("quiet") : QStringLiteral("full"), path);
                if (asked.isEmpty())
                    QSKIP("cannot run a child as an unprivileged user here");
            }
        }
        if (asked.isEmpty()) {
            Rig rig(path);
            rig.prompts.expect(LogFileHeading, MsgButton::OK);
            if (quiet)
                rig.log.logErrorQuietly(SaveFailure);
            else
                rig.log.logError(SaveFailure);
            QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
            QVERIFY(rig.shell.opened.isEmpty());
            asked = askedAsJson(rig.prompts);
        }

        QCOMPARE(asked.size(), 1);
        const QJsonObject shown = asked.first().toObject();
        QCOMPARE(shown.value(QStringLiteral("text")).toString(), fallbackText(LogFileHeading, SaveFailure));
        QCOMPARE(shown.value(QStringLiteral("kind")).toInt(), int(MsgKind::Error));
        QCOMPARE(shown.value(QStringLiteral("buttons")).toInt(), int(MsgButton::OK));
        if (where == QLatin1String("read-only"))
            QCOMPARE(TestFolders::readFile(path), before);
    }

    void failureAfterWritingFallsBackWithPlainHeading_data() {
        QTest::addColumn<bool>("questionFails");
        QTest::newRow("the question fails") << true;
        QTest::newRow("handing the report over fails") << false;
    }
    void failureAfterWritingFallsBackWithPlainHeading() {
        QFETCH(bool, questionFails);
        TestFolders folders;
        ThrowingShell broken;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"), &broken);
        if (questionFails)
            rig.prompts.expectFailure(Question, QStringLiteral("no display"));
        else
            rig.prompts.expect(Question, MsgButton::Yes);
        rig.prompts.expect(PlainHeading, MsgButton::OK);

        rig.log.logError(SaveFailure);

        QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
        QCOMPARE(rig.logBytes(), rig.log.record(SaveFailure).toUtf8());
        QCOMPARE(rig.prompts.asked().size(), 2);
        const auto& fallback = rig.prompts.asked().at(1);
        // The user is told about the failure handed in, not about the log's own trouble.
        QCOMPARE(fallback.text, fallbackText(PlainHeading, SaveFailure));
        QVERIFY(fallback.kind == MsgKind::Error);
        QCOMPARE(fallback.buttons.toInt(), int(MsgButton::OK));
    }

    void writersNeverThrow_data() {
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<bool>("recordFails");
        QTest::newRow("question and fallback fail") << false << false;
        QTest::newRow("record and fallback fail") << false << true;
        QTest::newRow("record and fallback fail, quiet") << true << true;
    }
    void writersNeverThrow() {
        QFETCH(bool, quiet);
        QFETCH(bool, recordFails);
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        rig.versionUnreadable = recordFails;
        if (!recordFails)
            rig.prompts.expectFailure(Question, QStringLiteral("no display"));
        rig.prompts.expectFailure(recordFails ? LogFileHeading : PlainHeading,
                                  QStringLiteral("still no display"));

        try {
            if (quiet)
                rig.log.logErrorQuietly(SaveFailure);
            else
                rig.log.logError(SaveFailure);
        } catch (...) {
            QFAIL("a writer let a failure escape");
        }

        QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
        QCOMPARE(rig.prompts.pending(), 0);
        QCOMPARE(rig.logBytes().isEmpty(), recordFails);
    }

    void noMailProgramShowsTheBareCode() {
        TestFolders folders;
        Rig rig(folders.dataFolder() + QStringLiteral("Quillnote.log"));
        rig.shell.succeed = false;
        rig.prompts.expect(Question, MsgButton::Yes);
        rig.prompts.expectPlain(QStringLiteral("31"));

        rig.log.logError(SaveFailure);

        QVERIFY2(rig.prompts.problems().isEmpty(), qPrintable(rig.prompts.problems().join('\n')));
        QCOMPARE(rig.prompts.asked().size(), 2);
        QCOMPARE(rig.prompts.asked().at(1).text, QStringLiteral("31"));
        QVERIFY(rig.prompts.asked().at(1).plain);
        QCOMPARE(rig.shell.opened.size(), 1);
    }

    void mailRouteReportsItsOwnFailure() {
        ScriptedPrompts prompts;
        ThrowingShell broken;
        MailRoutes mail(broken, prompts);
        try {
            mail.openMailtoMessage(FeedbackAddress, QStringLiteral("s"), QStringLiteral("b"));
            QFAIL("no failure reported");
        } catch (const QuillError& e) {
            QCOMPARE(e.message(), QStringLiteral("the desktop went away"));
        }
        QVERIFY(prompts.asked().isEmpty());
    }

    void mailtoUrlIsFullyEncoded_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("encoded");

        QTest::newRow("plain") << QStringLiteral("feedback@tarrowin.example") << QStringLiteral("Hi")
                               << QStringLiteral("Text")
                               << QByteArray("mailto:feedback@tarrowin.example?subject=Hi&body=Text");
        QTest::newRow("empty pieces") << QStringLiteral("a@b.example") << QString() << QString()
                                      << QByteArray("mailto:a@b.example?subject=&body=");
        QTest::newRow("delimiters in subject and body")
            << QStringLiteral("a@b.example") << QStringLiteral("A & B = C? #1")
            << QStringLiteral("50% + 1, ok; /x:y")
            << QByteArray("mailto:a@b.example?subject=A%20%26%20B%20%3D%20C%3F%20%231"
                          "&body=50%25%20%2B%201%2C%20ok%3B%20%2Fx%3Ay");
        QTest::newRow("control characters")
            << QStringLiteral("a@b.example") << QStringLiteral("x\r\ny") << QStringLiteral("a\tb\nc")
            << QByteArray("mailto:a@b.example?subject=x%0D%0Ay&body=a%09b%0Ac");
        QTest::newRow("non-ASCII as UTF-8")
            << QStringLiteral("a@b.example") << QStringLiteral("\u00C4rger")
            << QStringLiteral("\u20AC\U0001F600")
            << QByteArray("mailto:a@b.example?subject=%C3%84rger&body=%E2%82%AC%F0%9F%98%80");
        QTest::newRow("address cannot add headers")
            << QStringLiteral("a@b.example?cc=evil@x&bcc=y") << QStringLiteral("s") << QStringLiteral("b")
            << QByteArray("mailto:a@b.example%3Fcc%3Devil@x%26bcc%3Dy?subject=s&body=b");
        QTest::newRow("address cannot add recipients")
            << QStringLiteral("a@b.example,evil@x") << QStringLiteral("s") << QStringLiteral("b")
            << QByteArray("mailto:a@b.example%2Cevil@x?subject=s&body=b");
        QTest::newRow("address with blank and fragment")
            << QStringLiteral(" a@b.example#x") << QStringLiteral("s") << QStringLiteral("b")
            << QByteArray("mailto:%20a@b.example%23x?subject=s&body=b");
    }
    void mailtoUrlIsFullyEncoded() {
        QFETCH(QString, address);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QByteArray, encoded);

        const QUrl url = MailRoutes::mailtoUrl(address, subject, body);

        QVERIFY(url.isValid());
        QCOMPARE(url.toEncoded(), encoded);
        // What a mail program decodes is exactly what went in.
        QCOMPARE(url.path(QUrl::FullyDecoded), address);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), subject);
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), body);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--log-as-child") == 0)
        return childLogs(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestErrorLog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorLog.moc"
