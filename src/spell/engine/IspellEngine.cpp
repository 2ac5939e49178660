#include "IspellEngine.h"

#include "spell/engine/IspellAnswer.h"
#include "spell/engine/IspellCatalog.h"
#include "spell/engine/IspellEncoding.h"
#include "spell/engine/IspellPipe.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellChecker.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/engine/WordSplitter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(ispellLog, "quill.spell.ispell")

QString ispellDirectoryOf(const SpellChecker* checker) {
    if (checker && checker->configuration())
        return checker->configuration()->ispellDirectory();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ispell/");
}

bool isWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

} // namespace

QString IspellEngine::homeFolder(const QString& ispellDirectory) {
    // An installed program folder stays the package's, even for root, who may write anywhere.
    const bool installed =
        (QDir::cleanPath(ispellDirectory) + QLatin1Char('/')).contains(QStringLiteral("/lib/quillnote/"));
    if (!installed && isWritableFolder(ispellDirectory))
        return ispellDirectory;
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QStringLiteral("/Tarrowin/Quillnote/ispell/");
    QDir().mkpath(own);
    return own;
}

IspellEngine::IspellEngine(LanguageId language, SpellOptionFlags options, SpellChecker* checker)
    : SpellEngine(EngineType::Ispell, language, options, checker) {
    setDisabled(true);
    const QString ispellDirectory = ispellDirectoryOf(checker);
    if (!findSection(ispellDirectory)) {
        m_failure = QStringLiteral("no ispell dictionary for language %1").arg(language);
        return;
    }
    if (language != 0 && checker)
        setLanguageText(languageName(language, checker->languageNameForm()));
    startProgram(ispellDirectory, m_rawCmd);
}

IspellEngine::~IspellEngine() = default;

bool IspellEngine::findSection(const QString& ispellDirectory) {
    const LanguageId wanted = language();
    const QList<IspellSection> sections = IspellCatalog::scan(ispellDirectory);
    for (const IspellSection& section : sections) {
        setLanguageText(section.name);
        setLanguage(section.language);
        m_rawCmd = section.cmd;
        setSection(IspellCatalog::expandCommand(section.cmd, ispellDirectory), section.charset,
                   section.surrogate, section.flag);
        const bool matches =
            wanted != 0 ? section.language == wanted : checker() && section.name == checker()->languageText();
        if (matches)
            return true;
    }
    if (sections.isEmpty())
        setLanguage(0);
    return false;
}

void IspellEngine::startProgram(const QString& ispellDirectory, const QString& rawCmd) {
    m_encoding = std::make_unique<IspellEncoding>(charset());
    if (!m_encoding->isValid()) {
        disable(QStringLiteral("unknown character set \"%1\"").arg(charset()));
        return;
    }
    // Split before expanding, so that a blank in the folder's path stays inside its argument.
    QStringList arguments = QProcess::splitCommand(rawCmd);
    for (QString& argument : arguments)
        argument = IspellCatalog::expandCommand(argument, ispellDirectory);
    if (arguments.isEmpty()) {
        disable(QStringLiteral("no command line"));
        return;
    }
    const QString program = arguments.takeFirst();
    m_programName = QFileInfo(program).fileName();
    // Only the child gets this HOME: it keeps its personal dictionary there.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), homeFolder(ispellDirectory));
    m_pipe = std::make_unique<IspellPipe>();
    if (!m_pipe->start(program, arguments, ispellDirectory, environment)) {
        disable(m_pipe->failure());
        return;
    }
    // Terse mode: a correct word is answered by the empty line alone.
    if (!m_pipe->send("!")) {
        disable(m_pipe->failure());
        return;
    }
    setDisabled(false);
}

void IspellEngine::disable(const QString& why) {
    // A program that worked and then failed, or one that never greeted in time, is there but stopped
    // answering; one that could not start or refused its dictionary is missing.
    if (m_failure.isEmpty()) {
        m_stoppedAnswering = !isDisabled() || (m_pipe && m_pipe->timedOut());
        m_failure = why;
        qCWarning(ispellLog, "ispell engine for \"%s\" disabled: %s", qUtf8Printable(languageText()),
                  qUtf8Printable(why));
    }
    if (m_pipe)
        m_pipe->kill(why);
    setDisabled(true);
}

qint64 IspellEngine::processId() const {
    return m_pipe ? m_pipe->processId() : 0;
}

