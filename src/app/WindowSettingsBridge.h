#pragma once

#include "store/SettingsStore.h"

class QHeaderView;
class QMainWindow;
class QSplitter;
class TRichEditURL;

// Moves the stored window values between the settings store and the main window's widgets: its
// bounds and state, the height of the content panel, the widths of the first three list columns and
// the editors' font.
class WindowSettingsBridge {
public:
    WindowSettingsBridge(QMainWindow& window, QSplitter& splitter, QHeaderView& header, TRichEditURL& title,
                         TRichEditURL& body);

    // The values as the window shows them now (its normal bounds when maximized or minimized).
    WindowSettings current() const;
    // Applies whatever `stored` holds; missing values leave the window as it is.
    void apply(const WindowSettings& stored);

private:
    int contentsHeight() const;

    QMainWindow& m_window;
    QSplitter& m_splitter;
    QHeaderView& m_header;
    TRichEditURL& m_title;
    TRichEditURL& m_body;
};
