#include "TrayController.h"

#include "gui/TrayIcon.h"
#include "platform/ErrorReporter.h"

#include <QMainWindow>
#include <QMenu>
#include <QWindow>

namespace {
const QString UnitName = QStringLiteral("Main");
}

TrayController::TrayController(QMainWindow& window, ITrayIcon& icon, IErrorReporter& log,
                               QAction& exitCommand)
    : QObject(&window), m_window(window), m_icon(icon), m_log(log), m_popMenu(new QMenu(&window)) {
    m_popMenu->setObjectName(QStringLiteral("popMenu"));
    m_addNote = m_popMenu->addAction(QStringLiteral("&Add Note"));
    m_popMenu->addSeparator();
    m_show = m_popMenu->addAction(QStringLiteral("&Show"));
    m_hide = m_popMenu->addAction(QStringLiteral("&Hide"));
    m_popMenu->addSeparator();
    m_exit = m_popMenu->addAction(QStringLiteral("E&xit"));
    m_show->setEnabled(false);

    connect(m_show, &QAction::triggered, this, [this] {
        guarded(m_log, UnitName, QStringLiteral("Show1Click"), LogMode::Loud, [&] { MaximizeFromTray(); });
    });
    connect(m_hide, &QAction::triggered, this, [this] {
        guarded(m_log, UnitName, QStringLiteral("Hide1Click"), LogMode::Loud, [&] { MinimizeToTray(); });
    });
    connect(m_exit, &QAction::triggered, &exitCommand, &QAction::trigger);
    connect(&m_icon, &ITrayIcon::leftPressed, this, [this] {
        guarded(m_log, UnitName, QStringLiteral("TrayMessage"), LogMode::Loud, [&] { MaximizeFromTray(); });
    });

    // Qt tells nobody when the tray goes away: look once a second, so a window hidden there comes back.
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &TrayController::keepReachable);
}

void TrayController::install() {
    m_icon.install(m_window.windowIcon(), QStringLiteral("Quillnote"), m_popMenu);
    m_watch.start();
}

void TrayController::remove() {
    m_watch.stop();
    m_icon.remove();
}

void TrayController::setInTray(bool inTray) {
    m_inTray = inTray;
    m_show->setEnabled(inTray);
    m_hide->setEnabled(!inTray);
}

void TrayController::MinimizeToTray() {
    guarded(m_log, UnitName, QStringLiteral("MinimizeToTray"), LogMode::Loud, [&] {
        if (!(m_window.windowState() & Qt::WindowMinimized))
            m_restoreState = m_window.windowState() & Qt::WindowMaximized;
        if (!m_icon.isAvailable()) {
            m_window.showMinimized(); // no tray to come back from: stay on the task bar
            return;
        }
        // A window in the tray is not minimized: it keeps the state it comes back in, which is also the
        // one stored at exit. Only the widget's flag changes here; changing the native window's state
        // would map the hidden window again.
        if (m_window.windowState() & Qt::WindowMinimized)
            m_window.overrideWindowState(m_restoreState); // reports the window as shown: before setInTray
        setInTray(true);
        m_window.hide();
    });
}

void TrayController::MaximizeFromTray() {
    guarded(m_log, UnitName, QStringLiteral("MaximizeFromTray"), LogMode::Loud, [&] {
        setInTray(false);
        // The native window may still be minimized (see MinimizeToTray): restoring it maps it.
        if (QWindow* native = m_window.windowHandle(); native && native->windowStates() != m_restoreState)
            native->setWindowStates(m_restoreState);
        m_window.setWindowState(m_restoreState);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    });
}

void TrayController::windowMinimized(Qt::WindowStates before) {
    m_restoreState = before & Qt::WindowMaximized;
    // Hiding inside the state change confuses some window managers: do it once the event is done.
    if (m_icon.isAvailable())
        QTimer::singleShot(0, this, [this] {
            if (m_window.windowState() & Qt::WindowMinimized)
                MinimizeToTray();
        });
}

void TrayController::FormShow() {
    setInTray(false);
}

void TrayController::keepReachable() {
    if (m_inTray && !m_icon.isAvailable()) {
        setInTray(false);
        m_window.showMinimized();
    }
}
