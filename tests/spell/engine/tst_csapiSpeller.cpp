// The proofing-library engine: its set-up from the spelling configuration and the settings hive,
// the calls it makes (through a recording stand-in library), and real checks with our speller
// library and Debian's hunspell dictionaries, alone and through the checker.
#include "ScriptedSpellDialog.h"

#include "controls/LinkTextEdit.h"
#include "platform/Registry.h"
#include "spell/engine/LibraryEngine.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/engine/SpellTexts.h"
#include "spell/ui/RichEditSpellControl.h"

#include <QFile>
#include <QLibrary>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QString ProofingKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Shared Tools\\Proofing Tools");
const QString Library = QStringLiteral(QUILL_CSAPI_LIBRARY);
const QString Shim = QStringLiteral(QUILL_CSAPI_SHIM);
const QString IncompleteShim = QStringLiteral(QUILL_CSAPI_SHIM_INCOMPLETE);

// A settings hive with proofing keys, a copy of a hunspell dictionary and a checker that uses them.
struct Setup {
    QTemporaryDir dir;
    RegistryHive hive{dir.filePath(QStringLiteral("registry.ini"))};
    SpellConfiguration configuration{&hive, dir.path() + QStringLiteral("/bin/")};
    SpellChecker checker;
    QString dictionary = dir.filePath(QStringLiteral("dict/en_US.dic"));

    // The proofing key of one language, naming `engine` and the dictionary copy.
    explicit Setup(const QString& engine, LanguageId keyLanguage = 1033) {
        loadSpellTexts(TextLanguage::English);
        QDir().mkpath(dir.filePath(QStringLiteral("dict")));
        for (const char* extension : {".dic", ".aff"})
            QFile::copy(QStringLiteral("/usr/share/hunspell/en_US") + QLatin1String(extension),
                        dir.filePath(QStringLiteral("dict/en_US")) + QLatin1String(extension));
        auto key =
            hive.openKeyForWriting(ProofingKey + QStringLiteral("\\Spelling\\%1\\Normal").arg(keyLanguage));
        key->writeString(QStringLiteral("Engine"), engine);
        key->writeString(QStringLiteral("Dictionary"), dictionary);
        key->close();
        checker.setConfiguration(&configuration);
    }
    std::optional<QString> storedCustomDictionary() const { return configuration.customDictionary(); }
    void storeCustomDictionary(const QString& path) const {
        QVERIFY(configuration.writeCustomDictionary(path));
    }
};

