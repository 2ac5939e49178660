// The speller library through its C interface only, with Debian's hunspell dictionaries. Built twice:
// against the library as shipped and against its AddressSanitizer build.
#include "csapi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <string>
#include <vector>

namespace {

const WSC SpecialCharacters = {0, '-', 31, 30, char(151), char(150), char(133), {11, 10}, {13, 10}};

// A dictionary of /usr/share/hunspell by name, or any .dic by path.
QByteArray dictionaryPath(const char* name) {
    if (std::strchr(name, '/'))
        return name;
    return QByteArray("/usr/share/hunspell/") + name + ".dic";
}

struct Result {
    SEC sec = 0;
    SCRS scrs = 0;
    QByteArray error; // the flagged bytes
    std::vector<std::string> strings;
};

// One library session with one main dictionary and one user dictionary.
class Speller {
public:
    explicit Speller(const char* dictionary = "en_US", uint32_t options = 0,
                     const QByteArray& userDict = {}) {
        QCOMPARE_EQ(SpellInit(&m_splid, &SpecialCharacters), SEC(0));
        QCOMPARE_EQ(SpellOptions(m_splid, options), SEC(0));
        QCOMPARE_EQ(
            SpellOpenMdr(m_splid, dictionaryPath(dictionary).constData(), nullptr, 0, 1, 1033, &m_mdrs),
            SEC(0));
        if (!userDict.isEmpty()) {
            CSAPI_BOOL readOnly = 1;
            QCOMPARE_EQ(SpellOpenUdr(m_splid, userDict.constData(), 1, udrIgnoreAlways, &m_udr, &readOnly),
                        SEC(0));
            QCOMPARE_EQ(readOnly, 0);
        }
    }
    ~Speller() {
        SpellCloseMdr(m_splid, &m_mdrs);
        if (m_udr)
            SpellCloseUdr(m_splid, m_udr, 1);
        SpellTerminate(m_splid, 1);
    }
    Speller(const Speller&) = delete;
    Speller& operator=(const Speller&) = delete;

    Result check(CC command, const QByteArray& text, uint16_t state = sstateStartsSentence,
                 uint16_t room = 1024) {
        SIB input{static_cast<uint16_t>(text.size()),
                  1,
                  m_udr ? uint16_t(1) : uint16_t(0),
                  state,
                  text.constData(),
                  &m_mdrs.mdr,
                  &m_udr};
        std::vector<char> buffer(room + 1, '\x7f');
        SRB output{};
        output.cch = room;
        output.lrgsz = room ? buffer.data() : nullptr;
        Result r;
        r.sec = SpellCheck(m_splid, command, &input, &output);
        r.scrs = output.scrs;
        r.error = text.mid(output.ichError, output.cchError);
        [&] { QVERIFY2(output.ichError + output.cchError <= text.size(), "finding outside the text"); }();
        for (const char* s = buffer.data(); room && *s && s < buffer.data() + room; s += std::strlen(s) + 1)
            r.strings.emplace_back(s);
        [&] {
            QCOMPARE_EQ(output.csz, r.strings.size());
            QVERIFY(output.cchMac <= room);
            QCOMPARE_EQ(buffer[room], '\x7f'); // nothing written past the caller's buffer
        }();
        return r;
    }
    Result verify(const QByteArray& text, uint16_t state = sstateStartsSentence) {
        return check(sccVerifyBuffer, text, state);
    }
    // Every suggestion, paged through a buffer of `room` bytes.
    std::vector<std::string> suggestions(const QByteArray& word, uint16_t room, int* pages = nullptr) {
        std::vector<std::string> all;
        Result r = check(sccSuggest, word, sstateNone, room);
        int count = 0;
        while (r.scrs != scrsNoMoreSuggestions && ++count < 100) {
            all.insert(all.end(), r.strings.begin(), r.strings.end());
            r = check(sccSuggestMore, word, sstateNone, room);
        }
        if (pages)
            *pages = count;
        return all;
    }

    SPLID m_splid = 0;
    MDRS m_mdrs{};
    UDR m_udr = 0;
};

} // namespace

class tst_csapiLibrary : public QObject {
    Q_OBJECT

private slots:
    void exportsVersion();
    void verifyBuffer_data();
    void verifyBuffer();
    void sentenceStartAcrossCalls();
    void addedWordIsNotItsOwnRepeat();
    void suggestionsArePaged();
    void suggestionTooLongForBuffer();
    void dictionaryInItsOwnEncoding();
    void changeLists();
    void ignoreAlwaysLastsForTheSession();
    void userDictionaryPersists();
    void sessionsSharingAFileKeepEachOthersWords();
    void errorCodes_data();
    void errorCodes();
    void hostileInput();
};

