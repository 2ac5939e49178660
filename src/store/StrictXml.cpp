#include "StrictXml.h"

#include "store/StoreEscapes.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <pugixml.hpp>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Sixteen bytes at once: compiled to the processor's vector instructions where it has them.
using Block = unsigned char __attribute__((vector_size(16)));

// The bytes of the block that are not plain ASCII, or are control characters other than tab and
// line breaks (or, when references count, '&'), as bits, the first byte lowest. Almost all of a
// notes file is neither.
template <bool references> unsigned oddBits(const unsigned char* p) {
    Block b;
    std::memcpy(&b, p, sizeof b);
    auto odd = (b >= 0x80) | ((b < 0x20) & (b != '\t') & (b != '\n') & (b != '\r'));
    if constexpr (references)
        odd |= b == '&';
#ifdef __SSE2__
    return unsigned(_mm_movemask_epi8(__m128i(odd)));
#else
    unsigned bits = 0;
    for (int k = 0; k < 16; ++k)
        bits |= unsigned(odd[k] & 1) << k;
    return bits;
#endif
}

// The length of the UTF-8 sequence at p when it encodes a character XML can carry, else 0.
int xmlCharLength(const unsigned char* p, qsizetype left) {
    const unsigned char lead = p[0];
    if (lead < 0x80)
        return StrictXml::isXmlChar(lead) ? 1 : 0;
    int length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0xC2)
        return 0; // a continuation byte, or the start of an overlong form
    if (lead < 0xE0)
        length = 2, c = lead & 0x1F, least = 0x80;
    else if (lead < 0xF0)
        length = 3, c = lead & 0x0F, least = 0x800;
    else if (lead < 0xF5)
        length = 4, c = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (left < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[k] & 0x3F);
    }
    return c >= least && StrictXml::isXmlChar(c) ? length : 0;
}

// The code point of the numeric reference that starts at `at` ("&#"), or an impossible one when it
// is malformed.
char32_t referencedChar(QByteArrayView bytes, qsizetype at) {
    constexpr char32_t invalid = 0x110000;
    qsizetype i = at + 2;
    const bool hex = i < bytes.size() && bytes[i] == 'x';
    i += hex;
    char32_t value = 0;
    const qsizetype firstDigit = i;
    for (; i < bytes.size() && bytes[i] != ';'; ++i) {
        const int digit = QChar::fromLatin1(bytes[i]).digitValue();
        const int hexDigit = hex && digit < 0 ? QByteArrayView("abcdef").indexOf(char(bytes[i] | 0x20)) : -1;
        if (digit < 0 && hexDigit < 0)
            return invalid;
        value = std::min<char32_t>(value * (hex ? 16 : 10) + char32_t(digit >= 0 ? digit : 10 + hexDigit),
                                   invalid);
    }
    return i == firstDigit || i == bytes.size() ? invalid : value;
}

// Numeric references to forbidden characters, taking the document in order so that comments and
// CDATA sections, where "&#1;" is only text, are passed over.
qsizetype firstForbiddenReferenceInOrder(QByteArrayView bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QByteArrayView rest = bytes.sliced(i);
        if (rest.startsWith("<!--") || rest.startsWith("<![CDATA[")) {
            const qsizetype end = bytes.indexOf(rest[2] == '-' ? "-->" : "]]>", i + 4);
            if (end < 0)
                return -1; // pugixml's own read-back refuses the open section
            i = end + 2;
        } else if (rest.startsWith("&#") && !StrictXml::isXmlChar(referencedChar(bytes, i))) {
            return i;
        }
    }
    return -1;
}

enum class Fault { None, Character, Reference };
struct Found {
    Fault fault = Fault::None;
    qsizetype at = -1;
};

// The first forbidden character and, with references, the first "&#" that names one, whether or not
// it stands in a comment or a CDATA section. One pass, so that a large file is read from memory once.
template <bool references> Found firstFault(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    // One character at `at`, a plain one included; returns where the next one starts, or -1 after a
    // fault.
    Found found;
    const auto step = [&](qsizetype at) -> qsizetype {
        const unsigned char c = p[at];
        if (c >= 0x20 && c < 0x80) {
            if (references && c == '&' && at + 1 < size && p[at + 1] == '#' &&
                !StrictXml::isXmlChar(referencedChar(bytes, at))) {
                found = {Fault::Reference, at};
                return -1;
            }
            return at + 1;
        }
        const int length = xmlCharLength(p + at, size - at);
        if (length == 0) {
            found = {Fault::Character, at};
            return -1;
        }
        return at + length;
    };
    qsizetype i = 0; // where the next character starts
    qsizetype block = 0;
    for (; block + 16 <= size; block += 16) {
        for (unsigned bits = oddBits<references>(p + block); bits != 0; bits &= bits - 1) {
            const qsizetype at = block + std::countr_zero(bits);
            if (at < i)
                continue; // inside a character already taken
            i = step(at);
            if (i < 0)
                return found;
        }
    }
    for (i = std::max(i, block); i < size;) {
        i = step(i);
        if (i < 0)
            return found;
    }
    return {};
}

