#pragma once

#include <QString>

// The transformations applied to titles and bodies on their way into and out of the notes file.
// In memory a line break is "\n" (Qt's convention); in the file it is the two characters "^M".
namespace StoreEscapes {

QString escapeTitle(const QString& title);   // line breaks -> "^M"
QString escapeBody(const QString& body);     // line breaks -> "^M", then "<" -> "&lt;", ">" -> "&gt;"
QString unescapeTitle(const QString& title); // "^M"/"^m" -> line break
QString unescapeBody(const QString& body);   // "^M" -> line break, then "&lt;" -> "<", "&gt;" -> ">"

// Removes what XML 1.0 cannot carry (lone surrogates, C0 controls other than tab and line breaks,
// U+FFFE and U+FFFF).
QString xmlSafe(const QString& text);

} // namespace StoreEscapes