void tst_csapiLibrary::exportsVersion() {
    CSAPI_WORD version = 0, engine = 0, type = 7;
    QCOMPARE_EQ(SpellVer(&version, &engine, &type), SEC(0));
    QVERIFY(version > 0);
    LID lid = 0;
    QCOMPARE_EQ(SpellVerifyMdr(dictionaryPath("en_GB").constData(), 2057, &lid), SEC(0));
    QCOMPARE_EQ(lid, LID(2057));
}

void tst_csapiLibrary::verifyBuffer_data() {
    QTest::addColumn<QByteArray>("dictionary");
    QTest::addColumn<uint>("options");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("flagged");

    const uint none = 0;
    QTest::newRow("correct") << QByteArray("en_US") << none << QByteArray("The cat sat on the mat.") << 0
                             << QByteArray();
    QTest::newRow("unknown word") << QByteArray("en_US") << none << QByteArray("The kittne sat") << 1
                                  << QByteArray("kittne");
    QTest::newRow("capitalisation") << QByteArray("en_US") << none << QByteArray("We met in paris") << 5
                                    << QByteArray("paris");
    QTest::newRow("hyphen part") << QByteArray("en_US") << none << QByteArray("a well-knonw fact") << 1
                                 << QByteArray("knonw");
    QTest::newRow("abbreviation") << QByteArray("en_US") << none << QByteArray("Cats, e.g. lions") << 0
                                  << QByteArray();
    QTest::newRow("uncapped sentence") << QByteArray("en_US") << uint(soFindUncappedSentences)
                                       << QByteArray("Fine. the cat") << 10 << QByteArray("the");
    QTest::newRow("uncapped, option off")
        << QByteArray("en_US") << none << QByteArray("the cat") << 0 << QByteArray();
    QTest::newRow("repeat word") << QByteArray("en_US") << uint(soFindRepeatWord)
                                 << QByteArray("I saw the  The cat") << 11 << QByteArray("The");
    QTest::newRow("repeat across punctuation")
        << QByteArray("en_US") << uint(soFindRepeatWord) << QByteArray("Yes, yes it is") << 0 << QByteArray();
    QTest::newRow("extra spaces") << QByteArray("en_US") << uint(soFindExtraSpaces) << QByteArray("a   cat")
                                  << 12 << QByteArray("   c");
    QTest::newRow("two spaces after a sentence") << QByteArray("en_US") << uint(soFindExtraSpaces)
                                                 << QByteArray("End.  Next one") << 0 << QByteArray();
    QTest::newRow("missing space after comma") << QByteArray("en_US") << uint(soFindMissingSpaces)
                                               << QByteArray("one,two") << 13 << QByteArray(",two");
    QTest::newRow("missing space after period")
        << QByteArray("en_US") << uint(soFindMissingSpaces) << QByteArray("The end.Next day") << 13
        << QByteArray(".Next");
    QTest::newRow("no comma, though its low byte is") << QByteArray("en_US") << uint(soFindMissingSpaces)
                                                      << QByteArray("word\u202cnext") << 0 << QByteArray();
    QTest::newRow("decimal number") << QByteArray("en_US") << uint(soFindMissingSpaces)
                                    << QByteArray("It costs 3.50 or 1,000") << 0 << QByteArray();
    QTest::newRow("initial numeral") << QByteArray("en_US") << uint(soFindInitialNumerals)
                                     << QByteArray("the 3rd time") << 14 << QByteArray("3rd");
    QTest::newRow("mixed digits") << QByteArray("en_US") << none << QByteArray("abc123") << 1
                                  << QByteArray("abc123");
    QTest::newRow("mixed digits ignored")
        << QByteArray("en_US") << uint(soIgnoreMixedDigits) << QByteArray("abc123") << 0 << QByteArray();
    QTest::newRow("all caps") << QByteArray("en_US") << none << QByteArray("see XQZT") << 1
                              << QByteArray("XQZT");
    QTest::newRow("all caps ignored")
        << QByteArray("en_US") << uint(soIgnoreAllCaps) << QByteArray("see XQZT") << 0 << QByteArray();
    QTest::newRow("roman numeral ignored") << QByteArray("en_US") << uint(soIgnoreRomanNumerals)
                                           << QByteArray("Chapter MCMXCIV") << 0 << QByteArray();
    QTest::newRow("addresses skipped")
        << QByteArray("en_US") << uint(soFindMissingSpaces)
        << QByteArray("see https://exmple.org/pth or mee@hoome.xx") << 0 << QByteArray();
    QTest::newRow("German umlauts") << QByteArray("de_DE") << none
                                    << QByteArray("Grüße aus München, z.B. heute") << 0 << QByteArray();
    QTest::newRow("German misspelling")
        << QByteArray("de_DE") << none << QByteArray("Die Hääuser stehen") << 1 << QByteArray("Hääuser");
    QTest::newRow("French accents") << QByteArray("fr") << none << QByteArray("Où est la bibliothèque ?") << 0
                                    << QByteArray();
    QTest::newRow("French misspelling")
        << QByteArray("fr") << none << QByteArray("la bibliotèque") << 1 << QByteArray("bibliotèque");
}

