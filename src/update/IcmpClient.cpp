#include "IcmpClient.h"

#include <unistd.h>

IcmpClient::IcmpClient() {
    port = 0;
    protocol = 1;
    timeToLive = 128;
    receiveTimeoutMs = 5000;
}

bool IcmpClient::takeReply(const Received& packet) {
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
    m_status.bytesReceived = int(packet.bytes.size());
    m_status.fromAddress = source;
    m_status.messageType = decoded.type;
    m_status.sequenceId = decoded.sequence;
    m_status.timeToLive = ttl;
    m_status.outcome = decoded.outcome;
    return true;
}

void IcmpClient::sendEcho(const QString& text, quint16 sequence) {
    if (sequence != 0)
        m_sequence = sequence;
    const quint32 start = tickCount();
    // A datagram socket puts its own identifier (and checksum) in; the raw one sends ours.
    const IcmpPacket::Request request =
        IcmpPacket::buildEchoRequest(quint16(::getpid() & 0xFFFF), m_sequence, start, text.toLatin1());
    const sockaddr_in to = resolveHost();

    openSocket();
    struct Closer {
        SocketHandle& socket;
        ~Closer() { socket.close(); } // also when the echo fails
    } closer{m_socket};
    const bool sent = sendTo(to, request);
    const bool answered = sent && waitForReply([this](const Received& packet) { return takeReply(packet); });
    if (!answered) {
        m_status = ReplyStatus{}; // time-out: nothing received from anyone
        m_status.sequenceId = m_sequence;
        if (!sent) // the system itself knows of no way there
            m_status.outcome = ReplyOutcome::Unreachable;
    }
    m_status.roundTripMs = int(tickCount() - start); // unsigned difference survives a wrap
    m_socket.close();                                // the echo is over before its event is raised
    if (onReply)
        onReply(m_status);
    ++m_sequence;
}
