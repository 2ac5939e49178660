#include "IcmpPacket.h"

#include "platform/QuillError.h"

#include <QHostAddress>

namespace IcmpPacket {

namespace {

const QString NotEnoughBytes = QStringLiteral("Not enough bytes received");

void putWord(Request& r, int offset, quint16 value) {
    r[offset] = std::uint8_t(value & 0xFF);
    r[offset + 1] = std::uint8_t(value >> 8);
}

// The ICMP message begins at `icmp`; for error messages the request they quote is assumed to carry an
// IP header as long as `quotedHeader` (the outer one for raw packets, none for datagram sockets).
Decoded decodeAt(std::span<const std::uint8_t> bytes, int icmp, int quotedHeader) {
    if (bytes.size() < std::size_t(icmp) + 8)
        throw QuillError(NotEnoughBytes);
    const quint8 type = bytes[icmp];
    const ReplyOutcome outcome = outcomeOfType(type);
    int sequenceAt = icmp + 6;
    if (outcome != ReplyOutcome::Echo)
        sequenceAt = icmp + 8 + quotedHeader + 6;
    if (bytes.size() < std::size_t(sequenceAt) + 2)
        throw QuillError(NotEnoughBytes);
    return {outcome, type, wordAt(bytes, sequenceAt)};
}

} // namespace

quint16 checksum(std::span<const std::uint8_t> bytes) {
    quint32 sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += quint32(bytes[i]) << 8 | bytes[i + 1];
    if (i < bytes.size())
        sum += quint32(bytes[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum & 0xFFFF);
}

Request buildEchoRequest(quint16 identifier, quint16 sequence, quint32 ticks, const QByteArray& text) {
    Request r{};
    r[0] = 8;
    r[1] = 0;
    putWord(r, 4, identifier);
    putWord(r, 6, sequence);
    for (int i = 0; i < 4; ++i)
        r[8 + i] = std::uint8_t(ticks >> (8 * i));
    for (int i = 0; i < PayloadSize; ++i)
        r[PayloadOffset + i] = i < text.size() ? std::uint8_t(text[i]) : std::uint8_t('E');
    const quint16 sum = checksum(r);
    r[2] = std::uint8_t(sum >> 8);
    r[3] = std::uint8_t(sum & 0xFF);
    return r;
}

quint16 wordAt(std::span<const std::uint8_t> bytes, int offset) {
    return quint16(bytes[offset] | bytes[offset + 1] << 8);
}

ReplyOutcome outcomeOfType(quint8 type) {
    switch (type) {
    case 0:
    case 8:
        return ReplyOutcome::Echo;
    case 3:
        return ReplyOutcome::Unreachable;
    case 11:
        return ReplyOutcome::TtlExceeded;
    default:
        throw QuillError(QStringLiteral("Non-echo type response received"));
    }
}

Decoded decodeIpPacket(std::span<const std::uint8_t> packet) {
    if (packet.empty())
        throw QuillError(NotEnoughBytes);
    const int ihl = (packet[0] & 0x0F) * 4;
    return decodeAt(packet, ihl, ihl);
}

Decoded decodeIcmpMessage(std::span<const std::uint8_t> message) {
    return decodeAt(message, 0, 0);
}

QString sourceAddress(std::span<const std::uint8_t> packet) {
    if (packet.size() < 16)
        return QStringLiteral("0.0.0.0");
    return QHostAddress(quint32(packet[12]) << 24 | quint32(packet[13]) << 16 | quint32(packet[14]) << 8 |
                        packet[15])
        .toString();
}

int timeToLive(std::span<const std::uint8_t> packet) {
    return packet.size() > 8 ? packet[8] : 0;
}

} // namespace IcmpPacket
