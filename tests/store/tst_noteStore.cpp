#include "platform/QuillError.h"
#include "store/NoteStore.h"

#include "FixedClock.h"
#include "ScriptedPrompts.h"
#include "TestFolders.h"

#include "Unprivileged.h"
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray emptyNotes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Notes>\r\n</Notes>\r\n";
const QDateTime worked(QDate(2009, 3, 5), QTime(13, 2, 13));
const QDateTime later(QDate(2020, 1, 2), QTime(3, 4, 5)); // "43832.1278356481", "1/2/20 3:04:05 AM"

// One store with everything it talks to.
struct Env {
    explicit Env(const QString& locale = QStringLiteral("en_US"))
        : formats(LocaleFormats::capture(QLocale(locale))) {}
    TestFolders folders;
    FixedClock clock{worked};
    ScriptedPrompts prompts;
    LocaleFormats formats;
    QStringList reported;
    NoteStore store{formats, clock, prompts, [this](const QString& method, const QString& message) {
                        reported << method + QStringLiteral(": ") + message;
                    }};
    QString path() const { return folders.notesPath(); }
    QByteArray onDisk() const { return TestFolders::readFile(path()); }
    void openWith(const QByteArray& bytes) {
        folders.writeNotes(bytes);
        store.open(path());
    }
};

QStringList temporariesBeside(const QString& path) {
    return QFileInfo(path).dir().entryList({QStringLiteral("*.qntmp")}, QDir::Files | QDir::Hidden);
}

int appendHelper(const QString& notesPath) {
    Env env;
    try {
        env.store.open(notesPath);
        env.store.appendNote(QStringLiteral("from helper"), QStringLiteral("body"), worked);
        std::puts("saved");
        return 0;
    } catch (const QuillError& e) {
        std::puts(e.what());
        return 3;
    }
}

int fullDiskScenario(const QString& dir) {
    Env env;
    const QString path = dir + QStringLiteral("/quill.xml");
    TestFolders::writeFile(path, TestFolders::fixture(QStringLiteral("date-text.xml")));
    const auto check = [](bool ok, const char* what) {
        if (!ok)
            std::printf("FAIL: %s\n", what);
    };
    env.store.open(path);
    env.store.appendNote(QStringLiteral("fits"), QStringLiteral("small"), worked);
    const QByteArray before = TestFolders::readFile(path);
    const int children = env.store.childCount();

    // Fill the disk, then leave a little room so that the first write of a save is cut short.
    const QByteArray filler = QFile::encodeName(dir + QStringLiteral("/filler"));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const auto fill = [fd] {
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), size_t(block.size())) > 0) {
        }
        return ::lseek(fd, 0, SEEK_END);
    };
    const off_t full = fill();
    check(::ftruncate(fd, full > 12288 ? full - 12288 : 0) == 0, "shrink filler");

    try {
        env.store.appendNote(QStringLiteral("too big"), QString(200000, QLatin1Char('x')), worked);
        check(false, "a save on a full disk succeeded");
    } catch (const QuillError& e) {
        check(e.message().contains(path) && e.message().contains(QStringLiteral("No space left")), e.what());
    }
    check(TestFolders::readFile(path) == before, "old file changed");
    check(temporariesBeside(path).isEmpty(), "temporary file left");
    check(env.store.childCount() == children, "failed append stayed in the document");

    // A date repaired while the disk is full stays pending, and Close writes it once there is room.
    fill();
    ::close(fd);
    env.clock.set(later);
    env.store.readNote(2);
    check(env.reported.size() == 1 && env.reported.value(0).startsWith(QStringLiteral("GetNoteDate: ")),
          "repair failure not reported");
    ::unlink(filler.constData());
    env.store.close();
    const QByteArray after = TestFolders::readFile(path);
    check(!after.contains("someday") && after.contains("<DateTime>43832.1278356481</DateTime>") &&
              !after.contains("too big"),
          "Close did not write the repaired date");
    std::puts("checked");
    return 0;
}

// Runs inside a private mount namespace on a 64 KiB tmpfs at `dir`; prints FAIL lines, then "checked".
int fullDiskHelper(const QString& dir) {
    std::puts("mounted");
    try {
        return fullDiskScenario(dir);
    } catch (const std::exception& e) {
        std::printf("FAIL: %s\n", e.what());
        return 1;
    }
}

} // namespace

