#pragma once

#include "gui/WindowPlacement.h"
#include "store/SettingsStore.h"

class QHeaderView;
class QMainWindow;
class QSplitter;
class LinkTextEdit;

// Moves the stored window values between the settings store and the main window's widgets: its
// bounds and state, the height of the content panel, the widths of the first three list columns and
// the editors' font.
class WindowSettingsBridge {
public:
    // Lays a hidden window out at the size it will show at: before the first show the splitter has
    // not sized its panels, and their sizes would be those of widgets that were never placed.
    // Where `placement` knows no positions, the window's Top and Left are neither reported nor applied.
    WindowSettingsBridge(QMainWindow& window, QSplitter& splitter, QHeaderView& header, LinkTextEdit& title,
                         LinkTextEdit& body, WindowPlacement placement = WindowPlacement::current());

    // The values as the window shows them now (its normal bounds when maximized or minimized). The
    // font colour is the window-text constant while the editors follow the desktop's text colour.
    WindowSettings current() const;
    // Applies whatever `stored` holds; missing values leave the window as it is. The content panel's
    // height is kept between its own minimum and what leaves the list panel its minimum.
    void apply(const WindowSettings& stored);

private:
    void layOut();
    int contentsHeight() const;
    int fittingContentsHeight(int wanted) const;
    void applyFont(const WindowSettings& stored);

    QMainWindow& m_window;
    QSplitter& m_splitter;
    QHeaderView& m_header;
    LinkTextEdit& m_title;
    LinkTextEdit& m_body;
    WindowPlacement m_placement;
};