// The stand-in library's record of calls, one line each.
class ShimLog {
public:
    ShimLog() : m_library(Shim) {
        QVERIFY(m_library.load());
        m_calls = reinterpret_cast<const char* (*)()>(m_library.resolve("ShimCalls"));
        m_clear = reinterpret_cast<void (*)()>(m_library.resolve("ShimClear"));
        QVERIFY(m_calls && m_clear);
        m_clear();
    }
    QStringList take() {
        const QStringList lines = QString::fromUtf8(m_calls()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        m_clear();
        return lines;
    }

private:
    QLibrary m_library;
    const char* (*m_calls)() = nullptr;
    void (*m_clear)() = nullptr;
};

QString spellErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SpellError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class tst_csapiSpeller : public QObject {
    Q_OBJECT

private slots:
    void callsTheLibraryInOrder();
    void userDictionaryPath_data();
    void userDictionaryPath();
    void languageNotInstalled();
    void libraryThatCannotBeUsed_data();
    void libraryThatCannotBeUsed();
    void libraryErrorsBecomeSpellErrors();
    void duplicateSuggestionsAppearOnce();
    void checksWithTheSpellerLibrary();
    void longSegmentGoesInPieces();
    void fullCheckThroughTheChecker();
};

void tst_csapiSpeller::callsTheLibraryInOrder() {
    Setup setup(Shim);
    ShimLog log;
    const QByteArray dictionary = QFile::encodeName(setup.dictionary);
    const QString custom = setup.dir.filePath(QStringLiteral("dict/CUSTOM.DIC"));
    const SpellOptionFlags options =
        spellOption(SpellOption::IgnoreAllCaps) | spellOption(SpellOption::FindRepeatWord);
    {
        // 2057 has no key of its own: the engine takes 1033's and still opens the dictionary for 2057.
        LibraryEngine speller(2057, options, &setup.checker);
        QVERIFY(!speller.isDisabled());
        QCOMPARE(speller.libraryPath(), Shim);
        QCOMPARE(log.take(), QStringList({
                                 QStringLiteral("SpellInit 00 2d 1f 1e 97 96 85 0b 0a 0d 0a"),
                                 QStringLiteral("SpellOptions 7 66"),
                                 QStringLiteral("SpellOpenMdr %1 null 0 1 2057").arg(setup.dictionary),
                                 QStringLiteral("SpellOpenUdr %1 1 65534").arg(custom),
                             }));
        Q_UNUSED(dictionary);

        int length = 0, start = 0;
        QCOMPARE(speller.checkSegmentStart(QStringLiteral("ä bad one"), length, start),
                 SpellResult::UnknownInputWord);
        QCOMPARE(start, 2); // byte 3 in UTF-8
        QCOMPARE(length, 3);
        QCOMPARE(speller.errorWord(), QStringLiteral("bad"));
        QCOMPARE(speller.checkSegmentContinued(QStringLiteral(" fine"), length, start),
                 SpellResult::NoErrors);
        speller.changeOnce(QStringLiteral("teh"), QStringLiteral("the"));
        speller.changeAlways(QStringLiteral("wrod"), QStringLiteral("word"));
        speller.addWord(QStringLiteral("Quillnote"));
        speller.ignoreAlways(QStringLiteral("zorblax"));
        QCOMPARE(log.take(), QStringList({
                                 QStringLiteral("SpellCheck 2 2 ä bad one"),
                                 QStringLiteral("SpellCheck 2 1  fine"),
                                 QStringLiteral("SpellAddChangeUdr 65532 teh the"),
                                 QStringLiteral("SpellAddChangeUdr 65533 wrod word"),
                                 QStringLiteral("SpellAddUdr 2 Quillnote"),
                                 QStringLiteral("SpellAddUdr 65534 zorblax"),
                             }));
        // Closing the user dictionary answers "not open" (0x8102): accepted without a word.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    }
    QCOMPARE(log.take(), QStringList({QStringLiteral("SpellCloseMdr 1"), QStringLiteral("SpellCloseUdr 2 1"),
                                      QStringLiteral("SpellTerminate 7 1")}));
    // The Custom Dictionaries key was missing: it now names the default.
    QCOMPARE(setup.storedCustomDictionary(), std::optional<QString>(custom));
}

void tst_csapiSpeller::userDictionaryPath_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("the checker's") << QStringLiteral("checker");
    QTest::newRow("the settings key's") << QStringLiteral("key");
    QTest::newRow("the application's handler") << QStringLiteral("handler");
    QTest::newRow("the handler over the key") << QStringLiteral("handler over key");
    QTest::newRow("the default") << QStringLiteral("default");
}

void tst_csapiSpeller::userDictionaryPath() {
    QFETCH(QString, source);
    Setup setup(Shim);
    ShimLog log;
    const QString fromChecker = setup.dir.filePath(QStringLiteral("checker.dic"));
    const QString fromKey = setup.dir.filePath(QStringLiteral("key.dic"));
    const QString fromHandler = setup.dir.filePath(QStringLiteral("handler.dic"));
    if (source == QLatin1String("checker"))
        setup.checker.setCustomDictionary(fromChecker);
    if (source.contains(QLatin1String("key")))
        setup.storeCustomDictionary(fromKey);
    QStringList handlerCalls;
    if (source.startsWith(QLatin1String("handler"))) {
        setup.checker.setUserDictionaryChooser([&](LanguageId language, const QString& chosen) {
            handlerCalls << QStringLiteral("%1 %2").arg(language).arg(chosen);
            return fromHandler;
        });
    }

    LibraryEngine speller(2057, 0, &setup.checker);

    const QString expected = source == QLatin1String("checker") ? fromChecker
                             : source == QLatin1String("key")   ? fromKey
                             : source.startsWith(QLatin1String("handler"))
                                 ? fromHandler
                                 : setup.dir.filePath(QStringLiteral("dict/CUSTOM.DIC"));
    QCOMPARE(speller.customDictionary(), expected);
    QVERIFY(log.take().contains(QStringLiteral("SpellOpenUdr %1 1 65534").arg(expected)));
    if (source.startsWith(QLatin1String("handler")))
        QCOMPARE(handlerCalls,
                 QStringList{QStringLiteral("2057 %1").arg(source.contains("key") ? fromKey : "")});
    // Only a key that was missing gets the default; the checker's path never touches the key.
    const std::optional<QString> stored = setup.storedCustomDictionary();
    if (source == QLatin1String("default"))
        QCOMPARE(stored, std::optional<QString>(expected));
    else if (source.contains(QLatin1String("key")))
        QCOMPARE(stored, std::optional<QString>(fromKey));
    else
        QVERIFY(!stored);
}

void tst_csapiSpeller::languageNotInstalled() {
    Setup setup(Shim);
    ShimLog log;
    LibraryEngine speller(1031, 0, &setup.checker);
    QVERIFY(speller.isDisabled());
    int length = -1, start = -1;
    QCOMPARE(speller.checkSegmentStart(QStringLiteral("a bad word"), length, start), SpellResult::NoErrors);
    QStringList list{QStringLiteral("old")};
    speller.fillSuggestions(QStringLiteral("bad"), list);
    QVERIFY(list.isEmpty());
    speller.addWord(QStringLiteral("bad"));
    QCOMPARE(speller.errorWord(), QString());
    QCOMPARE(speller.changeTo(), QString());
    QCOMPARE(log.take(), QStringList());
}

void tst_csapiSpeller::libraryThatCannotBeUsed_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("missing") << QStringLiteral("/nonexistent/libnothing.so");
    QTest::newRow("without an entry point") << IncompleteShim;
    QTest::newRow("not a library") << QStringLiteral("/usr/share/hunspell/en_US.aff");
}

