#pragma once

#include "platform/QuillError.h"

#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <span>

// Every live socket component is counted process-wide, under a lock. Linux needs no socket library
// start-up, so the count is all that is left of the socket layer's lifetime; tests read it to see that
// every client was destroyed.
class NetComponent {
public:
    NetComponent();
    virtual ~NetComponent();
    NetComponent(const NetComponent&) = delete;
    NetComponent& operator=(const NetComponent&) = delete;

    static int liveCount();
};

// One socket descriptor, closed when the handle goes.
class SocketHandle {
public:
    SocketHandle() = default;
    ~SocketHandle() { close(); }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    // Returns 0 or the errno of the failed socket() call.
    int open(int type, int protocol);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// Which kind of ICMP socket to try: the unprivileged datagram kind (allowed by the system's
// ping_group_range), or the raw kind (needs CAP_NET_RAW).
enum class IcmpSocketKind { Datagram, Raw };

// Neither kind of socket may be opened by this process: whether the host answers cannot be known.
class SocketUnavailable : public QuillError {
public:
    using QuillError::QuillError;
};

// "Socket Error # <n>", a line break and the system's text for the error.
QuillError socketError(int error);

// A raw IPv4 socket to one host: host, port, protocol, time-to-live and the receive buffer.
class RawSocket : public NetComponent {
public:
    QString host;
    int port = 0;
    int protocol = 1; // ICMP
    int timeToLive = 128;
    // The kinds tried, in order; the first that may be opened is used.
    QList<IcmpSocketKind> socketKinds = {IcmpSocketKind::Datagram, IcmpSocketKind::Raw};

    // What one wait delivered.
    struct Received {
        std::span<const std::uint8_t> bytes; // whole IPv4 packet (raw), ICMP message (datagram)
        QString source;
        int timeToLive = 0;
        // Datagram sockets hand ICMP errors about our request over the error queue: their type, and
        // `bytes` holds the request they quote (without IP header).
        std::optional<quint8> errorType;
    };

protected:
    // "LOCALHOST" in any case is 127.0.0.1, a dotted address is used as it is, any other name is
    // looked up and its first IPv4 address taken. A failed lookup throws a socket error.
    sockaddr_in resolveHost() const;
    // Opens the socket (first kind allowed) and sets IP_TTL. Throws SocketUnavailable when no kind is
    // allowed, a socket error otherwise.
    void openSocket();
    // False when the system says the destination cannot be reached (no route, network down).
    bool sendTo(const sockaddr_in& to, std::span<const std::uint8_t> bytes);
    // Waits up to `timeoutMs` for something to read; nothing when the time passed.
    std::optional<Received> receive(int timeoutMs);

    IcmpSocketKind socketKind() const { return m_kind; }
    SocketHandle m_socket;

private:
    IcmpSocketKind m_kind = IcmpSocketKind::Raw;
    std::array<std::uint8_t, 1024> m_buffer{};
};

// A raw client: waits for the answer to what it sent, up to ReceiveTimeout milliseconds in all.
class RawClient : public RawSocket {
public:
    int receiveTimeoutMs = 5000;

protected:
    // Calls `isReply` for each packet that arrives until it answers true (true is returned) or the
    // time is up (false). The wait restarts from what is left after each packet that was not the reply.
    template <typename IsReply> bool waitForReply(IsReply&& isReply);

    static quint32 tickCount();
};

template <typename IsReply> bool RawClient::waitForReply(IsReply&& isReply) {
    const quint32 began = tickCount();
    int remaining = receiveTimeoutMs;
    while (remaining > 0) {
        const std::optional<Received> packet = receive(remaining);
        if (!packet)
            return false;
        if (isReply(*packet))
            return true;
        remaining = receiveTimeoutMs - int(tickCount() - began);
    }
    return false;
}
