#include "TrayIcon.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

QtTrayIcon::QtTrayIcon(QObject* parent) : ITrayIcon(parent), m_icon(new QSystemTrayIcon(this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit leftPressed();
    });
}

bool QtTrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::install(const QIcon& icon, const QString& tip, QMenu* menu) {
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip);
    m_icon->setContextMenu(menu);
    // On X11 also when no tray runs yet: a tray that starts later embeds it. Elsewhere Qt knows only
    // the StatusNotifierItem tray, looked for once; without it, showing the icon would only try Qt's
    // X11 tray and warn.
    if (QGuiApplication::platformName() == QLatin1String("xcb") || isAvailable())
        m_icon->show();
}

void QtTrayIcon::remove() {
    m_icon->hide();
}
