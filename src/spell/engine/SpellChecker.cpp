#include "SpellChecker.h"

#include "platform/Prompts.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellTexts.h"
#include "spell/engine/WordSplitter.h"

#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <unicode/uloc.h>

namespace {

using RC = SpellResult;

// Line and paragraph breaks as the text controls give them. Our controls break paragraphs with
// '\n', so a line feed begins a paragraph as a carriage return does.
bool isParaBreak(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator;
}
bool isLineBreak(QChar c) {
    return isParaBreak(c) || c == u'\v' || c == QChar::LineSeparator;
}

QString localeNameForLcid(LanguageId language) {
    if (language == 0)
        return {};
    char name[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_getLocaleForLCID(language, name, sizeof name, &status);
    if (U_FAILURE(status) || length <= 0)
        return {};
    QString result = QString::fromLatin1(name, length);
    const int at = result.indexOf(u'@'); // keywords such as @collation mean nothing to QLocale
    return at >= 0 ? result.left(at) : result;
}

LanguageId systemDefaultLcid() {
    const QByteArray name = QLocale::system().name().toLatin1();
    const uint32_t lcid = uloc_getLCID(name.constData());
    return lcid != 0 && lcid <= 0xFFFF ? LanguageId(lcid) : LanguageId(1033);
}

// A caption with its one "%s" argument put in; a caption without one is shown as it is.
QString formatCaption(const QString& caption, const QString& argument) {
    QString result = caption;
    const int at = result.indexOf(QLatin1String("%s"));
    if (at >= 0)
        result.replace(at, 2, argument);
    return result;
}

} // namespace

SpellChecker::SpellChecker(QObject* parent) : QObject(parent), m_language(systemDefaultLcid()) {}

SpellChecker::~SpellChecker() = default;

void SpellChecker::setEngineFactory(EngineType type, EngineFactory factory) {
    m_factories[type] = std::move(factory);
}

void SpellChecker::setDialogFactory(DialogFactory factory) {
    m_dialogFactory = std::move(factory);
}

void SpellChecker::setSection(const QString& command, const QString& charset, const QString& surrogate,
                              const QString& flag) {
    m_command = command;
    m_charset = charset;
    m_surrogate = surrogate;
    m_flag = flag;
}

QString SpellChecker::chooseUserDictionary(LanguageId language, const QString& chosen) const {
    return m_userDictionaryChooser ? m_userDictionaryChooser(language, chosen) : chosen;
}

void SpellChecker::cancel(void* dialog) {
    m_cancelled = true;
    emit cancelled(dialog);
}

void SpellChecker::setTextLanguage(TextLanguage language) {
    m_userLanguage = language;
    loadSpellTexts(language);
}

const SpellChecker::ClassFlags* SpellChecker::registeredClass(const ISpellTextControl& control) {
    struct Entry {
        QLatin1StringView name;
        ClassFlags flags;
    };
    static const Entry registry[] = {
        {QLatin1StringView("TCustomMemo"), {false, false, false}},
        {QLatin1StringView("TCustomRichEdit"), {false, false, true}},
        {QLatin1StringView("TCustomRichEdit98"), {true, true, true}},
        {QLatin1StringView("TRXCustomRichEdit"), {true, false, true}},
    };
    for (const QString& name : control.classChain()) {
        if (name == QLatin1StringView("TCustomEdit"))
            break;
        for (const Entry& entry : registry)
            if (name == entry.name)
                return &entry.flags;
    }
    return nullptr;
}

void SpellChecker::checkControl(ISpellTextControl& control) {
    if (!m_available)
        return;
    if (control.textLength() <= 0)
        return;
    if (!registeredClass(control))
        throw SpellError(QStringLiteral("You can't spell check %1.").arg(control.componentName()));
    m_checked = &control;
    if (!m_dialog && m_dialogFactory)
        m_dialog = m_dialogFactory(*this);

    struct Depth {
        int& value;
        explicit Depth(int& v) : value(v) { ++value; }
        ~Depth() { --value; }
    } depth(m_checkDepth);
    m_hasPendingError = false;
    prepare();
    continueCheck();
    if (m_hasPendingError) {
        m_hasPendingError = false;
        throw SpellError(m_pendingError);
    }
}

void SpellChecker::prepare() {
    m_cancelled = false;
    const ClassFlags* flags = registeredClass(*m_checked);
    if (!flags)
        throw SpellError(QStringLiteral("You can't spell check %1.").arg(m_checked->componentName()));
    m_class = *flags;

    m_shadow = m_checked->makeShadow();
    m_text = m_shadow->textRange(0, m_shadow->textLength());
    const int length = int(m_text.size());

    int start = 0, end = 0;
    m_checked->selection(start, end);
    if (start > end)
        std::swap(start, end);
    start = std::clamp(start, 0, length);
    end = std::clamp(end, 0, length);
    m_rangeStart = start;
    m_rangeEnd = start == end ? length : end;

    // A caret or selection inside a word starts the check at that word's start.
    if (WordSplitter::endsInWord(m_text, m_rangeStart))
        m_rangeStart = std::clamp(m_checked->findWordBreak(m_rangeStart, ISpellTextControl::WordBreak::Left),
                                  0, m_rangeStart);

    // A start inside markup moves behind the construct.
    if (m_htmlSupport) {
        int p = 0;
        while ((p = int(m_text.indexOf(u'<', p))) >= 0) {
            if (p > m_rangeStart || p >= m_rangeEnd)
                break;
            const int constructEnd = p + skipMarkup(m_text, p);
            if (constructEnd > m_rangeStart) {
                m_rangeStart = std::min(constructEnd, m_rangeEnd);
                break;
            }
            p = constructEnd;
        }
    }

    m_errorPos = m_rangeStart;
    m_errorLen = 0;
    m_paraEnd = m_tagStart = m_runEnd = 0;
}

void SpellChecker::continueCheck() {
    if (!m_checked || !m_shadow)
        return; // no check is running
    ++m_continueDepth;
    try {
        runCheck();
    } catch (const std::exception& e) {
        m_pendingError = messageOf(e);
        m_hasPendingError = true;
    } catch (...) {
        m_pendingError = QStringLiteral("Unknown failure");
        m_hasPendingError = true;
    }
    --m_continueDepth;
    if (m_hasPendingError && m_shadow)
        endCheck(true);
    // Called by a modeless dialog's button with no checkControl waiting: the caller gets the error.
    if (m_hasPendingError && m_checkDepth == 0 && m_continueDepth == 0) {
        m_hasPendingError = false;
        throw SpellError(m_pendingError);
    }
}

void SpellChecker::runCheck() {
    m_lastResult = RC::NoErrors;
    SpellResult result = RC::NoErrors;
    do {
        int s = 0, e = 0;
        findNextSegment(m_errorPos + m_errorLen, s, e);
        if (s == e) {
            finishCheck();
            return;
        }
        SpellEngine* speller = engineFor(languageAtSelection(s));
        m_currentSpeller = speller;
        const QString buffer = textRange(s, e);
        int errorLength = 0, errorStart = 0;
        result = RC::NoErrors;
        if (speller) {
            speller->setTextAhead(QStringView(m_text).mid(e, std::max(0, m_rangeEnd - e)));
            result = m_atParaStart ? speller->checkSegmentStart(buffer, errorLength, errorStart)
                                   : speller->checkSegmentContinued(buffer, errorLength, errorStart);
        }
        m_lastResult = result;
        if (result != RC::NoErrors) {
            // A finding covers at least one character of the segment, so the walk always moves on.
            const int segment = e - s;
            errorStart = std::clamp(errorStart, 0, segment - 1);
            errorLength = std::clamp(errorLength, 1, segment - errorStart);
            m_errorPos = s + errorStart;
            m_errorLen = result == RC::ExtraSpaces ? errorLength - 1 : errorLength;
            m_checked->setSelection(m_errorPos, m_errorLen);
            m_shadow->setSelection(m_errorPos, m_errorLen);
            m_errorWord = speller->errorWord();
        } else {
            m_errorPos = e;
            m_errorLen = 0;
        }
        if (result == RC::ReturningChangeAlways)
            changeWordOnce(speller->changeTo());
    } while (result == RC::NoErrors || result == RC::ReturningChangeAlways);
    presentFinding();
}

void SpellChecker::presentFinding() {
    if (!m_dialog) {
        // Nobody can decide about the finding: end the check rather than loop.
        finishCheck();
        return;
    }
    QString name;
    if (m_currentSpeller)
        name = m_currentSpeller->language() != 0
                   ? languageName(m_currentSpeller->language(), m_languageNameForm)
                   : m_currentSpeller->languageText();
    m_dialog->setDialogCaption(formatCaption(m_caption, name));

    switch (m_lastResult) {
    case RC::UnknownInputWord:
    case RC::ReturningChangeOnce:
        m_dialog->presentSuggestions(spellText(SpellText::UnknownWord));
        break;
    case RC::InvalidHyphenation:
        m_dialog->presentSuggestions(spellText(SpellText::IllegalHyphenation));
        break;
    case RC::ErrorCapitalization:
        m_dialog->presentSuggestions(spellText(SpellText::CapitalizationError));
        break;
    case RC::WordConsideredAbbreviation:
        m_dialog->presentSuggestions(spellText(SpellText::PossibleAbbreviation));
        break;
    case RC::NoSentenceStartCap:
        m_dialog->presentSuggestions(spellText(SpellText::SentenceCapitalizationError));
        break;
    case RC::ExtraSpaces:
        m_dialog->presentSuggestions(spellText(SpellText::ExtraSpaces));
        break;
    case RC::MissingSpace:
        m_dialog->presentSkipOrEdit(spellText(SpellText::MissingSpace));
        break;
    case RC::InitialNumeral:
        m_dialog->presentSkipOrEdit(spellText(SpellText::InitialNumerals));
        break;
    case RC::RepeatWord:
        m_dialog->presentRepeatedWord();
        break;
    case RC::HyphChangesSpelling:
    case RC::NoMoreSuggestions:
    case RC::MoreInfoThanBufferCouldHold:
        // Findings without a message of their own: skip or edit, as for a missing space.
        m_dialog->presentSkipOrEdit(QString());
        break;
    case RC::NoErrors:
    case RC::ReturningChangeAlways:
        break;
    }
    // A modal presentation returns only when the check has ended; the dialog may be gone by then.
    if (m_dialog && m_shadow && !m_dialog->isDialogVisible() && m_lastResult != RC::NoErrors &&
        m_lastResult != RC::ReturningChangeAlways && !m_cancelled)
        m_dialog->showDialog();
}

void SpellChecker::findNextSegment(int from, int& s, int& e) {
    const int textLength = int(m_text.size());
    m_rangeEnd = std::clamp(m_rangeEnd, 0, textLength);
    int p = std::max(from, 0);
    bool skippedParaBreak = false;
    while (p < m_rangeEnd) {
        const QChar c = m_text.at(p);
        if (isParaBreak(c)) {
            skippedParaBreak = true;
            ++p;
        } else if (isLineBreak(c)) {
            ++p;
        } else if (m_htmlSupport && c == u'<') {
            p += std::max(1, skipMarkup(m_text, p));
        } else {
            break;
        }
    }
    if (p >= m_rangeEnd) {
        s = e = m_rangeEnd;
        return;
    }
    s = p;
    if (s >= m_paraEnd)
        m_paraEnd = nextBreak(m_text, s);
    if (s >= m_tagStart) {
        m_tagStart = m_rangeEnd;
        if (m_htmlSupport) {
            const int lt = int(QStringView(m_text).left(m_rangeEnd).indexOf(u'<', s));
            if (lt >= 0)
                m_tagStart = lt;
        }
    }
    if (s >= m_runEnd) {
        m_runEnd = m_rangeEnd;
        if (m_class.languageRuns) {
            const LanguageId language = languageAtSelection(s);
            int q = s;
            while (true) {
                int next = m_shadow->findWordBreak(q, ISpellTextControl::WordBreak::Right);
                if (next < q)
                    break;
                if (next == q)
                    next = q + 1;
                q = next;
                if (q >= m_rangeEnd)
                    break;
                if (languageAtSelection(q) != language) {
                    m_runEnd = q;
                    break;
                }
            }
        }
    }
    e = std::min({m_paraEnd, m_tagStart, m_runEnd, m_rangeEnd});
    if (e <= s) // stale limits never cut an empty segment
        e = std::min(nextBreak(m_text, s), m_rangeEnd);
    m_atParaStart = s == 0 || isParaBreak(m_text.at(s - 1)) || skippedParaBreak;
}

int SpellChecker::nextBreak(const QString& text, int from) const {
    for (int i = from; i < m_rangeEnd; ++i)
        if (isLineBreak(text.at(i)))
            return i;
    return m_rangeEnd;
}

int SpellChecker::skipMarkup(const QString& text, int position) const {
    // Iterative, so that deeply nested "<" cannot exhaust the stack.
    const QStringView taken =
        QStringView(text).left(std::max(position, std::min(m_rangeEnd, int(text.size()))));
    struct Frame {
        QLatin1StringView closer;
        bool nested;
        int searchFrom;
    };
    auto open = [&](int at) {
        const QStringView rest = taken.mid(at);
        if (rest.startsWith(QLatin1StringView("<!--")))
            return Frame{QLatin1StringView("-->"), true, at + 4};
        if (rest.startsWith(QLatin1StringView("<%")))
            return Frame{QLatin1StringView("%>"), false, at + 2};
        return Frame{QLatin1StringView(">"), true, at + 1};
    };
    std::vector<Frame> stack{open(position)};
    int end = int(taken.size());
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const int close = int(taken.indexOf(frame.closer, std::min(frame.searchFrom, int(taken.size()))));
        if (close < 0) {
            end = int(taken.size());
        } else {
            if (frame.nested) {
                const int lt = int(taken.indexOf(u'<', frame.searchFrom));
                if (lt >= 0 && lt < close) {
                    stack.push_back(open(lt));
                    continue;
                }
            }
            end = close + int(frame.closer.size());
        }
        stack.pop_back();
        if (!stack.empty())
            stack.back().searchFrom = end;
    }
    return end - position;
}

