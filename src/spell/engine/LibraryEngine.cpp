#include "LibraryEngine.h"

#include "platform/AppPaths.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/engine/SpellTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <memory>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(csapiLog, "quill.spell.csapi")

constexpr CC VerifyBuffer = 2;
constexpr CC Suggest = 3;
constexpr CC SuggestMore = 4;
constexpr uint16_t StartsSentence = 2;
constexpr uint16_t IsContinued = 1;
constexpr UDR ChangeOnceList = 0xFFFC;
constexpr UDR ChangeAlwaysList = 0xFFFD;
constexpr UDR IgnoreAlwaysList = 0xFFFE;
constexpr SCRS NoMoreSuggestions = 8;
constexpr SEC UserDictionaryNotOpen = 0x8102;
constexpr int SuggestionAreaSize = 1024;
constexpr int RatingAreaSize = 255;
// A record counts at most this many bytes of text.
constexpr qsizetype MaxRecordBytes = 0xFFFF;

const char* const EntryPoints[] = {"SpellVer",        "SpellInit",         "SpellOptions",  "SpellCheck",
                                   "SpellTerminate",  "SpellVerifyMdr",    "SpellOpenMdr",  "SpellOpenUdr",
                                   "SpellAddUdr",     "SpellAddChangeUdr", "SpellDelUdr",   "SpellClearUdr",
                                   "SpellGetSizeUdr", "SpellGetListUdr",   "SpellCloseMdr", "SpellCloseUdr"};

// Where the configuration lives when the checker has none: the program folder and the installed
// hunspell dictionaries.
const SpellConfiguration& configurationOf(const SpellChecker* checker,
                                          std::unique_ptr<SpellConfiguration>& own) {
    if (checker && checker->configuration())
        return *checker->configuration();
    own = std::make_unique<SpellConfiguration>(nullptr,
                                               QCoreApplication::applicationDirPath() + QLatin1Char('/'));
    return *own;
}

bool isWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// The number of QString characters of UTF-8 bytes; the library's offsets fall on character
// boundaries, and Qt's UTF-8 keeps one character per QChar for lone surrogates too.
int charactersOf(const QByteArray& utf8) {
    return int(QString::fromUtf8(utf8).size());
}

// Where to cut a piece of at most MaxRecordBytes: behind the last blank, else at a character start.
qsizetype pieceLength(const QByteArray& utf8, qsizetype from) {
    const qsizetype left = utf8.size() - from;
    if (left <= MaxRecordBytes)
        return left;
    qsizetype cut = from + MaxRecordBytes;
    for (qsizetype i = cut; i > from + MaxRecordBytes / 2; --i)
        if (utf8[i - 1] == ' ')
            return i - from;
    while (cut > from && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return cut - from;
}

} // namespace

LibraryEngine::LibraryEngine(LanguageId language, SpellOptionFlags options, SpellChecker* checker)
    : SpellEngine(EngineType::Library, language, options, checker), m_suggestionArea(SuggestionAreaSize),
      m_ratingArea(RatingAreaSize) {
    m_wsc.bIgnore = 0;
    m_wsc.bHyphenHard = 45;
    m_wsc.bHyphenSoft = 31;
    m_wsc.bHyphenNonBreaking = 30;
    m_wsc.bEmDash = static_cast<char>(151);
    m_wsc.bEnDash = static_cast<char>(150);
    m_wsc.bEllipsis = static_cast<char>(133);
    m_wsc.rgLineBreak[0] = 11;
    m_wsc.rgLineBreak[1] = 10;
    m_wsc.rgParaBreak[0] = 13;
    m_wsc.rgParaBreak[1] = 10;

    if (!findResources()) {
        setDisabled(true);
        return;
    }
    loadLibrary();
    setDisabled(false);
    try {
        startSession();
    } catch (...) {
        // No destructor runs for a constructor that throws: give the session and library back here.
        shutDown(false);
        setDisabled(true);
        throw;
    }
}

LibraryEngine::~LibraryEngine() {
    if (!isDisabled())
        shutDown(true);
}