void tst_csapiSpeller::libraryThatCannotBeUsed() {
    QFETCH(QString, engine);
    Setup setup(engine);
    const QString message = spellErrorOf([&] { LibraryEngine speller(1033, 0, &setup.checker); });
    QCOMPARE(message, QStringLiteral("Error loading Spell DLL %1").arg(engine));
}

void tst_csapiSpeller::libraryErrorsBecomeSpellErrors() {
    Setup setup(Shim);
    ShimLog log;
    LibraryEngine speller(1033, 0, &setup.checker);
    QCOMPARE(spellErrorOf([&] { speller.addWord(QStringLiteral("fail")); }),
             QStringLiteral("Spelling error No 34820"));
    // A library that cannot open its dictionary: the constructor fails and gives the library back.
    Setup broken(Library);
    QFile::remove(broken.dictionary);
    QCOMPARE(spellErrorOf([&] { LibraryEngine failing(1033, 0, &broken.checker); }),
             QStringLiteral("Spelling error No 37379")); // 0x9203: main dictionary, file open
}

void tst_csapiSpeller::duplicateSuggestionsAppearOnce() {
    Setup setup(Shim);
    ShimLog log;
    LibraryEngine speller(1033, 0, &setup.checker);
    log.take();
    QStringList list{QStringLiteral("stale")};
    speller.fillSuggestions(QStringLiteral("alpah"), list);
    QCOMPARE(list, QStringList({QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("gamma")}));
    QCOMPARE(log.take(),
             QStringList({QStringLiteral("SpellCheck 3 0 alpah"), QStringLiteral("SpellCheck 4 0 alpah"),
                          QStringLiteral("SpellCheck 4 0 alpah")}));
}

