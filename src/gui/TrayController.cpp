#include "TrayController.h"

#include "gui/TrayIcon.h"
#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"

#include <QMainWindow>
#include <QMenu>
#include <QWindow>

namespace {
const QString UnitName = LogUnit::Main;
}

TrayController::TrayController(QMainWindow& window, ITrayIcon& icon, IErrorReporter& log,
                               QAction& exitCommand, WindowPlacement placement)
    : QObject(&window), m_window(window), m_icon(icon), m_log(log), m_menu(new QMenu(&window)),
      m_placement(placement) {
    m_menu->setObjectName(QStringLiteral("popMenu"));
    m_addNote = m_menu->addAction(QStringLiteral("&Add Note"));
    m_menu->addSeparator();
    m_show = m_menu->addAction(QStringLiteral("&Show"));
    m_hide = m_menu->addAction(QStringLiteral("&Hide"));
    m_menu->addSeparator();
    m_exit = m_menu->addAction(QStringLiteral("E&xit"));
    m_show->setEnabled(false);

    connect(m_show, &QAction::triggered, this, [this] {
        guarded(m_log, UnitName, LogRoutine::TrayShow, LogMode::Loud, [&] { restoreFromTray(); });
    });
    connect(m_hide, &QAction::triggered, this, [this] {
        guarded(m_log, UnitName, LogRoutine::TrayHide, LogMode::Loud, [&] { minimizeToTray(); });
    });
    connect(m_exit, &QAction::triggered, &exitCommand, &QAction::trigger);
    connect(&m_icon, &ITrayIcon::leftPressed, this, [this] {
        guarded(m_log, UnitName, LogRoutine::TrayClick, LogMode::Loud, [&] { restoreFromTray(); });
    });

    // Qt tells nobody when the tray goes away: look once a second, so a window hidden there comes back.
    m_watch.setInterval(1000);
    connect(&m_watch, &QTimer::timeout, this, &TrayController::keepReachable);
}

void TrayController::install() {
    m_icon.install(m_window.windowIcon(), QStringLiteral("Quillnote"), m_menu);
    m_watch.start();
}

void TrayController::remove() {
    m_watch.stop();
    m_icon.remove();
}

bool TrayController::trayAvailable() const {
    return m_icon.isAvailable();
}

void TrayController::setInTray(bool inTray) {
    m_inTray = inTray;
    m_show->setEnabled(inTray);
    m_hide->setEnabled(!inTray);
}

void TrayController::minimizeToTray() {
    guarded(m_log, UnitName, LogRoutine::MinimizeToTray, LogMode::Loud, [&] {
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

void TrayController::restoreFromTray() {
    guarded(m_log, UnitName, LogRoutine::RestoreFromTray, LogMode::Loud, [&] {
        setInTray(false);
        // The native window may still be minimized (see minimizeToTray): restoring it maps it.
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
    // Wayland tells the program of no minimize but its own, and that only for a moment: a minimized
    // window stays the compositor's, and a later Show or start brings it back by activating it.
    if (!m_placement.knowsPositions())
        return;
    // Hiding inside the state change confuses some window managers: do it once the event is done.
    if (m_icon.isAvailable())
        QTimer::singleShot(0, this, [this] {
            if (m_window.windowState() & Qt::WindowMinimized)
                minimizeToTray();
        });
}

void TrayController::setTrayTexts() {
    setInTray(false);
}

void TrayController::keepReachable() {
    if (m_inTray && !m_icon.isAvailable()) {
        setInTray(false);
        m_window.showMinimized();
    }
}
