#pragma once

#include "update/RawSocket.h"
#include "update/UrlDownloader.h"

#include <QList>
#include <QString>
#include <QUrl>

class IErrorReporter;
class IPrompts;

// Shown when the vendor's host does not answer the probe.
inline const QString UpdateUnavailableText =
    QStringLiteral("The update information for Quillnote is currently unavailable.  Make\n"
                   "sure you have an active Internet connection before checking for updates.");

// What a probe found out.
enum class ProbeResult {
    Answered,    // the host answered the echo
    NotAnswered, // no answer in time, or an ICMP error answer: the user was told
    Unknown,     // this process may open no ICMP socket: whether the host answers cannot be known
    Failed,      // logged
};

// How the probe reaches the host; the defaults are those of the program.
struct ProbeSettings {
    QString host;
    QList<IcmpSocketKind> sockets = {IcmpSocketKind::Datagram, IcmpSocketKind::Raw};
    int timeoutMs = 5000;
};

// One echo to the host with a new client (so always sequence 3489). An unanswered echo shows
// UpdateUnavailableText (showMessage, information, OK); a failure is logged as "Options" /
// "probeAndDownload". Without any ICMP socket the answer is Unknown and nothing is shown or logged: the
// download that follows reports its own failure.
ProbeResult probeHost(const ProbeSettings& settings, IPrompts& prompts, IErrorReporter& log);

// True when the download may go ahead: the host answered, or whether it does cannot be known.
bool probeConnectivity(const ProbeSettings& settings, IPrompts& prompts, IErrorReporter& log);

enum class DownloadResult { Done, Failed, Cancelled };

// What one probeAndDownload needs besides the url and the file.
struct DownloadContext {
    IPrompts& prompts;
    IErrorReporter& log;
    ProbeSettings probe; // its host is taken from the url
    DownloadLimits limits;
    IDownloadProgress* progress = nullptr;
};

// The probe, then the download of `url` into `localFile` (replaced only by a complete download). A
// failed download is logged as "Options" / "probeAndDownload" with "Error downloading URL: <url>" and the
// reason on the next line. A cancelled one is neither logged nor shown.
DownloadResult probeAndDownload(const QUrl& url, const QString& localFile, const DownloadContext& context);
