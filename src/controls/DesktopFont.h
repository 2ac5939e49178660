#pragma once

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

// The desktop's general font. A size given in pixels is turned into points, so that a stored font
// size can always be written back.
inline QFont desktopFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (font.pointSizeF() <= 0 && font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dotsPerInch = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPointSizeF(font.pixelSize() * 72.0 / dotsPerInch);
    }
    return font;
}