void tst_csapiLibrary::verifyBuffer() {
    QFETCH(QByteArray, dictionary);
    QFETCH(uint, options);
    QFETCH(QByteArray, text);
    QFETCH(int, status);
    QFETCH(QByteArray, flagged);
    Speller speller(dictionary.constData(), options);
    const Result r = speller.verify(text);
    QCOMPARE_EQ(r.sec, SEC(0));
    QCOMPARE_EQ(r.scrs, status);
    QCOMPARE(r.error, flagged);
}

void tst_csapiLibrary::sentenceStartAcrossCalls() {
    Speller speller("en_US", soFindUncappedSentences | soFindRepeatWord);
    QCOMPARE_EQ(speller.verify("It ends here.").scrs, 0);
    Result r = speller.verify(" then more", sstateIsContinued);
    QCOMPARE_EQ(r.scrs, scrsNoSentenceStartCap);
    QCOMPARE(r.error, QByteArray("then"));
    // Skipped: the check goes on behind the finding, in the same sentence.
    QCOMPARE_EQ(speller.verify(" more text", sstateIsContinued).scrs, 0);
    // A new paragraph starts a sentence whatever came before.
    QCOMPARE_EQ(speller.verify("Still going", sstateIsContinued).scrs, 0);
    QCOMPARE_EQ(speller.verify("lower", sstateStartsSentence).scrs, scrsNoSentenceStartCap);
    // A repeat spans two calls of one paragraph.
    QCOMPARE_EQ(speller.verify("Say it", sstateStartsSentence).scrs, 0);
    QCOMPARE_EQ(speller.verify(" it again", sstateIsContinued).scrs, scrsRepeatWord);
}

void tst_csapiLibrary::addedWordIsNotItsOwnRepeat() {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("CUSTOM.DIC"));
    Speller speller("en_US", soFindRepeatWord, path);
    Result r = speller.verify("See zorblax here", sstateStartsSentence);
    QCOMPARE(r.error, QByteArray("zorblax"));
    QCOMPARE_EQ(SpellAddUdr(speller.m_splid, speller.m_udr, "zorblax"), SEC(0));
    // The check begins again at the added word.
    QCOMPARE_EQ(speller.verify("zorblax here", sstateIsContinued).scrs, 0);
}

void tst_csapiLibrary::suggestionsArePaged() {
    Speller speller;
    const std::vector<std::string> whole = speller.suggestions("helo", 2047);
    QVERIFY(whole.size() > 3);
    QVERIFY(std::find(whole.begin(), whole.end(), "hello") != whole.end());
    int pages = 0;
    const std::vector<std::string> paged = speller.suggestions("helo", 12, &pages);
    QCOMPARE(paged, whole);
    QVERIFY(pages > 2);
    // Nothing to suggest: "no more suggestions" at once.
    QCOMPARE_EQ(speller.check(sccSuggest, "xqzxqzxqzxqz", sstateNone).scrs, scrsNoMoreSuggestions);
    QCOMPARE_EQ(speller.check(sccSuggestMore, "xqzxqzxqzxqz", sstateNone).scrs, scrsNoMoreSuggestions);
}