bool LibraryEngine::findResources() {
    std::unique_ptr<SpellConfiguration> own;
    const SpellConfiguration& configuration = configurationOf(checker(), own);
    auto entry = configuration.proofingEntry(language());
    if (!entry)
        entry = configuration.proofingEntry(LanguageId((language() & 0x3FF) | 0x400));
    if (!entry)
        return false;
    m_libraryPath = entry->engine;
    m_dictionaryPath = entry->dictionary;

    // The user dictionary: the checker's, else the Custom Dictionaries key's (whose absence means
    // the key is to be made), then the application's say, then CUSTOM.DIC beside the main dictionary.
    bool keyMissing = false;
    if (checker() && !checker()->customDictionary().isEmpty()) {
        m_customDictionary = checker()->customDictionary();
    } else {
        const std::optional<QString> configured = configuration.customDictionary();
        keyMissing = !configured;
        m_customDictionary = configured.value_or(QString());
    }
    if (checker())
        m_customDictionary = checker()->chooseUserDictionary(language(), m_customDictionary);
    if (m_customDictionary.isEmpty()) {
        const QString folder = QFileInfo(m_dictionaryPath).absolutePath() + QLatin1Char('/');
        m_customDictionary = folder + QStringLiteral("CUSTOM.DIC");
        // System dictionaries live in folders users cannot write; a file that can never be created
        // would make every engine fail, so the user's own data folder takes it then.
        if (!QFileInfo::exists(m_customDictionary) && !isWritableFolder(folder)) {
            const QString data = AppPaths::forRunningProgram().dataFolder();
            QDir().mkpath(data);
            m_customDictionary = data + QStringLiteral("CUSTOM.DIC");
        }
        // Only a key made just now takes the value; a failure changes nothing for the check.
        if (keyMissing && !configuration.writeCustomDictionary(m_customDictionary))
            qCInfo(csapiLog) << "The user dictionary path could not be stored:" << m_customDictionary;
    }
    return true;
}

void LibraryEngine::loadLibrary() {
    m_library.setFileName(m_libraryPath);
    bool complete = m_library.load();
    if (complete)
        for (const char* name : EntryPoints)
            complete = complete && m_library.resolve(name) != nullptr;
    if (!complete) {
        qCInfo(csapiLog) << "Speller library" << m_libraryPath << "refused:" << m_library.errorString();
        if (m_library.isLoaded())
            m_library.unload();
        setDisabled(true);
        throw SpellError(formatSpellText(SpellText::LibraryNotLoaded, m_libraryPath));
    }
    m_spellInit = reinterpret_cast<SpellInitFn>(m_library.resolve("SpellInit"));
    m_spellOptions = reinterpret_cast<SpellOptionsFn>(m_library.resolve("SpellOptions"));
    m_spellCheck = reinterpret_cast<SpellCheckFn>(m_library.resolve("SpellCheck"));
    m_spellTerminate = reinterpret_cast<SpellTerminateFn>(m_library.resolve("SpellTerminate"));
    m_spellOpenMdr = reinterpret_cast<SpellOpenMdrFn>(m_library.resolve("SpellOpenMdr"));
    m_spellOpenUdr = reinterpret_cast<SpellOpenUdrFn>(m_library.resolve("SpellOpenUdr"));
    m_spellAddUdr = reinterpret_cast<SpellAddUdrFn>(m_library.resolve("SpellAddUdr"));
    m_spellAddChangeUdr = reinterpret_cast<SpellAddChangeUdrFn>(m_library.resolve("SpellAddChangeUdr"));
    m_spellCloseMdr = reinterpret_cast<SpellCloseMdrFn>(m_library.resolve("SpellCloseMdr"));
    m_spellCloseUdr = reinterpret_cast<SpellCloseUdrFn>(m_library.resolve("SpellCloseUdr"));
}

void LibraryEngine::startSession() {
    verify(m_spellInit(&m_splid, &m_wsc));
    m_sessionStarted = true;
    verify(m_spellOptions(m_splid, options()));
    const QByteArray dictionary = QFile::encodeName(m_dictionaryPath);
    verify(m_spellOpenMdr(m_splid, dictionary.constData(), nullptr, 0, 1, language(), &m_mdrs));
    m_mdrOpen = true;
    const QByteArray custom = QFile::encodeName(m_customDictionary);
    CSAPI_BOOL readOnly = 0;
    verify(m_spellOpenUdr(m_splid, custom.constData(), 1, IgnoreAlwaysList, &m_udr, &readOnly));
    m_udrOpen = true;

    m_sib.cMdr = 1;
    m_sib.cUdr = 1;
    m_sib.lrgMdr = &m_mdrs.mdr;
    m_sib.lrgUdr = &m_udr;
    m_srb.cch = SuggestionAreaSize;
    m_srb.lrgsz = m_suggestionArea.data();
    m_srb.cbRate = RatingAreaSize;
    m_srb.lrgbRating = m_ratingArea.data();
}

void LibraryEngine::shutDown(bool logFailures) {
    auto report = [&](SEC status, const char* call) {
        if (status != 0 && logFailures)
            qCWarning(csapiLog).noquote()
                << call << formatSpellText(SpellText::SpellingErrorNumber, int(status));
    };
    if (m_mdrOpen)
        report(m_spellCloseMdr(m_splid, &m_mdrs), "SpellCloseMdr:");
    if (m_udrOpen) {
        const SEC status = m_spellCloseUdr(m_splid, m_udr, 1);
        report(status == UserDictionaryNotOpen ? SEC(0) : status, "SpellCloseUdr:");
    }
    if (m_sessionStarted)
        report(m_spellTerminate(m_splid, 1), "SpellTerminate:");
    m_mdrOpen = m_udrOpen = m_sessionStarted = false;
    m_sib.lrgMdr = nullptr;
    m_sib.lrgUdr = nullptr;
    m_srb.lrgsz = nullptr;
    m_srb.lrgbRating = nullptr;
    if (m_library.isLoaded() && !m_library.unload() && logFailures)
        qCWarning(csapiLog).noquote()
            << formatSpellText(SpellText::LibraryNotUnloaded, m_libraryPath) << m_library.errorString();
}

