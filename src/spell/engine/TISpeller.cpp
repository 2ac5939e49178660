#include "TISpeller.h"

#include "spell/engine/IspellAnswer.h"
#include "spell/engine/IspellCatalog.h"
#include "spell/engine/IspellEncoding.h"
#include "spell/engine/IspellPipe.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellConfiguration.h"
#include "spell/engine/TSpellChecker.h"

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

QString ispellDirectoryOf(const TSpellChecker* checker) {
    if (checker && checker->configuration())
        return checker->configuration()->ispellDirectory();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ispell/");
}

bool isWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

} // namespace

const QString TISpeller::Delimiters = QStringLiteral(" <>!.,;:/\\|\"[]{}()+_=`~@&$%^*?#-");

bool TISpeller::isDelimiter(QChar c) {
    // Line breaks cannot be part of a word: a word is one line of the exchange.
    return Delimiters.contains(c) || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QChar(0x0B) || c == QChar(0x0C) || c == QChar(0x85) ||
           c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0);
}

QString TISpeller::homeFolder(const QString& ispellDirectory) {
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

TISpeller::TISpeller(TLanguage language, TSpellOptions options, TSpellChecker* checker)
    : TAbstractSpeller(language, options, checker) {
    SpellerType = TSpellerType::sptISpell;
    Disabled = true;
    const QString ispellDirectory = ispellDirectoryOf(checker);
    if (!findSection(ispellDirectory)) {
        m_failure = QStringLiteral("no ispell dictionary for language %1").arg(language);
        return;
    }
    if (Language != 0 && checker)
        LangName = LanguageName(Language, checker->LangOption);
    startProgram(ispellDirectory, m_rawCmd);
}

TISpeller::~TISpeller() = default;

bool TISpeller::findSection(const QString& ispellDirectory) {
    const TLanguage wanted = Language;
    const QList<IspellSection> sections = IspellCatalog::scan(ispellDirectory);
    for (const IspellSection& section : sections) {
        LangName = section.name;
        Language = section.language;
        m_rawCmd = section.cmd;
        Cmd = IspellCatalog::expandCommand(section.cmd, ispellDirectory);
        Charset = section.charset;
        Surrogate = section.surrogate;
        Flag = section.flag;
        const bool matches =
            wanted != 0 ? section.language == wanted : Checker && section.name == Checker->LangName;
        if (matches)
            return true;
    }
    if (sections.isEmpty())
        Language = 0;
    return false;
}

void TISpeller::startProgram(const QString& ispellDirectory, const QString& rawCmd) {
    m_encoding = std::make_unique<IspellEncoding>(Charset);
    if (!m_encoding->isValid()) {
        disable(QStringLiteral("unknown character set \"%1\"").arg(Charset));
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
    Disabled = false;
}

void TISpeller::disable(const QString& why) {
    // A program that worked and then failed, or one that never greeted in time, is there but stopped
    // answering; one that could not start or refused its dictionary is missing.
    if (m_failure.isEmpty()) {
        m_stoppedAnswering = !Disabled || (m_pipe && m_pipe->timedOut());
        m_failure = why;
        qCWarning(ispellLog, "ispell engine for \"%s\" disabled: %s", qUtf8Printable(LangName),
                  qUtf8Printable(why));
    }
    if (m_pipe)
        m_pipe->kill(why);
    Disabled = true;
}

qint64 TISpeller::processId() const {
    return m_pipe ? m_pipe->processId() : 0;
}

TSpellReturnCode TISpeller::CheckBufferStart(const QString& buffer, int& errorLength, int& errorStart) {
    if (Disabled)
        return TSpellReturnCode::srNoErrors;
    const int length = int(buffer.size());
    int i = 0;
    for (;;) {
        while (i < length && isDelimiter(buffer[i]))
            ++i;
        const int start = i;
        while (i < length && !isDelimiter(buffer[i]))
            ++i;
        const QString word = buffer.mid(start, i - start);
        if (word.isEmpty())
            return TSpellReturnCode::srNoErrors;
        // The options are looked at first: an ignored word need not be asked about.
        if (hasSpellOption(Options, spoIgnoreAllCaps) && word == QLocale::system().toUpper(word))
            continue;
        if (hasSpellOption(Options, spoIgnoreMixedDigits) &&
            std::any_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        if (CheckWord(word))
            continue;
        if (Disabled)
            return TSpellReturnCode::srNoErrors;
        errorStart = start;
        errorLength = int(CurrentWord.size());
        // Leading characters CheckWord dropped are not part of the finding.
        errorStart += int(word.size() - CurrentWord.size());
        for (const auto& [from, to] : SessionChanges) {
            if (from == CurrentWord) {
                ChangeTo = to;
                return TSpellReturnCode::srReturningChangeAlways;
            }
        }
        return TSpellReturnCode::srUnknownInputWord;
    }
}

TSpellReturnCode TISpeller::CheckBufferContinued(const QString& buffer, int& errorLength, int& errorStart) {
    return CheckBufferStart(buffer, errorLength, errorStart);
}

bool TISpeller::CheckWord(QString word) {
    ChangeTo.clear();
    int strip = 0;
    while (strip < word.size() && (word[strip] == u'*' || word[strip] == u'+' || word[strip] == u'-'))
        ++strip;
    word.remove(0, strip);
    if (word.isEmpty() || Disabled)
        return true;
    const std::optional<QByteArray> bytes = m_encoding->encode(WordTable.Convert(word));
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
    LastReply = answer->reply;
    CurrentWord = word;
    return false;
}

void TISpeller::SendLine(const QString& line) {
    const std::optional<QByteArray> bytes = m_encoding->encode(WordTable.Convert(line));
    if (!bytes || !IspellPipe::fits(*bytes))
        return;
    if (!m_pipe->send(*bytes))
        disable(m_pipe->failure());
}

void TISpeller::ChangeOnce(const QString&, const QString&) {}

void TISpeller::ChangeAlways(const QString& word, const QString& replacement) {
    if (!Disabled)
        SessionChanges.append({word, replacement});
}

// A word that is not one word for the exchange (empty, or holding a delimiter) would turn the
// command into another one, or into several.
static bool isSingleWord(const QString& word) {
    return !word.isEmpty() && std::none_of(word.begin(), word.end(), TISpeller::isDelimiter);
}

void TISpeller::AddWord(const QString& word) {
    if (Disabled || !isSingleWord(word))
        return;
    SendLine(QLatin1Char('*') + word);
    // hunspell and aspell write the personal dictionary only when told to.
    if (!Disabled)
        SendLine(QStringLiteral("#"));
}

void TISpeller::IgnoreAlways(const QString& word) {
    if (Disabled || !isSingleWord(word))
        return;
    SendLine(QLatin1Char('@') + word);
}

void TISpeller::GetSuggestions(const QString& word, QStringList& list) {
    list.clear();
    if (Disabled)
        return;
    // The dialog asks about the last finding; another word is asked about afresh.
    if (!word.isEmpty() && word != CurrentWord && isSingleWord(word)) {
        const QString lastReply = LastReply, currentWord = CurrentWord, changeTo = ChangeTo;
        const bool misspelled = !CheckWord(word);
        if (misspelled && !Disabled)
            list = IspellAnswer::suggestionsOf(LastReply);
        LastReply = lastReply;
        CurrentWord = currentWord;
        ChangeTo = changeTo;
        return;
    }
    list = IspellAnswer::suggestionsOf(LastReply);
}
