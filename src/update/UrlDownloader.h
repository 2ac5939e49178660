#pragma once

#include "platform/QuillError.h"

#include <QString>
#include <QUrl>

// Limits of one download. Qt's network manager has none by default.
struct DownloadLimits {
    qint64 maxBytes = qint64(256) * 1024 * 1024;
    int stallTimeoutMs = 30 * 1000;      // no byte for this long ends the transfer
    int totalTimeoutMs = 30 * 60 * 1000; // the whole transfer
    int maxRedirects = 5;
};

// Shown while a download runs; the user may cancel it.
class IDownloadProgress {
public:
    virtual ~IDownloadProgress() = default;
    // Called once before the transfer starts.
    virtual void started(const QUrl& url) = 0;
    // `total` is -1 while unknown. Answers false when the user cancelled.
    virtual bool progress(qint64 received, qint64 total) = 0;
};

// The user cancelled the download.
class DownloadCancelled : public QuillError {
public:
    DownloadCancelled() : QuillError(QStringLiteral("The download was cancelled.")) {}
};

namespace UrlDownloader {

// Same scheme, host and port (default ports filled in).
bool sameOrigin(const QUrl& a, const QUrl& b);

// Fetches `url` (GET) with a local event loop and replaces `path` with it only once every byte has
// arrived and is on disk: the bytes go to a temporary file beside it, which is renamed over `path`.
// Redirects are followed only within the same origin. Throws QuillError with the reason (the file is
// then untouched), DownloadCancelled when the progress answers false.
void download(const QUrl& url, const QString& path, const DownloadLimits& limits,
              IDownloadProgress* progress = nullptr);

} // namespace UrlDownloader
