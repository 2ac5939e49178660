#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <cstdint>
#include <span>

// How one echo ended.
enum class ReplyOutcome { Echo, TimeOut, Unreachable, TtlExceeded };

// The outcome of the last echo, as the client reports it.
struct ReplyStatus {
    int bytesReceived = 0;
    QString fromAddress = QStringLiteral("0.0.0.0");
    quint8 messageType = 0;
    quint16 sequenceId = 0;
    int roundTripMs = 0;
    int timeToLive = 0;
    ReplyOutcome outcome = ReplyOutcome::TimeOut;
};

// The echo request and the decoding of what comes back. The identifier, sequence number and tick
// count are written least significant byte first (not network order); replies are read the same way,
// so the client agrees with itself.
namespace IcmpPacket {

constexpr int RequestSize = 52;
constexpr int PayloadOffset = 20;
constexpr int PayloadSize = 32;

using Request = std::array<std::uint8_t, RequestSize>;

// The Internet checksum (RFC 1071) over `bytes`, to be stored in network byte order.
quint16 checksum(std::span<const std::uint8_t> bytes);

// Type 8, code 0, checksum, identifier, sequence, tick count, 8 zero bytes, then `text` padded with
// 'E' to 32 bytes (longer text is cut).
Request buildEchoRequest(quint16 identifier, quint16 sequence, quint32 ticks, const QByteArray& text = {});

// A 16-bit word stored least significant byte first.
quint16 wordAt(std::span<const std::uint8_t> bytes, int offset);

// What a received ICMP message says about our request.
struct Decoded {
    ReplyOutcome outcome;
    quint8 type;
    quint16 sequence;
};

// Echo reply (0) and echo request (8, our own request seen on the loopback) are an echo; 3 is
// unreachable, 11 a TTL exceeded, anything else throws "Non-echo type response received".
ReplyOutcome outcomeOfType(quint8 type);

// A whole IPv4 packet as a raw socket delivers it. Throws QuillError "Not enough bytes received" for a
// packet shorter than its header plus 8 bytes, or one whose quoted request is cut off before its
// sequence number.
Decoded decodeIpPacket(std::span<const std::uint8_t> packet);

// An ICMP message without the IP header, as a datagram ICMP socket delivers it.
Decoded decodeIcmpMessage(std::span<const std::uint8_t> message);

// The dotted source address and time-to-live of an IPv4 header (offsets 12 and 8).
QString sourceAddress(std::span<const std::uint8_t> packet);
int timeToLive(std::span<const std::uint8_t> packet);

} // namespace IcmpPacket
