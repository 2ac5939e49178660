#include "SpellFontQt.h"

QFont toQFont(const SpellFont& font) {
    QFont result(font.name);
    if (font.pixelHeight > 0)
        result.setPixelSize(font.pixelHeight);
    else
        result.setPointSize(font.pointSize);
    return result;
}

QColor misspellColor(const TMisspellFont& font) {
    return QColor::fromRgb(QRgb(0xFF000000u | font.MspColor));
}

QFont misspellQFont(const TMisspellFont& font, const QFont& base) {
    QFont result(base);
    result.setFamily(font.MspName);
    result.setBold(font.MspStyle & TMisspellFont::Bold);
    result.setItalic(font.MspStyle & TMisspellFont::Italic);
    result.setUnderline(font.MspStyle & TMisspellFont::Underline);
    result.setStrikeOut(font.MspStyle & TMisspellFont::StrikeOut);
    return result;
}