void tst_csapiLibrary::suggestionTooLongForBuffer() {
    Speller speller;
    Result r = speller.check(sccSuggest, "helo", sstateNone, 4);
    int rounds = 0;
    bool sawTooLong = false;
    while (r.scrs != scrsNoMoreSuggestions && ++rounds < 50) {
        sawTooLong = sawTooLong || r.scrs == scrsMoreInfoThanBufferCouldHold;
        r = speller.check(sccSuggestMore, "helo", sstateNone, 4);
    }
    QVERIFY(sawTooLong);
    QVERIFY2(rounds < 50, "paging never ended");
    // No buffer at all still ends.
    r = speller.check(sccSuggest, "helo", sstateNone, 0);
    for (rounds = 0; r.scrs != scrsNoMoreSuggestions && rounds < 50; ++rounds)
        r = speller.check(sccSuggestMore, "helo", sstateNone, 0);
    QVERIFY(rounds < 50);
}

void tst_csapiLibrary::dictionaryInItsOwnEncoding() {
    QTemporaryDir dir;
    const QString base = dir.filePath("latin");
    for (const auto& [extension, bytes] :
         {std::pair{".aff", QByteArray("SET ISO8859-1\nTRY esianrtolcdugmphbyfvkwz\n")},
          std::pair{".dic", QByteArray("4\naus\nM\xfcnchen\nGr\xfc\xdf"
                                       "e\nStra\xdf"
                                       "e\n")}}) {
        QFile file(base + extension);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    Speller speller(QFile::encodeName(base + ".dic").constData());
    QCOMPARE_EQ(speller.verify("Grüße aus München").scrs, 0);
    const Result r = speller.verify("Grüße aus Münchn");
    QCOMPARE_EQ(r.scrs, scrsUnknownInputWord);
    QCOMPARE(r.error, QByteArray("Münchn"));
    const std::vector<std::string> suggestions = speller.suggestions("Münchn", 64);
    QVERIFY(std::find(suggestions.begin(), suggestions.end(), "München") != suggestions.end());
    // A word the encoding cannot hold is simply unknown.
    QCOMPARE_EQ(speller.verify("Grüße €").scrs, 0);
    QCOMPARE_EQ(speller.verify("Grü€e").scrs, scrsUnknownInputWord);
}

void tst_csapiLibrary::changeLists() {
    QTemporaryDir dir;
    Speller speller("en_US", 0, QFile::encodeName(dir.filePath("user.dic")));
    QCOMPARE_EQ(SpellAddChangeUdr(speller.m_splid, udrChangeAlways, "teh", "the"), SEC(0));
    QCOMPARE_EQ(SpellAddChangeUdr(speller.m_splid, udrChangeOnce, "recieve", "receive"), SEC(0));

    Result r = speller.verify("I saw teh cat");
    QCOMPARE_EQ(r.scrs, scrsReturningChangeAlways);
    QCOMPARE(r.error, QByteArray("teh"));
    QCOMPARE(r.strings, std::vector<std::string>{"the"});
    r = speller.verify("Teh cat");
    QCOMPARE(r.strings, std::vector<std::string>{"The"});
    r = speller.verify("we recieve mail");
    QCOMPARE_EQ(r.scrs, scrsReturningChangeOnce);
    QCOMPARE(r.strings, std::vector<std::string>{"receive"});
    // The replacement does not fit the caller's buffer.
    QCOMPARE_EQ(speller.check(sccVerifyBuffer, "teh", sstateStartsSentence, 3).scrs,
                scrsMoreInfoThanBufferCouldHold);

    // Pairs go to pair lists only, words to word lists only.
    QCOMPARE_EQ(SpellAddChangeUdr(speller.m_splid, speller.m_udr, "a", "b"),
                CSAPI_SEC(secModuleError, secOperNotMatchedUserDict));
    QCOMPARE_EQ(SpellAddUdr(speller.m_splid, udrChangeOnce, "word"),
                CSAPI_SEC(secModuleError, secOperNotMatchedUserDict));
    int32_t size = 0;
    QCOMPARE_EQ(SpellGetSizeUdr(speller.m_splid, udrChangeAlways, &size), SEC(0));
    QCOMPARE_EQ(size, 1);
    QCOMPARE_EQ(SpellDelUdr(speller.m_splid, udrChangeAlways, "teh"), SEC(0));
    QCOMPARE_EQ(speller.verify("teh").scrs, scrsUnknownInputWord);
}

void tst_csapiLibrary::ignoreAlwaysLastsForTheSession() {
    {
        Speller speller;
        QCOMPARE_EQ(speller.verify("zorblax").scrs, scrsUnknownInputWord);
        QCOMPARE_EQ(SpellAddUdr(speller.m_splid, udrIgnoreAlways, "zorblax"), SEC(0));
        QCOMPARE_EQ(speller.verify("A zorblax and Zorblax and ZORBLAX").scrs, 0);
        QCOMPARE_EQ(speller.check(sccVerifyWord, "zorblax").scrs, 0);
    }
    Speller next;
    QCOMPARE_EQ(next.verify("zorblax").scrs, scrsUnknownInputWord);
}

void tst_csapiLibrary::userDictionaryPersists() {
    QTemporaryDir dir;
    const QString file = dir.filePath("CUSTOM.DIC");
    const QByteArray path = QFile::encodeName(file);
    {
        Speller speller("de_DE", 0, path);
        QVERIFY(QFile::exists(file));
        QCOMPARE_EQ(SpellAddUdr(speller.m_splid, speller.m_udr, "Quillnotewörter"), SEC(0));
        QCOMPARE_EQ(SpellAddUdr(speller.m_splid, speller.m_udr, "Zorblax"), SEC(0));
        QCOMPARE_EQ(SpellAddUdr(speller.m_splid, speller.m_udr, "Zorblax"), SEC(0)); // once only
        QCOMPARE_EQ(speller.verify("Die Quillnotewörter").scrs, 0);
    }
    QFile stored(file);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), QByteArray("Quillnotewörter\nZorblax\n"));
    stored.close();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"CUSTOM.DIC"}); // no temporary left

    Speller again("de_DE", 0, path);
    QCOMPARE_EQ(again.verify("Zorblax und Quillnotewörter").scrs, 0);
    int32_t size = 0;
    QCOMPARE_EQ(SpellGetSizeUdr(again.m_splid, again.m_udr, &size), SEC(0));
    QCOMPARE_EQ(size, 2);
    SRB list{};
    char buffer[12];
    list.cch = sizeof buffer;
    list.lrgsz = buffer;
    QCOMPARE_EQ(SpellGetListUdr(again.m_splid, again.m_udr, 1, &list), SEC(0));
    QCOMPARE_EQ(list.csz, 1);
    QCOMPARE(QByteArray(buffer), QByteArray("Zorblax"));
    QCOMPARE_EQ(SpellDelUdr(again.m_splid, again.m_udr, "Zorblax"), SEC(0));
    QCOMPARE_EQ(again.verify("Zorblax").scrs, scrsUnknownInputWord);
    QCOMPARE_EQ(SpellClearUdr(again.m_splid, again.m_udr), SEC(0));
    QCOMPARE_EQ(QFileInfo(file).size(), 0);
}

