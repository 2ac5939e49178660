#include "CodePages.h"

#include "spell/engine/Languages.h"

#include <utility>

namespace {

struct CharsetName {
    const char* name;
    int charset;
    int codePage;
};

// The code pages are the Windows ones of the same script, not the ISO code pages.
constexpr CharsetName charsetNames[] = {
    {"koi8-r", 204, 1251},     {"iso-ir-111", 204, 1251},  {"macroman", 77, SystemMacCodePage},
    {"UTF-8", 1, 1200},        {"iso-8859-1", 0, 1252},    {"iso-8859-2", 238, 1250},
    {"iso-8859-3", 162, 1254}, {"iso-8859-4", 186, 1257},  {"iso-8859-5", 204, 1251},
    {"iso-8859-6", 178, 1256}, {"iso-8859-7", 161, 1253},  {"iso-8859-8", 177, 1255},
    {"iso-8859-9", 162, 1254}, {"iso-8859-10", 186, 1257}, {"iso-8859-13", 186, 1257},
};

const CharsetName* findName(const QString& name) {
    for (const CharsetName& entry : charsetNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

int charsetOfName(const QString& name) {
    const CharsetName* entry = findName(name);
    return entry ? entry->charset : 1;
}

int codePageOfName(const QString& name) {
    const CharsetName* entry = findName(name);
    return entry ? entry->codePage : SystemAnsiCodePage;
}

QByteArray utf8Encode(const QString& text) {
    QByteArray result;
    result.reserve(text.size() * 3);
    for (const QChar c : text) {
        const unsigned u = c.unicode();
        if (u < 0x80) {
            result.append(char(u));
        } else if (u < 0x800) {
            result.append(char(0xC0 | (u >> 6)));
            result.append(char(0x80 | (u & 0x3F)));
        } else {
            result.append(char(0xE0 | (u >> 12)));
            result.append(char(0x80 | ((u >> 6) & 0x3F)));
            result.append(char(0x80 | (u & 0x3F)));
        }
    }
    return result;
}

void ConversionList::setCapacity(int capacity) {
    if (capacity < count()) {
        throw StringListError(QStringLiteral("List capacity out of bounds (%1)").arg(capacity));
    }
    m_items.reserve(size_t(capacity));
    m_capacity = capacity;
}

void ConversionList::setSorted(bool sorted) {
    if (sorted != m_sorted) {
        if (sorted) {
            sort();
        }
        m_sorted = sorted;
    }
}

bool ConversionList::find(const QString& s, int& index) const {
    bool found = false;
    int low = 0;
    int high = count() - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int order = m_items[size_t(mid)].from.compare(s);
        if (order < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (order == 0) {
                found = true;
                if (Duplicates != DuplicatePolicy::Accept) {
                    low = mid;
                }
            }
        }
    }
    index = low;
    return found;
}

void ConversionList::sort() {
    if (m_sorted || count() < 2) {
        return;
    }
    changing();
    quickSort(0, count() - 1);
    changed();
}

void ConversionList::quickSort(int left, int right) {
    int i = 0;
    do {
        i = left;
        int j = right;
        const QString pivot = m_items[size_t((left + right) / 2)].from;
        do {
            while (m_items[size_t(i)].from.compare(pivot) < 0) {
                ++i;
            }
            while (m_items[size_t(j)].from.compare(pivot) > 0) {
                --j;
            }
            if (i <= j) {
                if (i != j) {
                    std::swap(m_items[size_t(i)], m_items[size_t(j)]);
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) {
            quickSort(left, j);
        }
        left = i;
    } while (i < right);
}

const ConversionPair& ConversionList::item(int index) const {
    if (index < 0 || index >= count()) {
        throw StringListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    }
    return m_items[size_t(index)];
}

int ConversionList::add(const QString& from, const QString& to) {
    int index = count();
    if (m_sorted && find(from, index)) {
        if (Duplicates == DuplicatePolicy::Ignore) {
            return index;
        }
        if (Duplicates == DuplicatePolicy::Error) {
            throw StringListError(QStringLiteral("String list does not allow duplicates"));
        }
    }
    changing();
    if (count() == m_capacity) {
        setCapacity(m_capacity > 64 ? m_capacity + m_capacity / 4
                                    : (m_capacity > 8 ? m_capacity + 16 : m_capacity + 4));
    }
    m_items.insert(m_items.begin() + index, ConversionPair{from, to});
    changed();
    return index;
}

void ConversionList::clear() {
    if (m_items.empty()) {
        return;
    }
    changing();
    m_items.clear();
    m_capacity = 0;
    changed();
}

ConversionTable::ConversionTable() {
    m_reserved.setSorted(true);
    m_pairs.setSorted(true);
}

QString ConversionTable::convert(const QString& text) const {
    QString result = text;
    if (m_pairs.count() > 0) {
        qsizetype p = 0;
        while (p < result.size()) {
            const QChar c = result.at(p);
            int first = 0;
            m_pairs.find(QString(c), first);
            int best = -1;
            qsizetype bestLength = 0;
            for (int i = first; i < m_pairs.count() && m_pairs.from(i).startsWith(c); ++i) {
                const QString& from = m_pairs.from(i);
                if (from.size() > bestLength && QStringView(result).mid(p).startsWith(from)) {
                    best = i;
                    bestLength = from.size();
                }
            }
            if (best < 0) {
                ++p;
                continue;
            }
            const QString& to = m_pairs.to(best);
            result.replace(p, bestLength, to);
            p += to.size();
        }
    }
    if (charset.toUpper() == QLatin1String("UTF-8")) {
        return QString::fromLatin1(utf8Encode(result));
    }
    return result;
}
