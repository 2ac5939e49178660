#pragma once

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
    TrayController(QMainWindow& window, ITrayIcon& icon, IErrorReporter& log, QAction& exitCommand);

    QMenu* popMenu() const { return m_popMenu; }
    QAction* AddNote1() const { return m_addNote; }
    QAction* Show1() const { return m_show; }
    QAction* Hide1() const { return m_hide; }
    QAction* Exit2() const { return m_exit; }

    void install();
    void remove();
    bool inTray() const { return m_inTray; }
    Qt::WindowStates TrayRestoreState() const { return m_restoreState; }
    void setTrayRestoreState(Qt::WindowStates state) { m_restoreState = state & Qt::WindowMaximized; }

    void MinimizeToTray();
    void MaximizeFromTray();
    // The window was minimized by the window manager or the application.
    void windowMinimized(Qt::WindowStates before);
    // The window was shown: Show off, Hide on.
    void FormShow();

private:
    void setInTray(bool inTray);
    void keepReachable();

    QMainWindow& m_window;
    ITrayIcon& m_icon;
    IErrorReporter& m_log;
    QMenu* m_popMenu;
    QAction* m_addNote;
    QAction* m_show;
    QAction* m_hide;
    QAction* m_exit;
    QTimer m_watch;
    bool m_inTray = false;
    Qt::WindowStates m_restoreState = Qt::WindowNoState;
};