void tst_csapiSpeller::checksWithTheSpellerLibrary() {
    Setup setup(Library);
    const SpellOptionFlags options = spellOption(SpellOption::FindRepeatWord);
    const QString custom = setup.dir.filePath(QStringLiteral("dict/CUSTOM.DIC"));
    {
        LibraryEngine speller(1033, options, &setup.checker);
        QVERIFY(!speller.isDisabled());
        int length = 0, start = 0;
        // Characters of several UTF-8 and UTF-16 widths before the finding.
        const QString text = QStringLiteral("😀 The “menu” — it’s got a tyop");
        QCOMPARE(speller.checkSegmentStart(text, length, start), SpellResult::UnknownInputWord);
        QCOMPARE(text.mid(start, length), QStringLiteral("tyop"));
        QCOMPARE(speller.errorWord(), QStringLiteral("tyop"));
        QStringList suggestions;
        speller.fillSuggestions(QStringLiteral("tyop"), suggestions);
        QVERIFY2(suggestions.contains(QStringLiteral("typo")), qPrintable(suggestions.join(',')));
        QCOMPARE(suggestions.removeDuplicates(), 0);

        speller.addWord(QStringLiteral("tyop"));
        QCOMPARE(speller.checkSegmentStart(text, length, start), SpellResult::NoErrors);
        speller.changeAlways(QStringLiteral("thiss"), QStringLiteral("this"));
        QCOMPARE(speller.checkSegmentContinued(QStringLiteral(" and thiss"), length, start),
                 SpellResult::ReturningChangeAlways);
        QCOMPARE(speller.changeTo(), QStringLiteral("this"));
        QCOMPARE(speller.checkSegmentStart(QStringLiteral("so so"), length, start), SpellResult::RepeatWord);
        QCOMPARE(start, 3);
    }
    QFile file(custom);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("tyop\n"));
}

void tst_csapiSpeller::longSegmentGoesInPieces() {
    Setup setup(Library);
    LibraryEngine speller(1033, 0, &setup.checker);
    // About 260 000 UTF-8 bytes, more than one record can carry.
    const QString text = QStringLiteral("“word” — ").repeated(8000) +
                         QStringLiteral("it’s ").repeated(20000) + QStringLiteral("tyop");
    int length = 0, start = 0;
    QCOMPARE(speller.checkSegmentStart(text, length, start), SpellResult::UnknownInputWord);
    QCOMPARE(start, text.size() - 4);
    QCOMPARE(length, 4);
}

void tst_csapiSpeller::fullCheckThroughTheChecker() {
    Setup setup(Library);
    SpellChecker& checker = setup.checker;
    checker.setTextLanguage(TextLanguage::English);
    checker.setLanguage(1033);
    checker.setEngineType(EngineType::Library);
    checker.setModalDialog(true);
    checker.setEngineFactory(EngineType::Library, [](LanguageId l, SpellOptionFlags o, SpellChecker* c) {
        return std::make_unique<LibraryEngine>(l, o, c);
    });
    ScriptedSpellDialog dialog(checker);
    dialog.install();
    dialog.then(ScriptedSpellDialog::change(QStringLiteral("typo"))).then(ScriptedSpellDialog::skip());
    LinkTextEdit edit(false);
    edit.setObjectName(QStringLiteral("redNote"));
    edit.setText(QStringLiteral("Fix this tyop now.\nThe “menu” — it’s fine, reelly."));
    RichEditSpellControl control(edit);
    checker.checkControl(control);

    QCOMPARE(dialog.presentations.size(), std::size_t(2));
    QCOMPARE(dialog.presentations[0].errorWord, QStringLiteral("tyop"));
    QVERIFY(dialog.presentations[0].suggestions.contains(QStringLiteral("typo")));
    QCOMPARE(dialog.presentations[1].errorWord, QStringLiteral("reelly"));
    QCOMPARE(dialog.presentations[1].errorPos, edit.toPlainText().indexOf(QStringLiteral("reelly")));
    QCOMPARE(edit.toPlainText(), QStringLiteral("Fix this typo now.\nThe “menu” — it’s fine, reelly."));
    QCOMPARE(dialog.unanswered, 0);
}

QTEST_MAIN(tst_csapiSpeller)
#include "tst_csapiSpeller.moc"