void LibraryEngine::verify(SEC status) {
    if (status != 0)
        throw SpellError(formatSpellText(SpellText::SpellingErrorNumber, int(status)));
}

SpellResult LibraryEngine::checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) {
    return checkBuffer(buffer, StartsSentence, errorLength, errorStart);
}

SpellResult LibraryEngine::checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) {
    return checkBuffer(buffer, IsContinued, errorLength, errorStart);
}

SpellResult LibraryEngine::checkBuffer(const QString& buffer, uint16_t spellState, int& errorLength,
                                       int& errorStart) {
    if (isDisabled())
        return SpellResult::NoErrors;
    const QByteArray utf8 = buffer.toUtf8();
    // The record counts 16 bits of bytes: a longer segment goes in pieces, each continuing the last.
    int charactersBefore = 0;
    for (qsizetype from = 0; from < utf8.size() || from == 0;) {
        const QByteArray piece = utf8.mid(from, pieceLength(utf8, from));
        m_sib.cch = uint16_t(piece.size());
        m_sib.wSpellState = from == 0 ? spellState : IsContinued;
        m_sib.lrgch = piece.constData();
        verify(m_spellCheck(m_splid, VerifyBuffer, &m_sib, &m_srb));
        m_sib.lrgch = nullptr;
        const auto result = static_cast<SpellResult>(m_srb.scrs);
        if (result != SpellResult::NoErrors) {
            const qsizetype start = std::min<qsizetype>(m_srb.ichError, piece.size());
            const qsizetype length = std::min<qsizetype>(m_srb.cchError, piece.size() - start);
            errorStart = std::min(int(buffer.size()), charactersBefore + charactersOf(piece.left(start)));
            errorLength = std::min(int(buffer.size()) - errorStart, charactersOf(piece.mid(start, length)));
            m_errorText = buffer.mid(errorStart, errorLength);
            return result;
        }
        if (piece.isEmpty())
            break;
        charactersBefore += charactersOf(piece);
        from += piece.size();
    }
    return SpellResult::NoErrors;
}

void LibraryEngine::changeOnce(const QString& word, const QString& replacement) {
    if (!isDisabled())
        verify(m_spellAddChangeUdr(m_splid, ChangeOnceList, word.toUtf8().constData(),
                                   replacement.toUtf8().constData()));
}

void LibraryEngine::changeAlways(const QString& word, const QString& replacement) {
    if (!isDisabled())
        verify(m_spellAddChangeUdr(m_splid, ChangeAlwaysList, word.toUtf8().constData(),
                                   replacement.toUtf8().constData()));
}

void LibraryEngine::addWord(const QString& word) {
    if (!isDisabled())
        verify(m_spellAddUdr(m_splid, m_udr, word.toUtf8().constData()));
}

void LibraryEngine::ignoreAlways(const QString& word) {
    if (!isDisabled())
        verify(m_spellAddUdr(m_splid, IgnoreAlwaysList, word.toUtf8().constData()));
}

void LibraryEngine::fillSuggestions(const QString& word, QStringList& list) {
    list.clear();
    if (isDisabled())
        return;
    const QByteArray utf8 = word.toUtf8();
    if (utf8.size() > MaxRecordBytes)
        return;
    std::vector<char> suggestions(2047);
    std::vector<uint8_t> ratings(255);
    const UDR udr = m_udr;
    const SIB input{uint16_t(utf8.size()), 1, 1, 0, utf8.constData(), &m_mdrs.mdr, &udr};
    SRB output{};
    output.cch = uint16_t(suggestions.size());
    output.lrgsz = suggestions.data();
    output.cbRate = uint16_t(ratings.size());
    output.lrgbRating = ratings.data();
    verify(m_spellCheck(m_splid, Suggest, &input, &output));
    // A library that never says "no more" must not hang the program.
    for (int page = 0; output.scrs != NoMoreSuggestions && page < 1000; ++page) {
        const char* end = suggestions.data() + suggestions.size();
        for (const char* s = suggestions.data(); s < end && *s;) {
            const char* stop = std::find(s, end, '\0');
            const QString suggestion = QString::fromUtf8(s, stop - s);
            if (!list.contains(suggestion))
                list.append(suggestion);
            s = stop + 1;
        }
        std::fill(suggestions.begin(), suggestions.end(), '\0');
        verify(m_spellCheck(m_splid, SuggestMore, &input, &output));
    }
}

QString LibraryEngine::changeTo() {
    if (isDisabled() || m_suggestionArea.empty())
        return QString();
    const char* area = m_suggestionArea.data();
    const auto end = std::find(area, area + m_suggestionArea.size(), '\0');
    return QString::fromUtf8(area, end - area);
}