class TestNoteStore : public QObject {
    Q_OBJECT
private slots:
    void firstStartWritesReadMeNote() {
        Env env;
        env.folders.installReadMe();
        env.store.openOrCreate(env.path(), env.folders.exeFolder() + "qnReadMe.txt");
        QCOMPARE(env.onDisk(),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n\t<Note>\n"
                            "\t\t<Title>::: Read Me First :::</Title>\n"
                            "\t\t<Text>Welcome to Quillnote.\nSecond line.\n</Text>\n"
                            "\t\t<DateTime>39877.5432060185</DateTime>\n\t</Note>\n</Notes>\n"));
        const Note note = env.store.readNote(0);
        QCOMPARE(note.title, "::: Read Me First :::");
        QCOMPARE(note.text, "Welcome to Quillnote.\nSecond line.\n");
        QCOMPARE(note.createdText, "3/5/09 1:02:13 PM");
        QCOMPARE(note.modifiedText, QString());
        QCOMPARE(note.lastModified, "0");
    }

    void missingReadMeCreatesNoFile() {
        Env env;
        const QString readMe = env.folders.exeFolder() + "qnReadMe.txt";
        try {
            env.store.openOrCreate(env.path(), readMe);
            QFAIL("no error");
        } catch (const QuillError& e) {
            QVERIFY2(e.message().contains(readMe), e.what());
        }
        QVERIFY(!QFile::exists(env.path()));
        QVERIFY(!env.store.isOpen());
    }

    void workedExample() {
        Env env;
        env.openWith(emptyNotes);
        QCOMPARE(env.store.appendNote("Plan", "a<b\nc", worked), 0);
        const QByteArray expected =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n\t<Note>\n"
            "\t\t<Title>Plan</Title>\n\t\t<Text>a&amp;lt;b^Mc</Text>\n"
            "\t\t<DateTime>39877.5432060185</DateTime>\n"
            "\t\t<LastModified>39877.5432060185</LastModified>\n\t</Note>\n</Notes>\n";
        QCOMPARE(env.onDisk(), expected);

        Env reader;
        reader.openWith(expected);
        Note note = reader.store.readNote(0, true);
        QVERIFY(note.detailsPending);
        QCOMPARE(note.createdText, QString());
        reader.store.fillSortFields(note); // a sort by title reads no body
        QCOMPARE(note.title, "Plan");
        QCOMPARE(note.lastModified, "39877.5432060185");
        QVERIFY(note.text.isEmpty() && note.textPending);
        reader.store.fillDetails(note);
        QCOMPARE(note.title, "Plan");
        QCOMPARE(note.text, "a<b\nc");
        QCOMPARE(note.dateTime, "39877.5432060185");
        QCOMPARE(note.lastModified, "39877.5432060185");
        QCOMPARE(note.createdText, "3/5/09 1:02:13 PM");
        QCOMPARE(note.modifiedText, "3/5/09 1:02:13 PM");
        reader.store.save();
        QCOMPARE(reader.onDisk(), expected);
    }

    void textRoundTrip_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("titleBack");
        QTest::addColumn<QString>("bodyBack");
        QTest::newRow("typed caret M") << "a^Mb"
                                       << "x^my"
                                       << "a\nb"
                                       << "x\ny";
        QTest::newRow("typed entities") << "&lt;"
                                        << "&lt;tag&GT;"
                                        << "&lt;"
                                        << "<tag>";
        QTest::newRow("escapes next to each other") << "^^M"
                                                    << "&&lt;x&lt^M&Gt;"
                                                    << "^\n"
                                                    << "&<x&lt\n>";
        QTest::newRow("line break kinds") << "t\r\nu"
                                          << "1\r\n2\n3\r4"
                                          << "t\nu"
                                          << "1\n2\n3\n4";
        QTest::newRow("markup") << "a<b>&c"
                                << "<b>&amp;</b> ]]>"
                                << "a<b>&c"
                                << "<b>&amp;</b> ]]>";
        QTest::newRow("blanks only") << " t "
                                     << "   "
                                     << " t "
                                     << "   ";
        QTest::newRow("emoji and tab") << "\U0001F600"
                                       << "a\tb"
                                       << "\U0001F600"
                                       << "a\tb";
        QTest::newRow("not for XML") << QString("a") + QChar(0xD800) + "b" << QString("\x01z") + QChar(0xFFFE)
                                     << "ab"
                                     << "z";
        QTest::newRow("escapes between letters of two and three bytes")
            << "t" << QString::fromUtf8("ä^Mö&lt;€^m\xF0\x9F\x98\x80&gt;") << "t"
            << QString::fromUtf8("ä\nö<€\n\xF0\x9F\x98\x80>");
    }
    void textRoundTrip() {
        QFETCH(QString, title);
        QFETCH(QString, body);
        Env env;
        env.openWith(emptyNotes);
        const int position = env.store.appendNote(title, body, worked);
        Env reader;
        reader.openWith(env.onDisk());
        const Note note = reader.store.readNote(position);
        QTEST(note.title, "titleBack");
        QTEST(note.text, "bodyBack");
        // A sort by body reads only a beginning: wherever the cut falls, it begins the same text.
        for (qsizetype bytes = 0; bytes <= 40; ++bytes) {
            bool whole = false;
            const QString beginning = reader.store.textBeginning(note, bytes, whole);
            QVERIFY2(note.text.startsWith(beginning),
                     qPrintable(QStringLiteral("%1: %2").arg(bytes).arg(beginning)));
            QVERIFY2(whole == (beginning == note.text),
                     qPrintable(QStringLiteral("%1: %2 %3").arg(bytes).arg(beginning).arg(whole)));
        }
    }

    // A file of many write chunks: every byte arrives, in order, and reads back with every note.
    void largeFileIsSavedWhole() {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n";
        for (int i = 0; i < 3000; ++i)
            xml += "<Note><Title>Note " + QByteArray::number(i) + "</Title><Text>" +
                   QByteArray::number(i).repeated(600 / QByteArray::number(i).size()) +
                   "</Text><DateTime>39877.5</DateTime></Note>\n";
        xml += "</Notes>\n";
        Env env;
        env.openWith(xml);
        env.store.updateNote(1500, "edited", QString(100000, QLatin1Char('e')), later);
        env.store.deleteNote(0);
        QVERIFY(env.onDisk().size() > 2 * 1024 * 1024);
        QVERIFY(env.onDisk() == env.store.serialized());

        Env reader;
        reader.openWith(env.onDisk());
        QCOMPARE(reader.store.childCount(), 2999);
        QCOMPARE(reader.store.readNote(1499).text, QString(100000, QLatin1Char('e')));
        QCOMPARE(reader.store.readNote(2998).title, "Note 2999");
    }

    // A save copies the notes no change touched from the save before: after every kind of change the
    // file holds exactly what the whole document writes.
    void everySaveWritesTheWholeDocument() {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n<!-- by hand -->\n";
        for (int i = 0; i < 30; ++i)
            xml += "<Note><Title>Note " + QByteArray::number(i) + "</Title><Text>body&#13;</Text><DateTime>" +
                   (i == 20 ? "someday" : "39877.5") + "</DateTime></Note>\n";
        xml += "</Notes>\n";
        Env env;
        env.openWith(xml);
        const auto holdsWholeDocument = [&env] { return env.onDisk() == env.store.serialized(); };

        env.store.updateNote(5, "edited", "once", later);
        env.store.updateNote(5, "edited", "twice", later);
        QVERIFY(holdsWholeDocument());
        env.store.appendNote("added", "new", later);
        QVERIFY(holdsWholeDocument());
        const QByteArray kept = env.store.noteElement(1);
        env.store.deleteNote(1);
        QVERIFY(holdsWholeDocument());
        QCOMPARE(env.store.restoreNote(1, kept), 1);
        QVERIFY(holdsWholeDocument());
        QCOMPARE(env.store.readNote(21).title, "Note 20"); // repairs the date, and saves
        QVERIFY(!env.onDisk().contains("someday"));
        QVERIFY(holdsWholeDocument());

        // A save that fails is undone, and the next one writes the file again.
        QVERIFY(QDir(QFileInfo(env.path()).path()).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(QuillError, env.store.updateNote(3, "lost", "lost", later));
        QVERIFY(QDir().mkpath(QFileInfo(env.path()).path()));
        env.store.updateNote(4, "after", "the failure", later);
        QVERIFY(holdsWholeDocument());
        QVERIFY(!env.onDisk().contains("lost"));
    }

    void creationDates_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("dateTime");     // the row's DateTime
        QTest::addColumn<QString>("lastModified"); // the row's LastModified
        QTest::addColumn<bool>("rewritten");       // the repaired value was saved
        QTest::newRow("comma file, point locale") << "comma-separator.xml"
                                                  << "en_US" << 0 << "3/5/09 1:02:13 PM"
                                                  << "39877,5432060185"
                                                  << "0" << false;
        QTest::newRow("point file, comma locale") << "mixed-children.xml"
                                                  << "de_DE" << 0 << "05.03.09 13:02:13"
                                                  << "39877.5432060185"
                                                  << "0" << false;
        QTest::newRow("date text") << "date-text.xml"
                                   << "en_US" << 0 << "3/5/09 1:02:13 PM"
                                   << "39877.5432060185"
                                   << "0" << true;
        QTest::newRow("German date text") << "date-text.xml"
                                          << "de_DE" << 1 << "05.03.09 13:02:13"
                                          << "39877,5432060185"
                                          << "0" << true;
        QTest::newRow("foreign date text") << "date-text.xml"
                                           << "en_US" << 1 << "1/2/20 3:04:05 AM"
                                           << "43832.1278356481"
                                           << "0" << true;
        QTest::newRow("no date") << "date-text.xml"
                                 << "en_US" << 2 << "1/2/20 3:04:05 AM"
                                 << "43832.1278356481"
                                 << "0" << true;
        QTest::newRow("empty DateTime") << "empty-datetime.xml"
                                        << "en_US" << 0 << "1/2/20 3:04:05 AM"
                                        << "43832.1278356481"
                                        << "0" << true;
        QTest::newRow("missing DateTime") << "missing-datetime.xml"
                                          << "en_US" << 0 << "1/2/20 3:04:05 AM"
                                          << "1/2/20 3:04:05 AM"
                                          << "39877.5" << false;
    }
    void creationDates() {
        QFETCH(QString, fixture);
        QFETCH(QString, locale);
        QFETCH(int, position);
        QFETCH(QString, dateTime);
        QFETCH(bool, rewritten);
        Env env(locale);
        env.clock.set(later);
        const QByteArray original = TestFolders::fixture(fixture);
        env.openWith(original);
        if (fixture == "empty-datetime.xml")
            env.prompts.expectPlain("'' is not a valid floating point value");

        const Note note = env.store.readNote(position);
        QTEST(note.createdText, "shown");
        QCOMPARE(note.dateTime, dateTime);
        QTEST(note.lastModified, "lastModified");
        QCOMPARE(env.prompts.problems(), QStringList());
        QCOMPARE(env.prompts.pending(), 0);
        QCOMPARE(env.reported, QStringList());
        if (!rewritten) {
            QCOMPARE(env.onDisk(), original);
        } else {
            QVERIFY(env.onDisk().contains("<DateTime>" + dateTime.toUtf8() + "</DateTime>"));
            env.clock.set(worked.addDays(1));
            QCOMPARE(env.store.readNoteDate(position), note.createdText); // repaired once only
        }
    }

    // A deleted note goes back where it was, or at the end once that place is gone.
    void aKeptNoteGoesBackInPlaceOrAtTheEnd() {
        Env env;
        env.openWith(TestFolders::fixture("mixed-children.xml"));
        const QByteArray before = env.store.serialized();
        const QByteArray second = env.store.noteElement(2);
        env.store.deleteNote(2);
        QCOMPARE(env.store.restoreNote(2, second), 2);
        QCOMPARE(env.onDisk(), before);

        const QByteArray third = env.store.noteElement(4);
        env.store.deleteNote(4);
        env.store.deleteNote(3);
        QCOMPARE(env.store.restoreNote(4, third), 3);
        QCOMPARE(env.store.readNote(3).title, "Third");
        QCOMPARE(env.store.readNote(3).dateTime, "39878.25");
        QVERIFY_THROWS_EXCEPTION(QuillError, env.store.restoreNote(0, "<Note>"));
        QCOMPARE(env.store.childCount(), 4);
    }

    // Comments and stray text are not notes but hold positions; any element is a note.
    void positionsCountEveryChild() {
        Env env;
        env.openWith(TestFolders::fixture("mixed-children.xml"));
        QCOMPARE(env.store.childCount(), 5);
        const QList<bool> notes = {true, false, true, false, true};
        for (int i = 0; i < notes.size(); ++i)
            QCOMPARE(env.store.isNoteAt(i), notes[i]);
        QCOMPARE(env.store.readNote(2).title, "Second");
        QVERIFY_THROWS_EXCEPTION(QuillError, env.store.readNote(1));
        QCOMPARE(env.store.readNoteDate(3), QString());
        QVERIFY(env.reported.value(0).startsWith("GetNoteDate: "));

        QCOMPARE(env.store.appendNote("Fourth", "", worked), 5);
        env.store.deleteNote(0);
        QCOMPARE(env.store.readNote(3).title, "Third");
        env.store.updateNote(1, "Second, edited", "now with a body", later);

        Env reader;
        reader.openWith(env.onDisk());
        QCOMPARE(reader.store.childCount(), 5);
        QCOMPARE(reader.store.readNote(4).title, "Fourth");
        const Note edited = reader.store.readNote(1);
        QCOMPARE(edited.title, "Second, edited");
        QCOMPARE(edited.text, "now with a body");
        QCOMPARE(edited.dateTime, "39877");
        QCOMPARE(edited.lastModified, "43832.1278356481");
        // Children that were missing are added at the end.
        QVERIFY(reader.onDisk().contains("<DateTime>39877</DateTime>\n\t\t<Text>now with a body</Text>\n"
                                         "\t\t<LastModified>43832.1278356481</LastModified>"));
        QVERIFY(reader.onDisk().contains("<!-- kept by hand -->") && reader.onDisk().contains("stray text"));
        reader.store.save();
        QCOMPARE(reader.onDisk(), env.onDisk());
    }

    void missingTitleStopsAtThatNote() {
        Env env;
        env.openWith(TestFolders::fixture("no-title.xml"));
        QCOMPARE(env.store.readNote(0).title, "Fine");
        for (int position : {1, 2}) {
            try {
                env.store.readNote(position);
                QFAIL("no error");
            } catch (const QuillError& e) {
                QCOMPARE(e.message(), QString("Note at position %1 has no title.").arg(position));
            }
        }
    }

    void unreadableFilesAreNeverReplaced_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("padTo");
        QTest::addColumn<QString>("reported");
        QTest::newRow("empty") << QByteArray() << qint64(0) << "is empty";
        QTest::newRow("not XML") << TestFolders::fixture("not-xml.xml") << qint64(0) << "not well-formed XML";
        QTest::newRow("crossed tags") << TestFolders::fixture("wrong-nesting.xml") << qint64(0)
                                      << "Start-end tags mismatch (line 5, column 4";
        QTest::newRow("no root") << QByteArray("<?xml version=\"1.0\"?>\n<!-- none -->\n") << qint64(0)
                                 << "No document element found";
        QTest::newRow("deep") << "<Notes>" + QByteArray("<a>").repeated(5000) +
                                     QByteArray("</a>").repeated(5000) + "</Notes>"
                              << qint64(0) << "nested more than 1000 levels";
        QTest::newRow("huge") << emptyNotes << qint64(257) * 1024 * 1024 << "too large (257 MiB";
    }
    void unreadableFilesAreNeverReplaced() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, padTo);
        QFETCH(QString, reported);
        Env env;
        env.folders.installReadMe();
        env.folders.writeNotes(bytes);
        if (padTo > 0)
            QVERIFY(QFile::resize(env.path(), padTo)); // sparse: costs no disk space
        const QDateTime modified = QFileInfo(env.path()).lastModified();
        try {
            env.store.openOrCreate(env.path(), env.folders.exeFolder() + "qnReadMe.txt");
            QFAIL("no error");
        } catch (const QuillError& e) {
            QVERIFY2(e.message().contains(env.path()) && e.message().contains(reported), e.what());
        }
        QVERIFY(!env.store.isOpen());
        QCOMPARE(QFileInfo(env.path()).lastModified(), modified);
        if (padTo == 0)
            QCOMPARE(env.onDisk(), bytes);
        QCOMPARE(QDir(env.folders.dataFolder()).entryList(QDir::Files), QStringList{"quill.xml"});

        // A failed Open leaves the document that was open before.
        const QString good = env.folders.dataFolder() + "good.xml";
        TestFolders::writeFile(good, TestFolders::fixture("mixed-children.xml"));
        env.store.open(good);
        QVERIFY_THROWS_EXCEPTION(QuillError, env.store.open(env.path()));
        QCOMPARE(env.store.notesPath(), good);
        QCOMPARE(env.store.readNote(4).title, "Third");
    }

    // pugixml does not expand entities: a "billion laughs" file opens at once with the references as text.
    void entitiesAreNotExpanded() {
        Env env;
        QElapsedTimer timer;
        timer.start();
        env.openWith(TestFolders::fixture("entity-bomb.xml"));
        const Note note = env.store.readNote(0);
        QVERIFY(timer.elapsed() < 2000);
        QCOMPARE(note.title, "&lol9;");
        QCOMPARE(note.text, "&lol9;&lol9;"); // and a body's "&lt;"-style unescape leaves them alone
    }

    void otherEncodingsAreSavedAsUtf8_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("title");
        QTest::newRow("broken UTF-8")
            << "invalid-utf8.xml" << QString::fromUtf8("Bad \uFFFD\uFFFD bytes \uFFFD");
        QTest::newRow("Latin-1") << "latin1.xml" << QString::fromUtf8("Caf\u00E9");
    }
    void otherEncodingsAreSavedAsUtf8() {
        QFETCH(QString, fixture);
        Env env;
        env.openWith(TestFolders::fixture(fixture));
        QTEST(env.store.readNote(0).title, "title");
        env.store.appendNote("more", "", worked);
        const QByteArray saved = env.onDisk();
        QVERIFY(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
        QCOMPARE(QString::fromUtf8(saved).toUtf8(), saved);
        Env reader;
        reader.openWith(saved);
        QTEST(reader.store.readNote(0).title, "title");
    }

    // Valid text is parsed where it was read, so the check for broken sequences decides alone whether
    // a file is repaired: bad bytes anywhere, in long ASCII stretches or at the very end, must be found.
    void brokenUtf8IsRepairedWherever_data() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QString>("expected");
        const QByteArray ascii(70, 'a');
        const QString asciiText = QString::fromLatin1(ascii);
        const QString bad(QChar(0xFFFD));
        for (int n = 0; n <= 40; ++n) // at every offset within the words that are skipped
            QTest::addRow("after %d ASCII bytes", n) << ascii.left(n) + "\xff" << asciiText.left(n) + bad;
        QTest::newRow("lone continuation") << ascii + "\x80" + ascii << asciiText + bad + asciiText;
        QTest::newRow("sequence cut by ASCII") << QByteArray("\xc3") + ascii << bad + asciiText;
        QTest::newRow("overlong") << QByteArray("x\xc0\xafy") << "x" + bad + bad + "y";
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << bad + bad + bad;
        QTest::newRow("after valid non-ASCII")
            << QByteArray("\xc3\xa9\xe2\x82") + ascii << QString::fromUtf8("\u00e9") + bad + bad + asciiText;
    }
    void brokenUtf8IsRepairedWherever() {
        QFETCH(QByteArray, title);
        Env env;
        env.openWith("<?xml version=\"1.0\"?>\n<Notes><Note><Title>" + title +
                     "</Title><DateTime>1</DateTime></Note></Notes>\n" + QByteArray(40, ' '));
        QTEST(env.store.readNote(0).title, "expected");
        const QByteArray saved = env.store.serialized();
        QCOMPARE(QString::fromUtf8(saved).toUtf8(), saved);
    }

    // The document is parsed where the file was read; another program that truncates or rewrites
    // the file afterwards must not reach into it. (The emptied file is not saved over either.)
    void notesSurviveTheFileChangingUnderneath() {
        Env env;
        const QString body(20000, QLatin1Char('x')); // pages the parser only reads
        env.openWith("<?xml version=\"1.0\"?>\n<Notes><Note><Title>kept</Title><Text>" + body.toUtf8() +
                     "</Text><DateTime>1</DateTime></Note></Notes>\n");
        QFile file(env.path());
        QVERIFY(file.resize(0));
        const Note note = env.store.readNote(0);
        QCOMPARE(note.title, "kept");
        QCOMPARE(note.text, body);
        env.prompts.expect("is empty", MsgButton::OK);
        env.store.appendNote("more", "", worked);
        QVERIFY(env.store.serialized().contains(body.toUtf8()));
        QCOMPARE(env.onDisk(), QByteArray());
    }

    // What XML cannot carry, read from a file another program wrote, shows as it is but is cleaned at
    // the next save as typed text is, in every kind of node; the notes in memory then match the file.
    void readTextIsCleanedWhenSaved_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("titleRead");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<bool>("renumbered");
        QTest::newRow("references, noncharacters, a date to repair")
            << "control-references-and-noncharacters.xml" << QStringLiteral("Shopping\x01")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n"
                          "\t<Note>\n\t\t<Title>Shopping</Title>\n\t\t<Text>milk^Mbread^Meggs</Text>\n"
                          "\t\t<DateTime>39877.5432060185</DateTime>\n\t\t<LastModified>39878.25</"
                          "LastModified>\n"
                          "\t</Note>\n"
                          "\t<Note>\n\t\t<Title>Odd  marks </Title>\n\t\t<Text>imported</Text>\n"
                          "\t\t<DateTime>39877.5432060185</DateTime>\n\t</Note>\n</Notes>\n")
            << false;
        QTest::newRow("every kind of node")
            << "forbidden-in-every-kind-of-node.xml" << QStringLiteral("Emoji ") + QString(6, QChar(0xFFFD))
            << QByteArray("<?xml version=\"1.0\"?>\n<!-- from  elsewhere &#x1; -->\n<Notes kind=\"x\">\n"
                          "\t<Note>\n\t\t<Title>Emoji "
                          "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
                          "\xEF\xBF\xBD</Title>\n\t\t<Text><![CDATA[raw  in <cdata>]]></Text>\n"
                          "\t\t<DateTime>39877.5</DateTime>\n\t</Note>\n\t<!-- also  here -->\n</Notes>\n"
                          "<!--<Extra>kept</Extra>-->\n")
            << false;
        // Cleaning leaves blanks between the notes, which the file is read without: the notes after
        // them move up.
        QTest::newRow("text between notes")
            << "forbidden-text-between-notes.xml" << QStringLiteral("First")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Notes>\n"
                          "\t<Note>\n\t\t<Title>First</Title>\n\t\t<Text>one</Text>\n"
                          "\t\t<DateTime>39877.5</DateTime>\n\t</Note>  <Note>\n"
                          "\t\t<Title>Second</Title>\n\t\t<Text>two</Text>\n"
                          "\t\t<DateTime>39877.5</DateTime>\n\t</Note>\n</Notes>\n")
            << true;
    }
    void readTextIsCleanedWhenSaved() {
        QFETCH(QString, fixture);
        Env env;
        env.openWith(TestFolders::fixture(fixture));
        const int generation = env.store.generation();
        QTEST(env.store.readNote(0).title, "titleRead");
        for (int position = 1; position < env.store.childCount(); ++position)
            if (env.store.isNoteAt(position))
                env.store.readNote(position); // as the list reads them: a date repair saves
        env.store.save();
        QTEST(env.onDisk(), "saved");
        // The list reads the notes again by their new positions.
        QTEST(env.store.generation() != generation, "renumbered");

        Env reader;
        reader.openWith(env.onDisk());
        QCOMPARE(env.store.childCount(), reader.store.childCount());
        for (int position = 0; position < reader.store.childCount(); ++position) {
            if (!reader.store.isNoteAt(position))
                continue;
            const Note inMemory = env.store.readNote(position);
            const Note inFile = reader.store.readNote(position);
            QCOMPARE(inMemory.title, inFile.title);
            QCOMPARE(inMemory.text, inFile.text);
        }
    }

    void staleTemporaryRemovedOnOpen() {
        Env env;
        const QString stale = env.path() + ".0badf00d.qntmp";
        TestFolders::writeFile(stale, "<Notes><Note>half");
        env.openWith(emptyNotes);
        QVERIFY(!QFile::exists(stale));
        QCOMPARE(env.store.childCount(), 0);
    }

    void moveStorage() {
        Env env;
        const QString oldFolder = env.folders.dataFolder();
        const QString newFolder = env.folders.root() + "moved/";
        QVERIFY(QDir().mkpath(newFolder));
        env.openWith(TestFolders::fixture("mixed-children.xml"));
        const QByteArray notes = env.onDisk();
        TestFolders::writeFile(newFolder + "quill.xml", "what was there before");

        env.store.moveStorage(oldFolder, newFolder);
        QCOMPARE(env.store.notesPath(), newFolder + "quill.xml");
        QCOMPARE(TestFolders::readFile(newFolder + "quill.xml"), notes);
        QCOMPARE(TestFolders::readFile(newFolder + "quill.xml.backup-20090305-130213"),
                 QByteArray("what was there before"));
        QCOMPARE(env.onDisk(), notes); // the old file stays
        env.store.appendNote("after the move", "", worked);
        QVERIFY(TestFolders::readFile(newFolder + "quill.xml").contains("after the move"));
        QCOMPARE(env.onDisk(), notes);

        // A folder that cannot take the file: nothing changes, the notes stay open where they were.
        const QString missing = env.folders.root() + "missing/";
        try {
            env.store.moveStorage(newFolder, missing);
            QFAIL("no error");
        } catch (const QuillError& e) {
            QVERIFY2(e.message().contains(missing + "quill.xml") && e.message().contains("stay in"),
                     e.what());
        }
        QCOMPARE(env.store.notesPath(), newFolder + "quill.xml");
        QCOMPARE(env.store.readNote(5).title, "after the move");
    }

    // Root ignores file modes, so the save runs as "nobody" when the test runs as root.
    void saveRefusedWithoutPermission_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<QString>("reported");
        QTest::newRow("read-only file")
            << 0777 << 0444 << "checking that the file may be written: Permission denied";
        QTest::newRow("read-only folder")
            << 0555 << 0666 << "creating a temporary file in its folder: Permission";
    }
    void saveRefusedWithoutPermission() {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(QString, reported);
        QTemporaryDir dir;
        const QString folder = dir.filePath("notes");
        const QString path = folder + "/quill.xml";
        QVERIFY(QDir().mkpath(folder));
        TestFolders::writeFile(path, TestFolders::fixture("mixed-children.xml"));
        QVERIFY(::chmod(QFile::encodeName(dir.path()), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(path), mode_t(fileMode)) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder), mode_t(folderMode)) == 0);

        const ChildRun child =
            runUnprivileged({QCoreApplication::applicationFilePath(), "--append-helper", path});
        QVERIFY(child.finished);
        ::chmod(QFile::encodeName(folder), 0755);
        const QString output = QString::fromLocal8Bit(child.output + child.errors);
        QCOMPARE(child.exitCode, 3);
        QVERIFY2(output.contains(path) && output.contains(reported), qPrintable(output));
        QCOMPARE(TestFolders::readFile(path), TestFolders::fixture("mixed-children.xml"));
        QCOMPARE(temporariesBeside(path), QStringList());
    }

    // The window shows the hourglass while the store is busy: every start must have its end.
    void busyForEverySaveFailedOrNot() {
        Env env;
        env.openWith(TestFolders::fixture("mixed-children.xml"));
        QList<bool> busy;
        env.store.setBusyListener([&](bool b) { busy << b; });
        env.store.appendNote(QStringLiteral("saved"), QStringLiteral("body"), worked);
        QCOMPARE(busy, QList<bool>({true, false}));
        QVERIFY(QDir(QFileInfo(env.path()).path()).removeRecursively());
        QVERIFY_THROWS_EXCEPTION(
            QuillError, env.store.appendNote(QStringLiteral("lost"), QStringLiteral("body"), worked));
        QCOMPARE(busy, QList<bool>({true, false, true, false}));
    }

    void saveOnFullDisk() {
        QTemporaryDir dir;
        QProcess child;
        child.start(
            "unshare",
            {"-Urm", "sh", "-c",
             "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 77; exec \"$0\" --full-disk-helper \"$1\"",
             QCoreApplication::applicationFilePath(), dir.path()});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        if (!output.contains("mounted"))
            QSKIP(qPrintable("no private tmpfs here: " + child.readAllStandardError()));
        QVERIFY2(output.contains("checked") && !output.contains("FAIL"),
                 qPrintable(output + child.readAllStandardError()));
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--append-helper") == 0)
        return appendHelper(QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--full-disk-helper") == 0)
        return fullDiskHelper(QString::fromLocal8Bit(argv[2]));
    QCoreApplication app(argc, argv);
    TestNoteStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_noteStore.moc"
