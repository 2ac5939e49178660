// What the connectivity probe receives: a whole IPv4 packet from a raw socket, an ICMP message from
// a datagram socket, and the request an error message quotes.
#include "FuzzSupport.h"

#include "platform/QuillError.h"
#include "update/IcmpPacket.h"

#include <span>

namespace {

void decode(IcmpPacket::Decoded (*decoder)(std::span<const std::uint8_t>),
            std::span<const std::uint8_t> bytes) {
    try {
        const IcmpPacket::Decoded decoded = decoder(bytes);
        FuzzSupport::check(decoded.outcome != ReplyOutcome::TimeOut, "a packet decodes as a time-out");
    } catch (const QuillError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    decode(IcmpPacket::decodeIpPacket, bytes);
    decode(IcmpPacket::decodeIcmpMessage, bytes);
    IcmpPacket::sourceAddress(bytes);
    IcmpPacket::timeToLive(bytes);
    // A quoted request is read only when it holds its sequence number.
    if (bytes.size() >= 8)
        IcmpPacket::wordAt(bytes, 6);

    // Our own request, with the input as its text, checks out by the Internet checksum.
    const IcmpPacket::Request request =
        IcmpPacket::buildEchoRequest(0x1234, 7, 99, FuzzSupport::bytesOf(data, size));
    FuzzSupport::check(IcmpPacket::checksum(request) == 0, "an echo request with a wrong checksum");
    FuzzSupport::check(IcmpPacket::decodeIcmpMessage(request).sequence == 7,
                       "an echo request with another sequence");
    return 0;
}
