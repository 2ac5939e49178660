#pragma once

#include <QColor>
#include <algorithm>
#include <cmath>

// Text colours that stay readable on the background they are drawn on, by the WCAG 2 contrast
// measure. A colour chosen for a light desktop (links in blue, misspellings in red) is hard to read
// on a dark one, and pure red falls just short on white.
namespace ReadableColor {

// Normal text needs 4.5:1 to count as readable.
inline constexpr double MinimumContrast = 4.5;

inline double relativeLuminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

inline double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `wanted` itself when it is readable on `background`; otherwise `wanted` mixed with white (on a
// dark background) or black (on a light one) just far enough, so that its hue still shows.
inline QColor readableOn(const QColor& wanted, const QColor& background, double minimum = MinimumContrast) {
    if (contrastRatio(wanted, background) >= minimum)
        return wanted;
    // Below this luminance white gives more contrast than black.
    const bool dark = relativeLuminance(background) < 0.179;
    const QColor target = dark ? QColor(Qt::white) : QColor(Qt::black);
    const QColor from = wanted.toRgb();
    QColor mixed = target;
    for (int step = 1; step <= 50; ++step) {
        const double t = step / 50.0;
        mixed = QColor::fromRgbF(float(from.redF() + (target.redF() - from.redF()) * t),
                                 float(from.greenF() + (target.greenF() - from.greenF()) * t),
                                 float(from.blueF() + (target.blueF() - from.blueF()) * t));
        if (contrastRatio(mixed, background) >= minimum)
            break;
    }
    return mixed;
}

} // namespace ReadableColor
