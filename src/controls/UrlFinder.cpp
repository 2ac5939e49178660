#include "UrlFinder.h"

#include <array>

namespace {

constexpr std::array<QStringView, 7> Prefixes = {u"http://", u"https://", u"ftp://", u"file://",
                                                 u"mailto:", u"news:",    u"www."};

// Only ASCII letters fold: a non-ASCII letter must never pass for a prefix letter.
char16_t asciiLower(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? char16_t(u + (u'a' - u'A')) : u;
}

bool isWordCode(char32_t code) {
    return QChar::isLetterOrNumber(code) || QChar::isMark(code);
}

// The character before `at` joins a word, host or path, so no link can begin at `at`.
bool continuesWord(QStringView line, qsizetype at) {
    if (at == 0)
        return false;
    const QChar prev = line[at - 1];
    if (prev.isLowSurrogate() && at >= 2 && line[at - 2].isHighSurrogate())
        return isWordCode(QChar::surrogateToUcs4(line[at - 2], prev));
    if (isWordCode(prev.unicode()))
        return true;
    switch (prev.unicode()) {
    case u'_':
    case u'.':
    case u'-':
    case u'/':
    case u'@':
        return true;
    default:
        return false;
    }
}

// Length of the prefix that begins a link at `at`, or 0.
qsizetype prefixAt(QStringView line, qsizetype at) {
    const char16_t first = asciiLower(line[at]);
    if (first != u'h' && first != u'f' && first != u'm' && first != u'n' && first != u'w')
        return 0;
    for (QStringView prefix : Prefixes) {
        if (prefix.size() > line.size() - at || prefix[0].unicode() != first)
            continue;
        qsizetype k = 1;
        while (k < prefix.size() && asciiLower(line[at + k]) == prefix[k].unicode())
            ++k;
        if (k == prefix.size())
            return continuesWord(line, at) ? 0 : prefix.size();
    }
    return 0;
}

bool endsSentence(QChar c) {
    switch (c.unicode()) {
    case u'.':
    case u',':
    case u';':
    case u':':
    case u'!':
    case u'?':
    case u'\'':
        return true;
    default:
        return false;
    }
}

constexpr std::array<char16_t, 3> Openers = {u'(', u'[', u'{'};
constexpr std::array<char16_t, 3> Closers = {u')', u']', u'}'};

// End of the link whose text after the prefix is [bodyStart, rawEnd), once sentence punctuation and
// unpaired closing brackets are dropped from its end.
qsizetype trimmedEnd(QStringView line, qsizetype bodyStart, qsizetype rawEnd) {
    std::array<qsizetype, 3> open{};
    std::array<qsizetype, 3> close{};
    for (qsizetype i = bodyStart; i < rawEnd; ++i) {
        const char16_t u = line[i].unicode();
        for (std::size_t k = 0; k < Openers.size(); ++k) {
            open[k] += u == Openers[k];
            close[k] += u == Closers[k];
        }
    }
    qsizetype end = rawEnd;
    while (end > bodyStart) {
        const QChar c = line[end - 1];
        if (endsSentence(c)) {
            --end;
            continue;
        }
        std::size_t k = 0;
        while (k < Closers.size() && c.unicode() != Closers[k])
            ++k;
        if (k == Closers.size() || close[k] <= open[k])
            break;
        --close[k];
        --end;
    }
    return end;
}

} // namespace

bool UrlFinder::isTerminator(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u <= 0x20 || u == 0x7f || u == u'<' || u == u'>' || u == u'"';
    return c.isSpace() || c.category() == QChar::Other_Control;
}

QList<UrlSpan> UrlFinder::find(QStringView line) {
    QList<UrlSpan> links;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype prefix = prefixAt(line, i);
        if (prefix == 0) {
            ++i;
            continue;
        }
        qsizetype rawEnd = i + prefix;
        while (rawEnd < n && !isTerminator(line[rawEnd]))
            ++rawEnd;
        const qsizetype end = trimmedEnd(line, i + prefix, rawEnd);
        if (end > i + prefix)
            links.append({i, end - i});
        // What lies between the link's end and rawEnd is dropped punctuation, where no link can
        // begin, so the scan stays linear.
        i = rawEnd;
    }
    return links;
}

std::optional<UrlSpan> UrlFinder::linkAt(QStringView line, qsizetype index) {
    if (index < 0 || index >= line.size() || isTerminator(line[index]))
        return std::nullopt;
    // Links never cross a terminator, and a terminator is a word boundary, so the run around the
    // index holds the same links as the whole line does there.
    qsizetype from = index;
    while (from > 0 && !isTerminator(line[from - 1]))
        --from;
    qsizetype to = index + 1;
    while (to < line.size() && !isTerminator(line[to]))
        ++to;
    for (const UrlSpan& link : find(line.sliced(from, to - from))) {
        if (index - from >= link.start && index - from < link.end())
            return UrlSpan{link.start + from, link.length};
    }
    return std::nullopt;
}
