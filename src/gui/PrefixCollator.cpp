#include "PrefixCollator.h"

#include <QLocale>

#include <algorithm>
#include <cstring>
#include <unicode/ucol.h>
#include <unicode/uiter.h>

namespace {

// An iterator over the beginning of a text that notes whether the collation read up to its end:
// a key that never saw the end is the same for the whole text.
struct WatchedIterator {
    UCharIterator outer; // first: ICU passes its address back
    UCharIterator inner;
    bool reachedEnd = false;

    static WatchedIterator& of(UCharIterator* iter) { return *reinterpret_cast<WatchedIterator*>(iter); }
    static const WatchedIterator& of(const UCharIterator* iter) {
        return *reinterpret_cast<const WatchedIterator*>(iter);
    }

    explicit WatchedIterator(QStringView text) {
        uiter_setString(&inner, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
        outer = inner;
        outer.getIndex = [](UCharIterator* i, UCharIteratorOrigin origin) {
            WatchedIterator& w = of(i);
            if (origin == UITER_LIMIT || origin == UITER_LENGTH)
                w.reachedEnd = true;
            return w.inner.getIndex(&w.inner, origin);
        };
        outer.move = [](UCharIterator* i, int32_t delta, UCharIteratorOrigin origin) {
            WatchedIterator& w = of(i);
            const int32_t at = w.inner.move(&w.inner, delta, origin);
            if (origin == UITER_LIMIT || at >= w.inner.limit)
                w.reachedEnd = true;
            return at;
        };
        outer.hasNext = [](UCharIterator* i) {
            WatchedIterator& w = of(i);
            const UBool more = w.inner.hasNext(&w.inner);
            w.reachedEnd |= !more;
            return more;
        };
        outer.hasPrevious = [](UCharIterator* i) { return of(i).inner.hasPrevious(&of(i).inner); };
        outer.current = [](UCharIterator* i) {
            WatchedIterator& w = of(i);
            const UChar32 c = w.inner.current(&w.inner);
            w.reachedEnd |= c < 0;
            return c;
        };
        outer.next = [](UCharIterator* i) {
            WatchedIterator& w = of(i);
            const UChar32 c = w.inner.next(&w.inner);
            w.reachedEnd |= c < 0;
            return c;
        };
        outer.previous = [](UCharIterator* i) { return of(i).inner.previous(&of(i).inner); };
        outer.getState = [](const UCharIterator* i) { return of(i).inner.getState(&of(i).inner); };
        outer.setState = [](UCharIterator* i, uint32_t state, UErrorCode* error) {
            of(i).inner.setState(&of(i).inner, state, error);
        };
    }
    WatchedIterator(const WatchedIterator&) = delete;
    WatchedIterator& operator=(const WatchedIterator&) = delete;
};

} // namespace

// The same settings as QCollator gives its ICU collator, so that the order is the one its keys give.
PrefixCollator::PrefixCollator(const QCollator& like) : m_caseSensitivity(like.caseSensitivity()) {
    const QLocale locale = like.locale();
    if (locale.language() == QLocale::C)
        return;
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    UCollator* collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return;
    }
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH,
                      like.caseSensitivity() == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY,
                      &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, like.numericMode() ? UCOL_ON : UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING,
                      like.ignorePunctuation() ? UCOL_SHIFTED : UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return;
    }
    m_collator = collator;
}

PrefixCollator::~PrefixCollator() {
    if (m_collator)
        ucol_close(m_collator);
}

bool PrefixCollator::makeKey(QStringView text, bool whole, Key& key) const {
    if (!m_collator)
        return makePlainKey(text, whole, key);
    WatchedIterator iter(text);
    uint32_t state[2] = {0, 0};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t size =
        ucol_nextSortKeyPart(m_collator, &iter.outer, state, key.bytes.data(), KeySize, &status);
    if (U_FAILURE(status) || (!whole && iter.reachedEnd))
        return false;
    key.size = std::uint8_t(size);
    key.cut = size == KeySize;
    key.made = true;
    return true;
}

// The code units in bytes that compare as the units do: one for ASCII, three for the others, so that
// a key holds the first 45 characters of most texts. No unit's bytes begin another's.
bool PrefixCollator::makePlainKey(QStringView text, bool whole, Key& key) const {
    if (m_caseSensitivity != Qt::CaseSensitive)
        return false;
    int size = 0;
    qsizetype used = 0;
    for (; used < text.size(); ++used) {
        const char16_t unit = text[used].unicode();
        if (unit < 0x7F) {
            if (size + 1 > KeySize)
                break;
            key.bytes[size_t(size++)] = std::uint8_t(unit + 1);
        } else {
            if (size + 3 > KeySize)
                break;
            key.bytes[size_t(size++)] = std::uint8_t(0x80 + (unit >> 12));
            key.bytes[size_t(size++)] = std::uint8_t(1 + ((unit >> 6) & 0x3F));
            key.bytes[size_t(size++)] = std::uint8_t(1 + (unit & 0x3F));
        }
    }
    if (!whole && used == text.size())
        return false; // the rest of the text may still tell
    key.size = std::uint8_t(size);
    key.cut = used < text.size();
    key.made = true;
    return true;
}

int PrefixCollator::compareKeys(const Key& a, const Key& b, bool& decided) {
    const int common = std::min(a.size, b.size);
    if (const int c = std::memcmp(a.bytes.data(), b.bytes.data(), size_t(common)); c != 0) {
        decided = true;
        return c;
    }
    // A complete key that begins another sorts first; keys that are cut may go on differently.
    const Key& shorter = a.size < b.size ? a : b;
    decided = a.size != b.size ? !shorter.cut : !a.cut && !b.cut;
    return int(a.size) - int(b.size);
}

int PrefixCollator::compare(QStringView a, QStringView b) const {
    if (!m_collator)
        return a.compare(b, m_caseSensitivity);
    return ucol_strcoll(m_collator, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
}
