#pragma once

#include "platform/StartRequest.h"

#include <QObject>
#include <functional>

class QWidget;

// Carries out what a later start of the program asks of the running copy: the main window brought
// forward, or the quick-add window opened. While a quick-add window is open, any request brings that
// one forward instead of stacking another. The later start's activation token is handed on, so that
// a Wayland compositor lets the window come to the front.
class StartRequestCommands final : public QObject {
    Q_OBJECT
public:
    StartRequestCommands(std::function<void()> bringForward, std::function<void()> openQuickAdd,
                         QObject* parent = nullptr);

    void carryOut(const StartRequest& request);

    // The quick-add window on the screen, if any.
    static QWidget* openQuickAddWindow();

private:
    std::function<void()> m_bringForward;
    std::function<void()> m_openQuickAdd;
};