LanguageId SpellChecker::languageAtSelection(int position) const {
    if (!m_class.languageRuns || !m_shadow)
        return m_language;
    const LanguageId language = m_shadow->languageAt(position);
    return language != 0 ? language : m_language;
}

QString SpellChecker::textRange(int from, int to) const {
    return m_text.mid(from, std::max(0, to - from));
}

SpellChecker::SpellerKey SpellChecker::spellerKey(LanguageId language) const {
    return {language, m_spellerType, language == 0 ? m_languageText : QString()};
}

SpellEngine* SpellChecker::engineFor(LanguageId language) {
    const SpellerKey key = spellerKey(language);
    for (std::size_t i = 0; i < m_spellerCache.size(); ++i)
        if (m_cacheKeys[i] == key)
            return m_spellerCache[i].get();
    const auto factory = m_factories.find(m_spellerType);
    if (factory == m_factories.end() || !factory->second)
        return nullptr;
    // A constructor that throws leaves nothing in the cache; the caller ends the check.
    std::unique_ptr<SpellEngine> speller = factory->second(language, m_options, this);
    if (!speller)
        return nullptr;
    m_spellerCache.push_back(std::move(speller));
    m_cacheKeys.push_back(key);
    return m_spellerCache.back().get();
}

void SpellChecker::dropStoppedSpellers() {
    if (m_shadow)
        return;
    for (std::size_t i = m_spellerCache.size(); i-- > 0;) {
        const SpellEngine* speller = m_spellerCache[i].get();
        if (!speller->isDisabled() || !speller->stoppedAnswering())
            continue;
        if (m_currentSpeller == speller)
            m_currentSpeller = nullptr;
        m_spellerCache.erase(m_spellerCache.begin() + std::ptrdiff_t(i));
        m_cacheKeys.erase(m_cacheKeys.begin() + std::ptrdiff_t(i));
    }
}

