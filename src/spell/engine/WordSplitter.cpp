#include "WordSplitter.h"

#include <QChar>
#include <algorithm>

namespace {

// The code point at `i` and the QString characters it takes; a lone surrogate is a character of
// its own (and no word character).
char32_t codePointAt(QStringView text, qsizetype i, int& size) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        size = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    size = 1;
    return c.unicode();
}

} // namespace

bool WordSplitter::isWordCharacter(char32_t c) {
    if (QChar::isSurrogate(c))
        return false;
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U'\'' || c == U'\u2019';
}

bool WordSplitter::endsInWord(QStringView text, int position) {
    if (position <= 0 || position > text.size())
        return false;
    qsizetype at = position - 1;
    if (text[at].isLowSurrogate() && at > 0 && text[at - 1].isHighSurrogate())
        --at;
    int size = 0;
    return isWordCharacter(codePointAt(text, at, size));
}

WordSplitter::Word WordSplitter::next(QStringView text, int from) {
    qsizetype i = std::max(from, 0);
    qsizetype start = -1;
    while (i < text.size()) {
        int size = 0;
        const bool inWord = isWordCharacter(codePointAt(text, i, size));
        if (inWord && start < 0)
            start = i;
        if (!inWord && start >= 0)
            return {int(start), int(i - start)};
        i += size;
    }
    if (start >= 0)
        return {int(start), int(text.size() - start)};
    return {int(text.size()), 0};
}

QList<WordSplitter::Word> WordSplitter::words(QStringView text) {
    QList<Word> found;
    for (Word word = next(text, 0); word.length > 0; word = next(text, word.start + word.length))
        found.append(word);
    return found;
}

bool WordSplitter::isSingleWord(QStringView text) {
    const QList<Word> found = words(text);
    return found.size() == 1 && found.front().length == text.size();
}
