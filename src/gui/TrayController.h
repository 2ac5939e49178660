#pragma once

#include "gui/WindowPlacement.h"

#include <QObject>
#include <QTimer>

class IErrorReporter;
class ITrayIcon;
class QAction;
class QMainWindow;
class QMenu;

// The window's way in and out of the tray: minimizing, Hide and (when the settings say so) the close
// box hide the window there, and the icon or Show brings it back in the state it had. Without a tray
// the window is minimized the ordinary way instead, so it can always be reached.
class TrayController final : public QObject {
    Q_OBJECT
public:
    // Where `placement` knows no positions (Wayland) minimizing is left to the compositor.
    TrayController(QMainWindow& window, ITrayIcon& icon, IErrorReporter& log, QAction& exitCommand,
                   WindowPlacement placement = WindowPlacement::current());

    QMenu* popMenu() const { return m_menu; }
    QAction* addNoteAction() const { return m_addNote; }
    QAction* showAction() const { return m_show; }
    QAction* hideAction() const { return m_hide; }
    QAction* exitAction() const { return m_exit; }

    void install();
    void remove();
    bool inTray() const { return m_inTray; }
    bool trayAvailable() const;
    Qt::WindowStates restoreState() const { return m_restoreState; }
    void setTrayRestoreState(Qt::WindowStates state) { m_restoreState = state & Qt::WindowMaximized; }

    void minimizeToTray();
    void restoreFromTray();
    // The window was minimized by the window manager or the application.
    void windowMinimized(Qt::WindowStates before);
    // The window was shown: Show off, Hide on.
    void setTrayTexts();

private:
    void setInTray(bool inTray);
    void keepReachable();

    QMainWindow& m_window;
    ITrayIcon& m_icon;
    IErrorReporter& m_log;
    QMenu* m_menu;
    QAction* m_addNote;
    QAction* m_show;
    QAction* m_hide;
    QAction* m_exit;
    WindowPlacement m_placement;
    QTimer m_watch;
    bool m_inTray = false;
    Qt::WindowStates m_restoreState = Qt::WindowNoState;
};
