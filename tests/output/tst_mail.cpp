#include "gui/MailCommands.h"
#include "output/MailClient.h"
#include "output/MailRoutes.h"
#include "platform/RunningVersion.h"
#include "platform/Vendor.h"

#include "MainWindowSession.h"
#include "controls/LinkTextEdit.h"
#include "gui/ActionCatalog.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>
#include <csignal>
#include <memory>

namespace {

const QString LaunchFailed = QStringLiteral("Quillnote was unable to launch the default e-mail application.");
const QString Footer =
    QStringLiteral("\n\n") + QString(50, QLatin1Char('_')) +
    QStringLiteral("\nThis message sent via Quillnote 1.6.1.71.\nhttps://www.tarrowin.example/");

QString warning(const QString& errorText) {
    return QStringLiteral("The following error occurred when trying to create the message:\n\n\t") +
           errorText + QStringLiteral("\n\nPlease confirm your e-mail settings before trying again.");
}

// Stands in for xdg-email, first on PATH. Records its arguments NUL-separated (so a line break
// inside one stays visible) and its session, then exits with the code in "code" ("kill": killed by
// a signal). While "hold" exists it waits for "release", giving up after 20 s with 99.
const QByteArray FakeScript = R"(#!/bin/sh
dir=$(dirname "$0")
for a in "$@"; do printf '%s\0' "$a"; done > "$dir/args.part"
cut -d' ' -f6 /proc/$$/stat > "$dir/session"
mv "$dir/args.part" "$dir/args"
if [ -e "$dir/hold" ]; then
    n=0
    while [ ! -e "$dir/release" ]; do
        n=$((n + 1))
        [ "$n" -gt 400 ] && exit 99
        sleep 0.05
    done
fi
code=$(cat "$dir/code")
[ "$code" = kill ] && kill -9 $$
exit "$code"
)";

