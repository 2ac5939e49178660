#pragma once

#include "spell/engine/SpellTypes.h"

#include <QByteArray>
#include <QString>

// Names, code pages and font character sets of Windows-style locale identifiers. Names come from
// ICU's locale data; the default ANSI code page and the three-letter abbreviation, which ICU does
// not know, come from small tables of our own.

// The system's ANSI code page. Linux has none; Western European 1252 stands in for it, so that
// single-byte text of an unknown locale is read the way the notes themselves are.
constexpr int SystemAnsiCodePage = 1252;
// The system's Macintosh code page (the "macroman" character set of ispell dictionaries).
constexpr int SystemMacCodePage = 2;

// The language's name in the given form: Localized in the user interface language of the system,
// English in English, Native in the language itself, Abbreviation the three-letter abbreviation
// ("ENU", "DEU"). Empty for 0 and for identifiers the locale data does not know.
QString languageName(LanguageId language, LanguageNameForm option);

// The default ANSI code page of the language; 0 for languages written in Unicode only (Hindi,
// Armenian, Georgian, ...), SystemAnsiCodePage for identifiers that are not known.
int languageCodePage(LanguageId language);

// The font character set of the language's default ANSI code page.
int languageCharset(LanguageId language);

// The font character set of a code page (0 Western, 204 Cyrillic, ...); 1 (default) for any other.
int codePageCharset(int codePage);

// Single-byte (or multi-byte) text in a code page to UTF-16 and back. Code page 0 is the system's
// ANSI code page, 2 the Macintosh one, 1200 and 65001 stand for UTF-8. Bytes that are not valid in
// the code page become U+FFFD; characters the code page lacks become '?'. An unknown code page is
// read as Latin-1, so no byte is lost.
QString ansiToWide(const QByteArray& text, int codePage);
QByteArray wideToAnsi(const QString& text, int codePage);
