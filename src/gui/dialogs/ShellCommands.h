#pragma once

#include "platform/Prompts.h"
#include "platform/Shell.h"

#include <QString>
#include <functional>

// Shown when the desktop cannot open a web address. The desktop gives no error code, so this text
// stands in for the system's own error text.
inline const QString NoProgramForAddressText = QStringLiteral("No program is set up to open this address.");

// The help file beside the program.
inline const QString HelpFileName = QStringLiteral("Quillnote.html");

// Opens a web address with the desktop's browser. On failure: a beep, then a plain message, and the
// result false. `beep` defaults to QApplication::beep; tests pass their own.
bool openWebsite(IShell& shell, IPrompts& prompts, const QString& url,
                 const std::function<void()>& beep = {});

// Help, "&Help" (F1): opens the manual beside the program. A missing manual is passed over in
// silence, and what the desktop makes of the file is not examined either.
void openHelp(IShell& shell, const QString& executableFolder);
