#include "ConnectivityProbe.h"

#include "platform/ErrorReporter.h"
#include "platform/LogNames.h"
#include "platform/Prompts.h"
#include "update/IcmpClient.h"

namespace {

const QString UnitName = LogUnit::Options;
const QString MethodName = LogRoutine::Download;

} // namespace

ProbeResult probeHost(const ProbeSettings& settings, IPrompts& prompts, IErrorReporter& log) {
    try {
        ReplyOutcome outcome;
        {
            IcmpClient client;
            client.host = settings.host;
            client.socketKinds = settings.sockets;
            client.receiveTimeoutMs = settings.timeoutMs;
            client.sendEcho(QString(), 0);
            outcome = client.replyStatus().outcome;
        }
        if (outcome == ReplyOutcome::Echo)
            return ProbeResult::Answered;
        prompts.messageDlg(UpdateUnavailableText, MsgKind::Information, MsgButton::OK);
        return ProbeResult::NotAnswered;
    } catch (const SocketUnavailable&) {
        return ProbeResult::Unknown;
    } catch (const std::exception& e) {
        log.logError({UnitName, MethodName, messageOf(e)});
    } catch (...) {
        log.logError({UnitName, MethodName, QStringLiteral("Unknown failure")});
    }
    return ProbeResult::Failed;
}

bool probeConnectivity(const ProbeSettings& settings, IPrompts& prompts, IErrorReporter& log) {
    const ProbeResult result = probeHost(settings, prompts, log);
    return result == ProbeResult::Answered || result == ProbeResult::Unknown;
}

DownloadResult probeAndDownload(const QUrl& url, const QString& localFile, const DownloadContext& context) {
    ProbeSettings probe = context.probe;
    probe.host = url.host();
    if (!probeConnectivity(probe, context.prompts, context.log))
        return DownloadResult::Failed;
    try {
        UrlDownloader::download(url, localFile, context.limits, context.progress);
        return DownloadResult::Done;
    } catch (const DownloadCancelled&) {
        return DownloadResult::Cancelled;
    } catch (const std::exception& e) {
        context.log.logError(
            {UnitName, MethodName,
             QStringLiteral("Error downloading URL: %1\n%2").arg(url.toString(), messageOf(e))});
    }
    return DownloadResult::Failed;
}
