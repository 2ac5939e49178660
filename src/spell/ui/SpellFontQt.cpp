#include "SpellFontQt.h"

QFont toQFont(const SpellFont& font) {
    QFont result(font.name);
    if (font.pixelHeight > 0)
        result.setPixelSize(font.pixelHeight);
    else
        result.setPointSize(font.pointSize);
    return result;
}

QColor misspellColor(const MisspellingStyle& font) {
    return QColor::fromRgb(QRgb(0xFF000000u | font.colour));
}

QFont misspellQFont(const MisspellingStyle& font, const QFont& base) {
    QFont result(base);
    result.setFamily(font.family);
    result.setBold(font.style & MisspellingStyle::Bold);
    result.setItalic(font.style & MisspellingStyle::Italic);
    result.setUnderline(font.style & MisspellingStyle::Underline);
    result.setStrikeOut(font.style & MisspellingStyle::StrikeOut);
    return result;
}
