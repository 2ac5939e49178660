#pragma once

#include <QString>

// Whether the window system tells the program where its windows are and lets it put them somewhere.
// X11 does; Wayland reports every window at the origin, ignores moves and keeps minimizing to itself,
// so there the program neither stores nor applies positions, windows that would place themselves
// keep a frame, and a minimized window is left to the compositor.
class WindowPlacement {
public:
    // The running platform plugin's answer.
    static WindowPlacement current();
    explicit WindowPlacement(const QString& platformName);

    bool knowsPositions() const { return m_knowsPositions; }

private:
    bool m_knowsPositions;
};
