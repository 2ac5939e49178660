#pragma once

#include "platform/Shell.h"

// Opens URLs and files with the desktop's preferred programs.
class DesktopShell final : public IShell {
public:
    bool openUrl(const QUrl& url) override;
};