// Bytes that are not UTF-8 become U+FFFD as they do when a file is opened; the rest is cleaned as
// typed text is. What would be left empty keeps a mark instead: a title of nothing but control
// characters must not turn into a note without a title, which the list would stop at.
QByteArray cleaned(const char* utf8, const char* mark) {
    const QByteArray clean = StoreEscapes::xmlSafe(QString::fromUtf8(utf8)).toUtf8();
    return clean.isEmpty() ? QByteArray(mark) : clean;
}

const char* const nameMark = "_";
const char* const valueMark = "\xEF\xBF\xBD"; // U+FFFD

bool needsCleaning(const char* utf8) {
    return StrictXml::firstForbiddenByte(QByteArrayView(utf8)) >= 0;
}

bool cleanNode(pugi::xml_node node) {
    bool changed = false;
    const auto clean = [&changed](const char* text, const char* mark, const auto& replace) {
        if (!needsCleaning(text))
            return;
        replace(cleaned(text, mark).constData());
        changed = true;
    };
    clean(node.name(), nameMark, [&](const char* name) { node.set_name(name); });
    clean(node.value(), valueMark, [&](const char* value) { node.set_value(value); });
    for (pugi::xml_attribute attribute : node.attributes()) {
        clean(attribute.name(), nameMark, [&](const char* name) { attribute.set_name(name); });
        clean(attribute.value(), valueMark, [&](const char* value) { attribute.set_value(value); });
    }
    return changed;
}

struct StringWriter final : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

// A document has one root element; pugixml reads more, and text beside them. The program works
// with the first element only, so the others are kept, as text, in comments.
bool commentOutStrayNodes(pugi::xml_document& doc) {
    bool changed = false;
    const pugi::xml_node root = doc.document_element();
    for (pugi::xml_node node = doc.first_child(); node;) {
        const pugi::xml_node next = node.next_sibling();
        const pugi::xml_node_type type = node.type();
        const bool stray = (type == pugi::node_element && node != root) || type == pugi::node_pcdata ||
                           type == pugi::node_cdata;
        if (stray) {
            StringWriter text;
            node.print(text, "", pugi::format_raw);
            doc.insert_child_before(pugi::node_comment, node).set_value(text.text.c_str());
            doc.remove_child(node);
            changed = true;
        }
        node = next;
    }
    return changed;
}

// Text of only blanks beside other nodes is formatting to the parser, which drops it when the file is
// read again: text that cleaning leaves so goes now, so that the notes in memory match the file.
bool isDroppedWhenRead(pugi::xml_node node) {
    if (node.type() != pugi::node_pcdata || (!node.previous_sibling() && !node.next_sibling()))
        return false;
    for (const char* c = node.value(); *c; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r')
            return false;
    return true;
}

} // namespace

namespace StrictXml {

qsizetype firstForbiddenByte(QByteArrayView utf8) {
    return firstFault<false>(utf8).at;
}

QString characterFault(QByteArrayView document) {
    Found found = firstFault<true>(document);
    // pugixml writes "&#" outside comments and CDATA only for control characters, so the slower walk
    // in document order is needed only when one turns up.
    if (found.fault == Fault::Reference) {
        const qsizetype character = firstFault<false>(document).at;
        const qsizetype reference = firstForbiddenReferenceInOrder(document);
        if (character >= 0 && (reference < 0 || character < reference))
            found = {Fault::Character, character};
        else
            found = {reference >= 0 ? Fault::Reference : Fault::None, reference};
    }
    switch (found.fault) {
    case Fault::Character:
        return QStringLiteral("a character XML cannot carry at byte %1").arg(found.at);
    case Fault::Reference:
        return QStringLiteral("a reference to a character XML cannot carry at byte %1").arg(found.at);
    case Fault::None:
        break;
    }
    return {};
}

bool isCertainlyClean(QByteArrayView piece) {
    return firstFault<true>(piece).fault == Fault::None;
}

bool clean(pugi::xml_document& doc) {
    bool changed = false;
    std::vector<pugi::xml_node> blanks;
    const pugi::xml_node root = doc.document_element();
    // Depth first without recursion: a document may be nested a thousand levels deep.
    for (pugi::xml_node node = doc.first_child(); node;) {
        if (cleanNode(node)) {
            changed = true;
            if (isDroppedWhenRead(node) && node.parent() != root)
                blanks.push_back(node);
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && !node.next_sibling())
            node = node.parent();
        if (node)
            node = node.next_sibling();
    }
    for (const pugi::xml_node blank : blanks)
        blank.parent().remove_child(blank);
    return commentOutStrayNodes(doc) || changed;
}

int removeDroppedBlanks(pugi::xml_node parent) {
    std::vector<pugi::xml_node> blanks;
    for (const pugi::xml_node child : parent.children())
        if (isDroppedWhenRead(child))
            blanks.push_back(child);
    for (const pugi::xml_node blank : blanks)
        parent.remove_child(blank);
    return int(blanks.size());
}

} // namespace StrictXml
