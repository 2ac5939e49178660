#include "TSpellChecker.h"

#include "platform/Prompts.h"
#include "spell/engine/Languages.h"
#include "spell/engine/SpellTexts.h"

#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <unicode/uloc.h>

namespace {

using RC = TSpellReturnCode;

// Line and paragraph breaks as the text controls give them. Our controls break paragraphs with
// '\n', so a line feed begins a paragraph as a carriage return does.
bool isParaBreak(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator;
}
bool isLineBreak(QChar c) {
    return isParaBreak(c) || c == u'\v' || c == QChar::LineSeparator;
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'\'' || c == u'\u2019';
}

QString localeNameForLcid(TLanguage language) {
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

TLanguage systemDefaultLcid() {
    const QByteArray name = QLocale::system().name().toLatin1();
    const uint32_t lcid = uloc_getLCID(name.constData());
    return lcid != 0 && lcid <= 0xFFFF ? TLanguage(lcid) : TLanguage(1033);
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

TSpellChecker::TSpellChecker() : m_language(systemDefaultLcid()) {}

TSpellChecker::~TSpellChecker() = default;

void TSpellChecker::setSpellerFactory(TSpellerType type, SpellerFactory factory) {
    m_factories[type] = std::move(factory);
}

void TSpellChecker::setDialogFactory(DialogFactory factory) {
    m_dialogFactory = std::move(factory);
}

void TSpellChecker::setUserLanguage(TUserLanguage language) {
    m_userLanguage = language;
    LoadSpellTexts(language);
}

const TSpellChecker::ClassFlags* TSpellChecker::RegisteredClass(const ISpellTextControl& control) {
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

void TSpellChecker::CheckControl(ISpellTextControl& control) {
    if (!Available)
        return;
    if (control.textLength() <= 0)
        return;
    if (!RegisteredClass(control))
        throw ESpellError(QStringLiteral("You can't spell check %1.").arg(control.componentName()));
    m_checked = &control;
    if (!m_dialog && m_dialogFactory)
        m_dialog = m_dialogFactory(*this);

    struct Depth {
        int& value;
        explicit Depth(int& v) : value(v) { ++value; }
        ~Depth() { --value; }
    } depth(m_checkDepth);
    m_hasPendingError = false;
    Prepare();
    ContinueCheck();
    if (m_hasPendingError) {
        m_hasPendingError = false;
        throw ESpellError(m_pendingError);
    }
}

void TSpellChecker::Prepare() {
    Cancelled = false;
    const ClassFlags* flags = RegisteredClass(*m_checked);
    if (!flags)
        throw ESpellError(QStringLiteral("You can't spell check %1.").arg(m_checked->componentName()));
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
    if (m_rangeStart > 0 && m_rangeStart <= length && isWordChar(m_text.at(m_rangeStart - 1)))
        m_rangeStart = std::clamp(m_checked->findWordBreak(m_rangeStart, ISpellTextControl::WordBreak::Left),
                                  0, m_rangeStart);

    // A start inside markup moves behind the construct.
    if (HTMLSupport) {
        int p = 0;
        while ((p = int(m_text.indexOf(u'<', p))) >= 0) {
            if (p > m_rangeStart || p >= m_rangeEnd)
                break;
            const int constructEnd = p + SkipMarkup(m_text, p);
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

void TSpellChecker::ContinueCheck() {
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
    // Called by a modeless dialog's button with no CheckControl waiting: the caller gets the error.
    if (m_hasPendingError && m_checkDepth == 0 && m_continueDepth == 0) {
        m_hasPendingError = false;
        throw ESpellError(m_pendingError);
    }
}

void TSpellChecker::runCheck() {
    m_lastResult = RC::srNoErrors;
    TSpellReturnCode result = RC::srNoErrors;
    do {
        int s = 0, e = 0;
        FindNextSegment(m_errorPos + m_errorLen, s, e);
        if (s == e) {
            FinishCheck();
            return;
        }
        TAbstractSpeller* speller = spellerFor(LanguageAtSelection(s));
        m_currentSpeller = speller;
        const QString buffer = GetTextRange(s, e);
        int errorLength = 0, errorStart = 0;
        result = RC::srNoErrors;
        if (speller)
            result = m_atParaStart ? speller->CheckBufferStart(buffer, errorLength, errorStart)
                                   : speller->CheckBufferContinued(buffer, errorLength, errorStart);
        m_lastResult = result;
        if (result != RC::srNoErrors) {
            // A finding covers at least one character of the segment, so the walk always moves on.
            const int segment = e - s;
            errorStart = std::clamp(errorStart, 0, segment - 1);
            errorLength = std::clamp(errorLength, 1, segment - errorStart);
            m_errorPos = s + errorStart;
            m_errorLen = result == RC::srExtraSpaces ? errorLength - 1 : errorLength;
            m_checked->setSelection(m_errorPos, m_errorLen);
            m_shadow->setSelection(m_errorPos, m_errorLen);
            m_errorWord = speller->GetErrorWord();
        } else {
            m_errorPos = e;
            m_errorLen = 0;
        }
        if (result == RC::srReturningChangeAlways)
            ChangeWordOnce(speller->GetChangeTo());
    } while (result == RC::srNoErrors || result == RC::srReturningChangeAlways);
    presentFinding();
}

void TSpellChecker::presentFinding() {
    if (!m_dialog) {
        // Nobody can decide about the finding: end the check rather than loop.
        FinishCheck();
        return;
    }
    QString name;
    if (m_currentSpeller)
        name = m_currentSpeller->Language != 0 ? LanguageName(m_currentSpeller->Language, LangOption)
                                               : m_currentSpeller->LangName;
    m_dialog->setDialogCaption(formatCaption(Caption, name));

    switch (m_lastResult) {
    case RC::srUnknownInputWord:
    case RC::srReturningChangeOnce:
        m_dialog->PresentA(SpellTexts[9]);
        break;
    case RC::srInvalidHyphenation:
        m_dialog->PresentA(SpellTexts[10]);
        break;
    case RC::srErrorCapitalization:
        m_dialog->PresentA(SpellTexts[11]);
        break;
    case RC::srWordConsideredAbbreviation:
        m_dialog->PresentA(SpellTexts[12]);
        break;
    case RC::srNoSentenceStartCap:
        m_dialog->PresentA(SpellTexts[13]);
        break;
    case RC::srExtraSpaces:
        m_dialog->PresentA(SpellTexts[14]);
        break;
    case RC::srMissingSpace:
        m_dialog->PresentB(SpellTexts[15]);
        break;
    case RC::srInitialNumeral:
        m_dialog->PresentB(SpellTexts[16]);
        break;
    case RC::srRepeatWord:
        m_dialog->PresentC();
        break;
    case RC::srHyphChangesSpelling:
    case RC::srNoMoreSuggestions:
    case RC::srMoreInfoThanBufferCouldHold:
        // Findings without a message of their own: skip or edit, as for a missing space.
        m_dialog->PresentB(QString());
        break;
    case RC::srNoErrors:
    case RC::srReturningChangeAlways:
        break;
    }
    // A modal presentation returns only when the check has ended; the dialog may be gone by then.
    if (m_dialog && m_shadow && !m_dialog->isDialogVisible() && m_lastResult != RC::srNoErrors &&
        m_lastResult != RC::srReturningChangeAlways && !Cancelled)
        m_dialog->showDialog();
}

void TSpellChecker::FindNextSegment(int from, int& s, int& e) {
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
        } else if (HTMLSupport && c == u'<') {
            p += std::max(1, SkipMarkup(m_text, p));
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
        if (HTMLSupport) {
            const int lt = int(QStringView(m_text).left(m_rangeEnd).indexOf(u'<', s));
            if (lt >= 0)
                m_tagStart = lt;
        }
    }
    if (s >= m_runEnd) {
        m_runEnd = m_rangeEnd;
        if (m_class.LanguageRuns) {
            const TLanguage language = LanguageAtSelection(s);
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
                if (LanguageAtSelection(q) != language) {
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

int TSpellChecker::nextBreak(const QString& text, int from) const {
    for (int i = from; i < m_rangeEnd; ++i)
        if (isLineBreak(text.at(i)))
            return i;
    return m_rangeEnd;
}

int TSpellChecker::SkipMarkup(const QString& text, int position) const {
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

TLanguage TSpellChecker::LanguageAtSelection(int position) const {
    if (!m_class.LanguageRuns || !m_shadow)
        return m_language;
    const TLanguage language = m_shadow->languageAt(position);
    return language != 0 ? language : m_language;
}

QString TSpellChecker::GetTextRange(int from, int to) const {
    return m_text.mid(from, std::max(0, to - from));
}

TSpellChecker::SpellerKey TSpellChecker::spellerKey(TLanguage language) const {
    return {language, m_spellerType, language == 0 ? LangName : QString()};
}

TAbstractSpeller* TSpellChecker::spellerFor(TLanguage language) {
    const SpellerKey key = spellerKey(language);
    for (std::size_t i = 0; i < m_spellerCache.size(); ++i)
        if (m_cacheKeys[i] == key)
            return m_spellerCache[i].get();
    const auto factory = m_factories.find(m_spellerType);
    if (factory == m_factories.end() || !factory->second)
        return nullptr;
    // A constructor that throws leaves nothing in the cache; the caller ends the check.
    std::unique_ptr<TAbstractSpeller> speller = factory->second(language, Options, this);
    if (!speller)
        return nullptr;
    m_spellerCache.push_back(std::move(speller));
    m_cacheKeys.push_back(key);
    return m_spellerCache.back().get();
}

void TSpellChecker::dropStoppedSpellers() {
    if (m_shadow)
        return;
    for (std::size_t i = m_spellerCache.size(); i-- > 0;) {
        const TAbstractSpeller* speller = m_spellerCache[i].get();
        if (!speller->Disabled || !speller->stoppedAnswering())
            continue;
        if (m_currentSpeller == speller)
            m_currentSpeller = nullptr;
        m_spellerCache.erase(m_spellerCache.begin() + std::ptrdiff_t(i));
        m_cacheKeys.erase(m_cacheKeys.begin() + std::ptrdiff_t(i));
    }
}

void TSpellChecker::replaceError(const QString& newText) {
    if (!m_checked || !m_shadow)
        return;
    const int before = int(m_text.size());
    m_checked->setSelection(m_errorPos, m_errorLen);
    m_checked->replaceSelection(newText);
    m_shadow->setSelection(m_errorPos, m_errorLen);
    m_shadow->replaceSelection(newText);
    m_text = m_shadow->textRange(0, m_shadow->textLength());
    if (OnChangeText)
        OnChangeText(this, m_errorPos, m_errorLen, newText);
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

void TSpellChecker::ChangeWord(const QString& newText) {
    if (m_currentSpeller)
        m_currentSpeller->ChangeOnce(m_errorWord, newText);
    replaceError(newText);
}

void TSpellChecker::ChangeWordAll(const QString& newText) {
    if (m_currentSpeller)
        m_currentSpeller->ChangeAlways(m_errorWord, newText);
    replaceError(newText);
}

void TSpellChecker::ChangeWordOnce(const QString& newText) {
    replaceError(newText);
    if (m_lastResult == RC::srExtraSpaces)
        m_errorLen = 0;
}

void TSpellChecker::DeleteRepeatedWord() {
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
    if (OnChangeText)
        OnChangeText(this, start, count, QString());
    m_rangeEnd -= count;
    m_paraEnd -= count;
    m_tagStart -= count;
    m_runEnd -= count;
    m_errorPos = start;
    m_errorLen = 0;
}

void TSpellChecker::AddErrorWord() {
    if (!m_currentSpeller)
        return;
    m_currentSpeller->AddWord(m_currentSpeller->GetErrorWord());
    m_errorLen = 0;
}

void TSpellChecker::IgnoreErrorWord() {
    if (!m_currentSpeller)
        return;
    m_currentSpeller->IgnoreAlways(m_currentSpeller->GetErrorWord());
}

void TSpellChecker::FinishCheck() {
    endCheck(false);
}

void TSpellChecker::endCheck(bool failed) {
    if (m_dialog) {
        m_dialog->hideDialog();
        if (m_dialog)
            m_dialog->closeDialog();
    }
    const bool wasRunning = m_shadow != nullptr;
    m_shadow.reset();
    if (!wasRunning)
        return;
    if (OnFinished)
        OnFinished(this);
    // Our prompts carry the program's caption; the finish message shows as information with OK.
    if (!failed && ShowFinishMessage && !FinishMessage.isEmpty() &&
        (!m_currentSpeller || !m_currentSpeller->Disabled) && m_prompts)
        m_prompts->messageDlg(FinishMessage, MsgKind::Information, MsgButton::OK);
}

void TSpellChecker::GetSuggestions(const QString& word, QStringList& list, TLanguage language) {
    list.clear();
    if (TAbstractSpeller* speller = spellerFor(language))
        speller->GetSuggestions(word, list);
}

QString TSpellChecker::CapitalizeFirst(const QString& word) const {
    if (word.isEmpty())
        return word;
    const TLanguage language = m_currentSpeller ? m_currentSpeller->Language : 0;
    const QString name = localeNameForLcid(language);
    const QLocale locale = name.isEmpty() ? QLocale::c() : QLocale(name);
    const int first = word.at(0).isHighSurrogate() && word.size() > 1 ? 2 : 1;
    return locale.toUpper(word.left(first)) + word.mid(first);
}

void TSpellChecker::GetLineAt(int position, int& lineStart, QString& lineText) const {
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
