#include "WindowPlacement.h"

#include <QGuiApplication>

WindowPlacement WindowPlacement::current() {
    return WindowPlacement(QGuiApplication::platformName());
}

WindowPlacement::WindowPlacement(const QString& platformName)
    : m_knowsPositions(!platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive)) {}
