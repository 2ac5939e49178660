#pragma once

#include <QIcon>
#include <QObject>

class QMenu;

// The icon in the desktop's notification area. Desktops without one (offscreen, some shells, a tray
// that went away) report it as unavailable, and the program then never hides its window there.
class ITrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isAvailable() const = 0;
    virtual void install(const QIcon& icon, const QString& tip, QMenu* menu) = 0;
    virtual void remove() = 0;

signals:
    void leftPressed(); // the right button opens the menu by itself
};

// The real one, over QSystemTrayIcon.
class QtTrayIcon final : public ITrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject* parent = nullptr);
    bool isAvailable() const override;
    void install(const QIcon& icon, const QString& tip, QMenu* menu) override;
    void remove() override;

private:
    class QSystemTrayIcon* m_icon;
};