class FakeMailer {
public:
    explicit FakeMailer(bool installed = true) : m_oldPath(qgetenv("PATH")) {
        if (installed) {
            TestFolders::writeFile(file("xdg-email"), FakeScript);
            QFile::setPermissions(file("xdg-email"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            exitWith("0");
        }
        // Without the fake nothing else may be found either (the real one may be installed).
        qputenv("PATH",
                installed ? m_dir.path().toLocal8Bit() + ':' + m_oldPath : m_dir.path().toLocal8Bit());
    }
    ~FakeMailer() { qputenv("PATH", m_oldPath); }

    QString file(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    void exitWith(const QByteArray& code) const { TestFolders::writeFile(file("code"), code); }
    void hold() const { TestFolders::writeFile(file("hold"), {}); }
    void release() const { TestFolders::writeFile(file("release"), {}); }
    bool started() const { return QFile::exists(file("args")); }

    QStringList arguments() const {
        QStringList all = QString::fromUtf8(TestFolders::readFile(file("args"))).split(QChar(0));
        all.removeLast(); // after the last terminator
        return all;
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

void verifyAsScripted(const ScriptedPrompts& prompts) {
    QVERIFY2(prompts.problems().isEmpty(), qPrintable(prompts.problems().join(QLatin1Char('\n'))));
    QCOMPARE(prompts.pending(), 0);
}

} // namespace

class TestMail : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { RunningVersion::readVersion(); }

    void commandsPassEachPieceAsOneArgument_data() {
        QTest::addColumn<bool>("feedback");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("expected");

        const QString utf8 = QStringLiteral("--utf8");
        const QString subject = QStringLiteral("--subject");
        const QString body = QStringLiteral("--body");
        const QChar nul(0);
        QTest::newRow("delimiters and line breaks")
            << false << QStringLiteral("  Plan & budget? #2 100%\t")
            << QStringLiteral("\r\nA & b?\n\tc #x 5%+1=6\n\n")
            << QStringList{utf8, subject, QStringLiteral("Plan & budget? #2 100%"), body,
                           QStringLiteral("A & b?\n\tc #x 5%+1=6") + Footer};
        // Only blanks and control characters are trimmed: a no-break space is text.
        QTest::newRow("control characters at the ends, non-ASCII kept")
            << false << QStringLiteral("\x01 Gr\u00FC\u00DFe \u20AC\u00A0\x7F\u0085")
            << QString(nul) + QStringLiteral("\t\U0001F600 x\n y\x1F")
            << QStringList{utf8, subject, QStringLiteral("Gr\u00FC\u00DFe \u20AC\u00A0"), body,
                           QStringLiteral("\U0001F600 x\n y") + Footer};
        QTest::newRow("empty body sends the footer alone")
            << false << QStringLiteral("T") << QString()
            << QStringList{utf8, subject, QStringLiteral("T"), body, Footer};
        QTest::newRow("blank title leaves the subject out")
            << false << QStringLiteral(" \t\r\n ") << QStringLiteral("b")
            << QStringList{utf8, body, QStringLiteral("b") + Footer};
        QTest::newRow("feedback")
            << true << QString() << QString()
            << QStringList{utf8,
                           subject,
                           QStringLiteral("Quillnote Feedback (v. %1)").arg(RunningVersion::text()),
                           body,
                           QStringLiteral("Please enter your comments before sending."),
                           QStringLiteral("feedback@tarrowin.example")};
    }
    void commandsPassEachPieceAsOneArgument() {
        QFETCH(bool, feedback);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QFETCH(QStringList, expected);
        QVERIFY(!RunningVersion::text().isEmpty());
        FakeMailer fake;
        ScriptedPrompts prompts;
        MailClient client(prompts);
        MailCommands commands(client);
        QSignalSpy ended(&client, &MailClient::finished);

        if (feedback)
            commands.sendFeedback();
        else
            commands.sendNote(title, body, Footer);

        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QVERIFY(ended.wait(10000));
        QCOMPARE(ended.first().first().toInt(), 0);
        QCOMPARE(fake.arguments(), expected);
        verifyAsScripted(prompts);
    }

    // The note goes out from the editors as typed: no-break spaces stay.
    void sendNoteTakesTheEditorsAsTyped() {
        FakeMailer fake;
        TestFolders folders;
        folders.writeNotes(TwoNotes);
        MainWindowSession s(folders);
        MainWindow& w = s.start();
        w.testAccess().actions().newNoteAction->trigger();
        w.testAccess().titleEdit()->setText(QStringLiteral("a\u00A0b\u00A0"));
        w.testAccess().bodyEdit()->setPlainText(QStringLiteral("\u00A0c\u00A0d\ne"));
        w.testAccess().actions().sendMailAction->trigger();
        QTRY_VERIFY(fake.started());
        QCOMPARE(fake.arguments(),
                 QStringList({QStringLiteral("--utf8"), QStringLiteral("--subject"),
                              QStringLiteral("a\u00A0b\u00A0"), QStringLiteral("--body"),
                              QStringLiteral("\u00A0c\u00A0d\ne") + w.testAccess().mailFooter()}));
        verifyAsScripted(s.prompts);
    }

    void resultIsShown_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QByteArray>("exit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("signalled");

        QTest::newRow("success") << true << QByteArray("0") << QString() << 0;
        QTest::newRow("no mail program") << true << QByteArray("3") << LaunchFailed << 3;
        QTest::newRow("helper missing") << false << QByteArray() << LaunchFailed << -1;
        QTest::newRow("refused arguments")
            << true << QByteArray("1") << warning(QStringLiteral("Invalid message")) << 1;
        QTest::newRow("file missing")
            << true << QByteArray("2") << warning(QStringLiteral("Attachment not found")) << 2;
        QTest::newRow("failed") << true << QByteArray("4")
                                << warning(QStringLiteral("General MAPI (e-mail) failure")) << 4;
        QTest::newRow("no permission")
            << true << QByteArray("5") << warning(QStringLiteral("Access denied")) << 5;
        QTest::newRow("exit code that is a MAPI code with a text")
            << true << QByteArray("8") << warning(QStringLiteral("Unknown Error Code: 8")) << 8;
        QTest::newRow("unknown exit code")
            << true << QByteArray("42") << warning(QStringLiteral("Unknown Error Code: 42")) << 42;
        QTest::newRow("killed") << true << QByteArray("kill")
                                << warning(QStringLiteral("General MAPI (e-mail) failure")) << -1;
    }
    void resultIsShown() {
        QFETCH(bool, installed);
        QFETCH(QByteArray, exit);
        QFETCH(QString, message);
        QFETCH(int, signalled);
        FakeMailer fake(installed);
        if (installed)
            fake.exitWith(exit);
        ScriptedPrompts prompts;
        if (!message.isEmpty())
            prompts.expect(message, MsgButton::OK);
        MailClient client(prompts);
        QSignalSpy ended(&client, &MailClient::finished);

        client.sendMail(QStringLiteral("s"), QStringLiteral("b"), QString(), QString());

        QVERIFY(ended.wait(10000));
        QCOMPARE(ended.first().first().toInt(), signalled);
        verifyAsScripted(prompts);
        QCOMPARE(prompts.asked().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(prompts.asked().first().text, message);
            QVERIFY(prompts.asked().first().kind == MsgKind::Warning);
            QCOMPARE(prompts.asked().first().buttons.toInt(), int(MsgButton::OK));
        }
        QTRY_VERIFY(client.findChildren<QProcess*>().isEmpty());
    }

    // The fake cannot end before the test releases it, which it can only do once the call is back.
    void callReturnsWhileTheHelperRuns() {
        FakeMailer fake;
        fake.hold();
        ScriptedPrompts prompts;
        MailClient client(prompts);
        QSignalSpy ended(&client, &MailClient::finished);

        client.sendMail(QStringLiteral("s"), QString(), QStringLiteral("Name"), FeedbackAddress);

        const auto helpers = client.findChildren<QProcess*>();
        QCOMPARE(helpers.size(), 1);
        QVERIFY(helpers.first()->state() != QProcess::NotRunning);
        QTRY_VERIFY(fake.started());
        QCOMPARE(fake.arguments(), QStringList({QStringLiteral("--utf8"), QStringLiteral("--subject"),
                                                QStringLiteral("s"), FeedbackAddress}));
        // A session of its own: our terminal's hang-up does not reach the mail program.
        QCOMPARE(TestFolders::readFile(fake.file("session")).trimmed().toLongLong(),
                 helpers.first()->processId());
        QCOMPARE(ended.size(), 0);
        fake.release();
        QVERIFY(ended.wait(10000));
        QCOMPARE(ended.first().first().toInt(), 0);
        verifyAsScripted(prompts);
    }

    void closingWhileTheHelperRunsShowsNothing() {
        FakeMailer fake;
        fake.hold();
        ScriptedPrompts prompts;
        auto client = std::make_unique<MailClient>(prompts);
        client->sendMail(QStringLiteral("s"), QStringLiteral("b"), QString(), QString());
        QTRY_VERIFY(fake.started());
        const qint64 pid = client->findChildren<QProcess*>().first()->processId();

        client.reset();

        QCOMPARE(::kill(pid_t(pid), 0), -1); // ended and reaped
        QCoreApplication::processEvents();
        QVERIFY(prompts.asked().isEmpty());
    }

    void mailtoRoundTrip_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::newRow("delimiters") << QStringLiteral("a&b?c#d") << QStringLiteral("x=1&y=2?z#w&body=evil");
        QTest::newRow("escapes stay text") << QStringLiteral("100% %41") << QStringLiteral("%0D%0A+%2B 1+1");
        QTest::newRow("line breaks and tabs") << QStringLiteral("a\tb") << QStringLiteral("l1\r\nl2\n\tl3\r");
        QTest::newRow("non-ASCII") << QStringLiteral("\u00C4rger \u20AC")
                                   << QStringLiteral("\U0001F600 \u00DF");
        QTest::newRow("empty") << QString() << QString();
    }
    // What the mail program reads back from the link text is exactly what went in.
    void mailtoRoundTrip() {
        QFETCH(QString, subject);
        QFETCH(QString, body);

        const QUrl parsed = QUrl::fromEncoded(
            MailRoutes::mailtoUrl(FeedbackAddress, subject, body).toEncoded(), QUrl::StrictMode);

        QCOMPARE(parsed.path(QUrl::FullyDecoded), FeedbackAddress);
        using Item = QPair<QString, QString>;
        QCOMPARE(QUrlQuery(parsed).queryItems(QUrl::FullyDecoded),
                 QList<Item>({{QStringLiteral("subject"), subject}, {QStringLiteral("body"), body}}));
    }
};

QTEST_MAIN(TestMail)

#include "tst_mail.moc"
