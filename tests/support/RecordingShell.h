#pragma once

#include "platform/Shell.h"

#include <QList>

// Records what the program asked the desktop to open, instead of opening it.
class RecordingShell final : public IShell {
public:
    bool openUrl(const QUrl& url) override {
        opened.append(url);
        return succeed;
    }
    QList<QUrl> opened;
    bool succeed = true;
};
