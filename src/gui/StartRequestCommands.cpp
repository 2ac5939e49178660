#include "StartRequestCommands.h"

#include "gui/dialogs/QuickAddDialog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

StartRequestCommands::StartRequestCommands(std::function<void()> bringForward,
                                           std::function<void()> openQuickAdd, QObject* parent)
    : QObject(parent), m_bringForward(std::move(bringForward)), m_openQuickAdd(std::move(openQuickAdd)) {}

QWidget* StartRequestCommands::openQuickAddWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QuickAddDialog*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

void StartRequestCommands::carryOut(const StartRequest& request) {
    // Qt's Wayland plugin takes the token from here when it next asks to activate a window.
    if (!request.activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", request.activationToken.toLatin1());
    if (QWidget* quickAdd = openQuickAddWindow()) {
        quickAdd->raise();
        quickAdd->activateWindow();
        return;
    }
    if (!request.addNote) {
        m_bringForward();
        return;
    }
    // The quick-add window runs its own loop: not inside the guard's socket handler.
    QTimer::singleShot(0, this, [this] {
        if (!openQuickAddWindow())
            m_openQuickAdd();
    });
}
