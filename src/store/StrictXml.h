#pragma once

#include <QByteArrayView>
#include <QString>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// What XML 1.0 readers other than pugixml insist on. pugixml reads numeric references to control
// characters, surrogates and U+FFFE/U+FFFF, and writes them back; libxml2 and expat refuse them.
namespace StrictXml {

// Whether the code point may appear in an XML 1.0 document, raw or as a numeric reference.
constexpr bool isXmlChar(char32_t c) {
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    if (c < 0xD800)
        return true;
    if (c < 0xE000)
        return false;
    if (c < 0x10000)
        return c != 0xFFFE && c != 0xFFFF;
    return c <= 0x10FFFF;
}

// The offset of the first byte that does not start a character XML can carry in UTF-8 (a control
// character, a noncharacter, or bytes that are not UTF-8), or -1.
qsizetype firstForbiddenByte(QByteArrayView utf8);

// Why a strict reader would refuse a written document's characters, or an empty string: a forbidden
// character or a numeric reference to one outside comments and CDATA sections.
QString characterFault(QByteArrayView document);

// Whether a quick look finds nothing characterFault() could report; when it does, characterFault()
// tells what it is. A document cut into pieces each ending just after a '>' (or at its end) gives the
// same answers piece by piece, as no character or reference runs across a '>'.
bool isCertainlyClean(QByteArrayView piece);

// Makes the document what a strict reader accepts: every name and value is cleaned the way typed text
// is, and nodes beside the root element are kept as comments. Returns whether anything changed.
// The root element keeps all its children, so that their positions stay: text left blank there is
// the caller's to take out with removeDroppedBlanks().
bool clean(pugi::xml_document& doc);
// Takes out the text of only blanks beside other children of `parent`, which the parser drops when
// the file is read again. Returns how many were taken out.
int removeDroppedBlanks(pugi::xml_node parent);

} // namespace StrictXml
