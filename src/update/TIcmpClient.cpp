#include "TIcmpClient.h"

#include <unistd.h>

TIcmpClient::TIcmpClient() {
    Port = 0;
    Protocol = 1;
    TimeToLive = 128;
    ReceiveTimeout = 5000;
}

bool TIcmpClient::takeReply(const Received& packet) {
    IcmpPacket::Decoded decoded{};
    QString source = packet.source;
    int ttl = packet.timeToLive;
    if (packet.errorType) {
        // An error about our own request: the bytes are that request, as the kernel sent it.
        decoded = {IcmpPacket::outcomeOfType(*packet.errorType), *packet.errorType, 0};
        if (packet.bytes.size() < 8)
            return false;
        decoded.sequence = IcmpPacket::wordAt(packet.bytes, 6);
    } else if (socketKind() == IcmpSocketKind::Raw) {
        decoded = IcmpPacket::decodeIpPacket(packet.bytes);
        source = IcmpPacket::sourceAddress(packet.bytes);
        ttl = IcmpPacket::timeToLive(packet.bytes);
    } else {
        decoded = IcmpPacket::decodeIcmpMessage(packet.bytes);
    }
    if (decoded.sequence != m_sequence)
        return false;
    m_status.BytesReceived = int(packet.bytes.size());
    m_status.FromIpAddress = source;
    m_status.MsgType = decoded.type;
    m_status.SequenceId = decoded.sequence;
    m_status.TimeToLive = ttl;
    m_status.ReplyStatusType = decoded.outcome;
    return true;
}

void TIcmpClient::SendEcho(const QString& text, quint16 sequence) {
    if (sequence != 0)
        m_sequence = sequence;
    const quint32 start = tickCount();
    // A datagram socket puts its own identifier (and checksum) in; the raw one sends ours.
    const IcmpPacket::Request request =
        IcmpPacket::buildEchoRequest(quint16(::getpid() & 0xFFFF), m_sequence, start, text.toLatin1());
    const sockaddr_in to = resolveHost();

    openSocket();
    struct Closer {
        TSocketHandle& socket;
        ~Closer() { socket.close(); } // also when the echo fails
    } closer{m_socket};
    const bool sent = sendTo(to, request);
    const bool answered = sent && waitForReply([this](const Received& packet) { return takeReply(packet); });
    if (!answered) {
        m_status = TReplyStatus{}; // time-out: nothing received from anyone
        m_status.SequenceId = m_sequence;
        if (!sent) // the system itself knows of no way there
            m_status.ReplyStatusType = TReplyOutcome::Unreachable;
    }
    m_status.MsRoundTripTime = int(tickCount() - start); // unsigned difference survives a wrap
    m_socket.close();                                    // the echo is over before its event is raised
    if (OnReply)
        OnReply(m_status);
    ++m_sequence;
}
