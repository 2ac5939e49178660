#pragma once

#include "gui/TrayIcon.h"

// A notification area that the test switches on and off, and presses.
class FakeTrayIcon final : public ITrayIcon {
    Q_OBJECT
public:
    bool available = true;
    bool installed = false;
    QString tip;
    QMenu* menu = nullptr;

    bool isAvailable() const override { return available; }
    void install(const QIcon&, const QString& t, QMenu* m) override {
        installed = true;
        tip = t;
        menu = m;
    }
    void remove() override { installed = false; }
    void press() { emit leftPressed(); }
};