void tst_csapiLibrary::sessionsSharingAFileKeepEachOthersWords() {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("CUSTOM.DIC"));
    Speller english("en_US", 0, path);
    Speller german("de_DE", 0, path);
    QCOMPARE_EQ(SpellAddUdr(english.m_splid, english.m_udr, "zorblax"), SEC(0));
    QCOMPARE_EQ(german.verify("zorblax").scrs, 0); // seen at once by the other session
    QCOMPARE_EQ(SpellAddUdr(german.m_splid, german.m_udr, "Quillwort"), SEC(0));
    QFile stored(dir.filePath("CUSTOM.DIC"));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), QByteArray("zorblax\nQuillwort\n"));
    QCOMPARE_EQ(english.verify("Quillwort").scrs, 0);
}

void tst_csapiLibrary::errorCodes_data() {
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("expected");
    QTest::newRow("unknown session") << 0 << int(CSAPI_SEC(secModuleError, secInvalidID));
    QTest::newRow("unknown user dictionary") << 1 << int(CSAPI_SEC(secModuleError, secInvalidUdr));
    QTest::newRow("missing main dictionary") << 2 << int(CSAPI_SEC(secIOErrorMdr, secFileOpenError));
    QTest::newRow("damaged main dictionary") << 3 << int(CSAPI_SEC(secIOErrorMdr, secInvalidMainDictFile));
    QTest::newRow("missing user dictionary, no create")
        << 4 << int(CSAPI_SEC(secIOErrorUdr, secFileOpenError));
    QTest::newRow("user dictionary folder missing") << 5 << int(CSAPI_SEC(secIOErrorUdr, secFileCreateError));
    QTest::newRow("hyphenation command") << 6 << int(CSAPI_SEC(secModuleError, secInvalidCommand));
    QTest::newRow("entry with line break") << 7 << int(CSAPI_SEC(secModuleError, secInvalidUdrEntry));
    QTest::newRow("entry too long") << 8 << int(CSAPI_SEC(secModuleError, secUdrEntryTooLong));
    QTest::newRow("no special characters") << 9 << int(CSAPI_SEC(secModuleError, secInvalidWsc));
    QTest::newRow("no main dictionary in check") << 10 << int(CSAPI_SEC(secModuleError, secMdrCountExceeded));
    QTest::newRow("closed main dictionary") << 11 << int(CSAPI_SEC(secModuleError, secInvalidMainDict));
    QTest::newRow("terminated session") << 12 << int(CSAPI_SEC(secModuleError, secInvalidID));
}

