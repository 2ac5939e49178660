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
#include <algorithm>
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

bool hasLineBreak(QStringView gap) {
    return std::any_of(gap.begin(), gap.end(), [](QChar c) {
        return c == u'\n' || c == u'\r' || c == u'\v' || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    });
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
    return checkSegment(buffer, errorLength, errorStart);
}

SpellResult IspellEngine::checkSegmentContinued(const QString& buffer, int& errorLength, int& errorStart) {
    return checkSegment(buffer, errorLength, errorStart);
}

SpellResult IspellEngine::checkSegment(const QString& buffer, int& errorLength, int& errorStart) {
    struct ForgetAhead {
        QStringView& ahead;
        ~ForgetAhead() { ahead = {}; }
    } forget{m_textAhead};
    m_changeTo.clear();
    for (WordSplitter::Word span = WordSplitter::next(buffer, 0); span.length > 0 && !isDisabled();
         span = WordSplitter::next(buffer, span.start + span.length)) {
        const QString word = buffer.mid(span.start, span.length);
        if (!isAsked(word))
            continue;
        const Answer* answer = answerFor(word, buffer, span.start);
        if (!answer || !answer->misspelled)
            continue;
        // Kept together, so that the suggestions belong to the word the checker shows.
        m_lastReply = answer->reply;
        m_currentWord = word;
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

bool IspellEngine::isAsked(const QString& word) const {
    // The options are looked at first: an ignored word need not be asked about.
    if (hasSpellOption(options(), SpellOption::IgnoreAllCaps) && isAllCaps(word))
        return false;
    if (hasSpellOption(options(), SpellOption::IgnoreMixedDigits) &&
        std::any_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    return true;
}

bool IspellEngine::isAllCaps(const QString& word) const {
    // A lower-case ASCII letter changes in every locale: most words need no case mapping.
    if (std::any_of(word.begin(), word.end(), [](QChar c) { return c >= u'a' && c <= u'z'; }))
        return false;
    return word == m_locale.toUpper(word);
}

int IspellEngine::pendingOf(const QString& word) const {
    const auto entry = m_answers.constFind(word);
    return entry == m_answers.constEnd() ? 0 : entry->pending;
}

const IspellEngine::Answer* IspellEngine::answerFor(const QString& word, QStringView segment, int from) {
    auto known = m_answers.constFind(word);
    if (known != m_answers.constEnd() && known->answered)
        return &*known;
    const bool pending = known != m_answers.constEnd() && known->pending > 0;
    if (m_wordsInFlight <= WordsInFlight - RefillWords || !pending)
        askAhead(segment, from);
    // A stale finding read on the way is dropped, and the word asked about again.
    for (int round = 0; round < 2 && !isDisabled(); ++round) {
        while (pendingOf(word) > 0)
            if (!readAnswer())
                return nullptr;
        known = m_answers.constFind(word);
        if (known != m_answers.constEnd() && known->answered)
            return &*known;
        askAbout(word);
    }
    return nullptr;
}

void IspellEngine::askAhead(QStringView segment, int from) {
    // The first word is the one the check needs: it goes out even when many are in flight.
    if (m_answers.size() > MaxKeptAnswers) {
        // Entries of words still out stay, as pending only.
        m_answers.removeIf([](const auto& entry) { return entry.value().pending == 0; });
        for (Answer& answer : m_answers)
            answer = Answer{answer.pending, false, false, QString()};
        m_askAlone.clear();
        m_aheadMark = nullptr;
    }
    // Room for every word of the text at once: growing the table word by word costs more than the
    // exchange.
    const qsizetype expected = std::min<qsizetype>(
        MaxKeptAnswers, m_answers.size() + (segment.size() + m_textAhead.size()) / AverageWordSpan);
    if (m_answers.capacity() < expected)
        m_answers.reserve(expected);
    QList<IspellLine> lines;
    int taken = 0;
    int looked = 0;
    // Where the scan of `text` from `start` stopped.
    auto collect = [&](QStringView text, int start) {
        lines.append(IspellLine(*m_encoding));
        int previousEnd = start;
        WordSplitter::Word span = WordSplitter::next(text, start);
        for (; span.length > 0 && looked < RefillScanLimit &&
               (taken == 0 || (m_wordsInFlight + taken < WordsInFlight && taken <= RefillWords));
             span = WordSplitter::next(text, span.start + span.length), ++looked) {
            if (hasLineBreak(text.mid(previousEnd, span.start - previousEnd)) && !lines.back().isEmpty())
                lines.append(IspellLine(*m_encoding));
            previousEnd = span.start + span.length;
            const QString word = text.mid(span.start, span.length).toString();
            // An entry with nothing in it stands for a word not asked about yet.
            Answer& entry = m_answers[word];
            if (entry.pending > 0 || entry.answered || !isAsked(word))
                continue;
            ++taken;
            enqueueWord(word, entry, m_askAlone.contains(word), lines);
        }
        return span.length > 0 ? previousEnd : int(text.size());
    };
    collect(segment, from);
    // The text ahead up to the last scan's end holds no word that is neither known nor pending
    // (unless findings were dropped since: then the mark was cleared).
    const auto ahead = quintptr(m_textAhead.data());
    const auto mark = quintptr(m_aheadMark);
    const int resume =
        mark >= ahead && mark <= ahead + quintptr(m_textAhead.size()) * sizeof(QChar) && m_aheadMark
            ? int((mark - ahead) / sizeof(QChar))
            : 0;
    m_aheadMark = m_textAhead.data() + collect(m_textAhead, resume);
    QList<QByteArray> out;
    for (IspellLine& line : lines) {
        if (line.isEmpty())
            continue;
        out.append(line.bytes());
        m_wordsInFlight += int(line.words().size());
        m_pending.enqueue({std::move(line), m_generation});
    }
    if (!out.isEmpty() && !m_pipe->sendQuestions(out))
        disable(m_pipe->failure());
}

void IspellEngine::enqueueWord(const QString& word, Answer& entry, bool alone, QList<IspellLine>& lines) {
    const std::optional<QByteArray> bytes = m_encoding->encode(m_wordTable.convert(word));
    // Not in the dictionary's character set, or longer than the exchange takes ("^" and the line
    // end included): not checkable.
    if (!bytes || !IspellPipe::fits(*bytes) || bytes->size() + 2 > IspellPipe::ExchangeBufferSize) {
        entry = Answer{entry.pending, true, false, QString()};
        return;
    }
    ++entry.pending;
    if (alone) {
        lines.insert(lines.size() - 1, IspellLine(*m_encoding));
        lines[lines.size() - 2].append(word, *bytes);
        return;
    }
    if (!lines.back().append(word, *bytes)) {
        lines.append(IspellLine(*m_encoding));
        lines.back().append(word, *bytes);
    }
}

bool IspellEngine::askAbout(const QString& word) {
    askAhead(word, 0);
    return !isDisabled();
}

bool IspellEngine::readAnswer() {
    const Pending asked = m_pending.dequeue();
    const QStringList& words = asked.line.words();
    m_wordsInFlight -= int(words.size());
    const std::optional<QList<QByteArray>> lines = m_pipe->nextAnswer();
    if (!lines) {
        settlePending(words);
        disable(m_pipe->failure());
        return false;
    }
    QStringList decoded;
    for (const QByteArray& line : *lines)
        decoded.append(m_encoding->decode(line));
    const std::optional<IspellLine::Placed> placed = asked.line.place(decoded);
    if (!placed || !placed->complete)
        settlePending(words);
    if (!placed) {
        disable(QStringLiteral("the program answered outside the protocol: %1")
                    .arg(decoded.join(u'|').left(200)));
        return false;
    }
    if (!placed->complete) {
        for (const QString& word : words)
            m_askAlone.insert(word);
        m_aheadMark = nullptr;
        return true;
    }
    for (qsizetype i = 0; i < words.size(); ++i) {
        const IspellAnswer& answer = placed->answers.at(i);
        Answer& entry = m_answers[words.at(i)];
        --entry.pending;
        if (answer.misspelled && asked.generation != m_generation)
            continue;
        entry = Answer{entry.pending, true, answer.misspelled, answer.reply};
    }
    return true;
}

void IspellEngine::settlePending(const QStringList& words) {
    for (const QString& word : words) {
        const auto entry = m_answers.find(word);
        if (entry != m_answers.end())
            --entry->pending;
    }
}

void IspellEngine::forgetFindings() {
    ++m_generation;
    m_aheadMark = nullptr;
    for (auto entry = m_answers.begin(); entry != m_answers.end();) {
        if (!entry->misspelled) {
            ++entry;
        } else if (entry->pending > 0) {
            *entry = Answer{entry->pending, false, false, QString()};
            ++entry;
        } else {
            entry = m_answers.erase(entry);
        }
    }
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
    forgetFindings();
    // hunspell and aspell write the personal dictionary only when told to.
    if (!isDisabled())
        sendLine(QStringLiteral("#"));
}

void IspellEngine::ignoreAlways(const QString& word) {
    if (isDisabled() || !isSingleWord(word))
        return;
    sendLine(QLatin1Char('@') + word);
    forgetFindings();
}

void IspellEngine::fillSuggestions(const QString& word, QStringList& list) {
    list.clear();
    if (isDisabled())
        return;
    // The dialog asks about the last finding; another word is looked up (or asked about) on its own.
    if (!word.isEmpty() && word != m_currentWord && isSingleWord(word)) {
        const Answer* answer = answerFor(word, word, 0);
        if (answer && answer->misspelled && !isDisabled())
            list = IspellAnswer::suggestionsOf(answer->reply);
        return;
    }
    list = IspellAnswer::suggestionsOf(m_lastReply);
}
