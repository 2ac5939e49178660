#pragma once

#include "update/IcmpPacket.h"
#include "update/RawSocket.h"

#include <functional>

// The small ICMP client of the connectivity probe: one echo request, one wait for its answer.
class IcmpClient final : public RawClient {
public:
    static constexpr quint16 FirstSequence = 3489;

    IcmpClient();

    // One complete echo: sends the request (a `sequence` other than 0 becomes the client's number),
    // waits for the answer, fills ReplyStatus(), raises OnReply and counts the sequence number up.
    // Throws QuillError for a failed lookup, socket errors and packets it cannot decode, and
    // SocketUnavailable when this process may open no ICMP socket.
    void sendEcho(const QString& text = {}, quint16 sequence = 0);

    const ReplyStatus& replyStatus() const { return m_status; }
    quint16 sequenceNumber() const { return m_sequence; }
    // Raised after every echo with its outcome.
    std::function<void(const ReplyStatus&)> onReply;

    // Takes one received packet: fills ReplyStatus() and answers true when it is the answer to the
    // request with the current sequence number; otherwise leaves the status alone.
    bool takeReply(const Received& packet);

private:
    quint16 m_sequence = FirstSequence;
    ReplyStatus m_status;
};