void SpellChecker::replaceError(const QString& newText) {
    if (!m_checked || !m_shadow)
        return;
    const int before = int(m_text.size());
    m_checked->setSelection(m_errorPos, m_errorLen);
    m_checked->replaceSelection(newText);
    m_shadow->setSelection(m_errorPos, m_errorLen);
    m_shadow->replaceSelection(newText);
    m_text = m_shadow->textRange(0, m_shadow->textLength());
    emit textChanged(m_errorPos, m_errorLen, newText);
    // The control's own length change, so that a one-line control's blanks for breaks still count.
    const int d = int(m_text.size()) - before;
    if (d != 0) {
        m_rangeEnd += d;
        m_errorLen += d;
        m_paraEnd += d;
        m_tagStart += d;
        m_runEnd += d;
    }
}

void SpellChecker::changeWord(const QString& newText) {
    if (m_currentSpeller)
        m_currentSpeller->changeOnce(m_errorWord, newText);
    replaceError(newText);
}

void SpellChecker::changeWordAll(const QString& newText) {
    if (m_currentSpeller)
        m_currentSpeller->changeAlways(m_errorWord, newText);
    replaceError(newText);
}

void SpellChecker::changeWordOnce(const QString& newText) {
    replaceError(newText);
    if (m_lastResult == RC::ExtraSpaces)
        m_errorLen = 0;
}

