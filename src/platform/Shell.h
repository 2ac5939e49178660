#pragma once

#include <QUrl>

// The desktop's "open": URLs, mailto URLs and files go to the program the user chose for them.
class IShell {
public:
    virtual ~IShell() = default;
    // False when the desktop reports that it could not open the URL.
    virtual bool openUrl(const QUrl& url) = 0;
};
