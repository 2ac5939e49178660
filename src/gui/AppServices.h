#pragma once

#include "gui/TrayIcon.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QStringList>

// The platform services handed to the main window: the real ones in the program, fakes in tests.
struct AppServices {
    AppPaths paths;
    IPrompts& prompts;
    IShell& shell;
    const IClock& clock;
    QStringList arguments;     // command-line arguments after the program name
    ITrayIcon* tray = nullptr; // the notification-area icon; the desktop's when none is given
};