void SpellChecker::deleteRepeatedWord() {
    if (!m_checked || !m_shadow)
        return;
    const int length = int(m_text.size());
    auto isBlank = [&](int at) {
        return at >= 0 && at < length && (m_text.at(at) == u' ' || m_text.at(at) == u'\t');
    };
    // The word goes with the blank after it; when none follows (a line break, punctuation, the
    // end), with the blank before it, so that no line merges and no punctuation is lost.
    int start = std::clamp(m_errorPos, 0, length);
    int count = std::clamp(m_errorLen, 0, length - start);
    if (isBlank(start + count))
        ++count;
    else if (isBlank(start - 1)) {
        --start;
        ++count;
    }
    m_checked->setSelection(start, count);
    m_checked->replaceSelection(QString());
    m_shadow->setSelection(start, count);
    m_shadow->replaceSelection(QString());
    m_text = m_shadow->textRange(0, m_shadow->textLength());
    emit textChanged(start, count, QString());
    m_rangeEnd -= count;
    m_paraEnd -= count;
    m_tagStart -= count;
    m_runEnd -= count;
    m_errorPos = start;
    m_errorLen = 0;
}

void SpellChecker::addErrorWord() {
    if (!m_currentSpeller)
        return;
    m_currentSpeller->addWord(m_currentSpeller->errorWord());
    m_errorLen = 0;
}

