#include "UrlDownloader.h"

#include "platform/DurableFile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <exception>
#include <memory>

namespace UrlDownloader {

namespace {

int portOf(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
}

QString seconds(int ms) {
    return QString::number((ms + 999) / 1000);
}

// Qt's HTTP thread reads header lines a byte at a time and does not stop for an abort while a fast
// flood keeps it busy; destroying its manager then waits 5 s for that thread, and a later request
// on the same manager waits behind it. So the manager is kept between downloads, and one that saw a
// transfer fail is let go, never destroyed: its thread finishes in the background.
QPointer<QNetworkAccessManager>& currentManager() {
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

QNetworkAccessManager& sharedManager() {
    QPointer<QNetworkAccessManager>& manager = currentManager();
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return *manager;
}

void retireManager() {
    QPointer<QNetworkAccessManager>& manager = currentManager();
    if (manager)
        manager->setParent(nullptr);
    manager.clear();
}

// One transfer into the sink, run to its end in a local event loop. Redirects are followed here, not
// by Qt, so that each hop is checked and only the final answer's body reaches the sink. Qt must not
// see exceptions leaving its slots: every failure is kept and thrown once the loop has ended.
void fetch(const QUrl& url, DurableFile::Sink& sink, const DownloadLimits& limits,
           IDownloadProgress* progress) {
    QNetworkAccessManager& manager = sharedManager();
    if (progress)
        progress->started(url);

    QEventLoop loop;
    QString failure;
    std::exception_ptr thrown;
    bool cancelled = false;
    qint64 received = 0;
    const QString tooLarge =
        QStringLiteral("The file is larger than the %1 bytes allowed.").arg(limits.maxBytes);
    std::unique_ptr<QNetworkReply> reply;
    auto stop = [&](const QString& why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    auto status = [&] { return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(); };
    auto isRedirect = [&] { return status() >= 300 && status() <= 399; };
    auto take = [&] {
        const QByteArray chunk = reply->readAll();
        // Only the body of a success is the file; redirects and error pages are not.
        if (chunk.isEmpty() || !failure.isEmpty() || thrown || cancelled || status() < 200 || status() > 299)
            return;
        received += chunk.size();
        if (received > limits.maxBytes)
            return stop(tooLarge);
        try {
            sink.write(chunk.constData(), chunk.size());
        } catch (...) {
            thrown = std::current_exception();
            reply->abort();
        }
    };

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        stop(QStringLiteral("The transfer took longer than %1 seconds.").arg(seconds(limits.totalTimeoutMs)));
    });
    deadline.start(limits.totalTimeoutMs);

    QUrl current = url;
    for (int hop = 0;; ++hop) {
        QNetworkRequest request(current);
        request.setTransferTimeout(limits.stallTimeoutMs);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        reply.reset(manager.get(request));
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (!isRedirect() && length.isValid() && length.toLongLong() > limits.maxBytes)
                stop(tooLarge);
        });
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, take);
        QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 got, qint64 total) {
            if (progress && !cancelled && !isRedirect() && !progress->progress(got, total)) {
                cancelled = true;
                reply->abort();
            }
        });
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        take(); // what arrived together with the end

        if (thrown)
            std::rethrow_exception(thrown);
        if (cancelled)
            throw DownloadCancelled();
        if (!failure.isEmpty())
            throw QuillError(failure);
        if (reply->error() == QNetworkReply::OperationCanceledError)
            throw QuillError(
                QStringLiteral("No data arrived for %1 seconds.").arg(seconds(limits.stallTimeoutMs)));
        if (!isRedirect())
            break;
        const QUrl target =
            current.resolved(reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (!sameOrigin(url, target))
            throw QuillError(QStringLiteral("The server sent the download on to another site: %1")
                                 .arg(target.toDisplayString()));
        if (hop >= limits.maxRedirects)
            throw QuillError(QStringLiteral("The server redirected the download more than %1 times.")
                                 .arg(limits.maxRedirects));
        current = target;
    }
    deadline.stop();

    if (status() != 0 && (status() < 200 || status() > 299))
        throw QuillError(QStringLiteral("The server answered with status %1.").arg(status()));
    if (reply->error() != QNetworkReply::NoError)
        throw QuillError(reply->errorString());
    if (status() == 0)
        throw QuillError(QStringLiteral("The server gave no answer."));
    // Qt unpacks a compressed body; its length header then counts the packed bytes.
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    const bool packed = !encoding.isEmpty() && encoding != "identity";
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (!packed && length.isValid() && length.toLongLong() != received)
        throw QuillError(QStringLiteral("The transfer ended after %1 of %2 bytes.")
                             .arg(received)
                             .arg(length.toLongLong()));
}

} // namespace

bool sameOrigin(const QUrl& a, const QUrl& b) {
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && portOf(a) == portOf(b) && portOf(a) != -1;
}

void download(const QUrl& url, const QString& path, const DownloadLimits& limits,
              IDownloadProgress* progress) {
    DurableFile::removeStaleTemporaries(path); // left by a download that was killed
    DurableFile::replaceContents(path,
                                 [&](DurableFile::Sink& sink) {
                                     try {
                                         fetch(url, sink, limits, progress);
                                     } catch (...) {
                                         retireManager();
                                         throw;
                                     }
                                 },
                                 {});
}

} // namespace UrlDownloader