SpellResult IspellEngine::checkSegmentStart(const QString& buffer, int& errorLength, int& errorStart) {
    if (isDisabled())
        return SpellResult::NoErrors;
    for (const WordSplitter::Word& span : WordSplitter::words(buffer)) {
        const QString word = buffer.mid(span.start, span.length);
        // The options are looked at first: an ignored word need not be asked about.
        if (hasSpellOption(options(), SpellOption::IgnoreAllCaps) && word == QLocale::system().toUpper(word))
            continue;
        if (hasSpellOption(options(), SpellOption::IgnoreMixedDigits) &&
            std::any_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        if (checkWord(word))
            continue;
        if (isDisabled())
            return SpellResult::NoErrors;
        errorStart = span.start;
        errorLength = span.length;
        for (const auto& [from, to] : m_sessionChanges) {
            if (from == m_currentWord) {
                m_changeTo = to;
                return SpellResult::ReturningChangeAlways;
            }
        }
        return SpellResult::UnknownInputWord;
    }
    return SpellResult::NoErrors;
}

SpellResult IspellEngine::checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) {
    return checkSegmentStart(buffer, errorLength, errorStart);
}

bool IspellEngine::checkWord(const QString& word) {
    m_changeTo.clear();
    if (word.isEmpty() || isDisabled())
        return true;
    const std::optional<QByteArray> bytes = m_encoding->encode(m_wordTable.convert(word));
    // Not in the dictionary's character set, or longer than the exchange takes: not checkable.
    if (!bytes || !IspellPipe::fits("^" + *bytes))
        return true;
    // "^" makes the line a word even when it begins with a command character.
    const std::optional<QList<QByteArray>> lines = m_pipe->ask("^" + *bytes);
    if (!lines) {
        disable(m_pipe->failure());
        return true;
    }
    QStringList decoded;
    for (const QByteArray& line : *lines)
        decoded.append(m_encoding->decode(line));
    const std::optional<IspellAnswer> answer = IspellAnswer::parse(decoded);
    if (!answer) {
        disable(QStringLiteral("the program answered outside the protocol: %1")
                    .arg(decoded.join(u'|').left(200)));
        return true;
    }
    if (!answer->misspelled)
        return true;
    // Kept together, so that the suggestions belong to the word the checker shows.
    m_lastReply = answer->reply;
    m_currentWord = word;
    return false;
}

void IspellEngine::sendLine(const QString& line) {
    const std::optional<QByteArray> bytes = m_encoding->encode(m_wordTable.convert(line));
    if (!bytes || !IspellPipe::fits(*bytes))
        return;
    if (!m_pipe->send(*bytes))
        disable(m_pipe->failure());
}

void IspellEngine::changeOnce(const QString&, const QString&) {}

void IspellEngine::changeAlways(const QString& word, const QString& replacement) {
    if (!isDisabled())
        m_sessionChanges.append({word, replacement});
}

// A word that is not one word for the exchange (empty, or holding a delimiter) would turn the
// command into another one, or into several.
static bool isSingleWord(const QString& word) {
    return WordSplitter::isSingleWord(word);
}

void IspellEngine::addWord(const QString& word) {
    if (isDisabled() || !isSingleWord(word))
        return;
    sendLine(QLatin1Char('*') + word);
    // hunspell and aspell write the personal dictionary only when told to.
    if (!isDisabled())
        sendLine(QStringLiteral("#"));
}

void IspellEngine::ignoreAlways(const QString& word) {
    if (isDisabled() || !isSingleWord(word))
        return;
    sendLine(QLatin1Char('@') + word);
}

void IspellEngine::fillSuggestions(const QString& word, QStringList& list) {
    list.clear();
    if (isDisabled())
        return;
    // The dialog asks about the last finding; another word is asked about afresh.
    if (!word.isEmpty() && word != m_currentWord && isSingleWord(word)) {
        const QString lastReply = m_lastReply, currentWord = m_currentWord, changeTo = m_changeTo;
        const bool misspelled = !checkWord(word);
        if (misspelled && !isDisabled())
            list = IspellAnswer::suggestionsOf(m_lastReply);
        m_lastReply = lastReply;
        m_currentWord = currentWord;
        m_changeTo = changeTo;
        return;
    }
    list = IspellAnswer::suggestionsOf(m_lastReply);
}