void SpellChecker::ignoreErrorWord() {
    if (!m_currentSpeller)
        return;
    m_currentSpeller->ignoreAlways(m_currentSpeller->errorWord());
}

void SpellChecker::finishCheck() {
    endCheck(false);
}

void SpellChecker::endCheck(bool failed) {
    if (m_dialog) {
        m_dialog->hideDialog();
        if (m_dialog)
            m_dialog->closeDialog();
    }
    const bool wasRunning = m_shadow != nullptr;
    m_shadow.reset();
    if (!wasRunning)
        return;
    emit finished();
    // Our prompts carry the program's caption; the finish message shows as information with OK.
    if (!failed && m_showFinishMessage && !m_finishMessage.isEmpty() &&
        (!m_currentSpeller || !m_currentSpeller->isDisabled()) && m_prompts)
        m_prompts->messageDlg(m_finishMessage, MsgKind::Information, MsgButton::OK);
}

void SpellChecker::fillSuggestions(const QString& word, QStringList& list, LanguageId language) {
    list.clear();
    if (SpellEngine* speller = engineFor(language))
        speller->fillSuggestions(word, list);
}

QString SpellChecker::capitalizeFirst(const QString& word) const {
    if (word.isEmpty())
        return word;
    const LanguageId language = m_currentSpeller ? m_currentSpeller->language() : 0;
    const QString name = localeNameForLcid(language);
    const QLocale locale = name.isEmpty() ? QLocale::c() : QLocale(name);
    const int first = word.at(0).isHighSurrogate() && word.size() > 1 ? 2 : 1;
    return locale.toUpper(word.left(first)) + word.mid(first);
}

void SpellChecker::lineAt(int position, int& lineStart, QString& lineText) const {
    const QString& text = m_text;
    const int length = int(text.size());
    position = std::clamp(position, 0, length);
    int back = std::min(position, length - 1);
    while (back >= 0 && !isLineBreak(text.at(back)))
        --back;
    // A position on a break belongs to the line it ends.
    if (back == position && position < length) {
        back = position - 1;
        while (back >= 0 && !isLineBreak(text.at(back)))
            --back;
    }
    int forward = position;
    while (forward < length && !isLineBreak(text.at(forward)))
        ++forward;
    lineStart = back + 1;
    lineText = text.mid(lineStart, forward - lineStart);
}