void tst_csapiLibrary::errorCodes() {
    QFETCH(int, scenario);
    QFETCH(int, expected);
    QTemporaryDir dir;
    Speller speller;
    const SPLID id = speller.m_splid;
    MDRS mdrs{};
    UDR udr = 0;
    SEC sec = 0;
    switch (scenario) {
    case 0:
        sec = SpellOptions(id + 1000, 0);
        break;
    case 1:
        sec = SpellAddUdr(id, 4711, "word");
        break;
    case 2:
        sec = SpellOpenMdr(id, QFile::encodeName(dir.filePath("none.dic")).constData(), nullptr, 0, 1, 1033,
                           &mdrs);
        break;
    case 3: {
        for (const char* name : {"bad.dic", "bad.aff"}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("garbage\n");
        }
        sec = SpellOpenMdr(id, QFile::encodeName(dir.filePath("bad.dic")).constData(), nullptr, 0, 1, 1033,
                           &mdrs);
        break;
    }
    case 4:
        sec = SpellOpenUdr(id, QFile::encodeName(dir.filePath("u.dic")).constData(), 0, udrIgnoreAlways, &udr,
                           nullptr);
        break;
    case 5:
        sec = SpellOpenUdr(id, QFile::encodeName(dir.filePath("no/u.dic")).constData(), 1, udrIgnoreAlways,
                           &udr, nullptr);
        break;
    case 6:
        sec = speller.check(sccHyphInfo, "word").sec;
        break;
    case 7:
        sec = SpellAddUdr(id, udrIgnoreAlways, "two\nlines");
        break;
    case 8:
        sec = SpellAddUdr(id, udrIgnoreAlways, std::string(300, 'a').c_str());
        break;
    case 9: {
        SPLID other = 0;
        sec = SpellInit(&other, nullptr);
        break;
    }
    case 10: {
        SIB input{4, 0, 0, 0, "word", nullptr, nullptr};
        SRB output{};
        sec = SpellCheck(id, sccVerifyBuffer, &input, &output);
        break;
    }
    case 11: {
        MDRS copy = speller.m_mdrs;
        QCOMPARE_EQ(SpellCloseMdr(id, &copy), SEC(0));
        sec = SpellCloseMdr(id, &copy);
        break;
    }
    case 12: {
        SPLID other = 0;
        QCOMPARE_EQ(SpellInit(&other, &SpecialCharacters), SEC(0));
        QCOMPARE_EQ(SpellTerminate(other, 0), SEC(0));
        sec = SpellTerminate(other, 1);
        break;
    }
    }
    QCOMPARE_EQ(int(sec), expected);
}

void tst_csapiLibrary::hostileInput() {
    Speller speller("en_US", 0xFFFFFFFFu);
    // Broken UTF-8, control characters, lone continuation bytes, an empty buffer.
    for (const QByteArray& text :
         {QByteArray("\xff\xfe\x80 abc \xc3"), QByteArray("a\0b\0c", 5), QByteArray(),
          QByteArray("...  ,,, !!! \x97\x96\x85"), QByteArray(4000, ' ')}) {
        const Result r = speller.verify(text);
        QCOMPARE_EQ(r.sec, SEC(0));
    }
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        QByteArray text(int(random.bounded(1, 200)), '\0');
        for (char& c : text)
            c = random.bounded(4) == 0 ? ' ' : char(random.bounded(256));
        const Result r = speller.verify(text, random.bounded(2) ? sstateIsContinued : sstateStartsSentence);
        QCOMPARE_EQ(r.sec, SEC(0));
        QVERIFY(r.scrs <= scrsInitialNumeral);
        speller.suggestions(text.left(20), 16);
    }
    // A text of the largest size the record can describe.
    const QByteArray large = QByteArray("word ").repeated(13107);
    QCOMPARE_EQ(speller.verify(large).sec, SEC(0));
}

QTEST_GUILESS_MAIN(tst_csapiLibrary)
#include "tst_csapiLibrary.moc"
