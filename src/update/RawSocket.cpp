#include "RawSocket.h"

#include <QHostAddress>
#include <QMutex>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QMutex componentLock;
int components = 0;

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The socket() errors that mean "not allowed" or "not offered here" rather than a fault.
bool isRefusal(int error) {
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == ESOCKTNOSUPPORT ||
           error == EAFNOSUPPORT;
}

} // namespace

NetComponent::NetComponent() {
    const QMutexLocker lock(&componentLock);
    ++components;
}

NetComponent::~NetComponent() {
    const QMutexLocker lock(&componentLock);
    --components;
}

int NetComponent::liveCount() {
    const QMutexLocker lock(&componentLock);
    return components;
}

int SocketHandle::open(int type, int protocol) {
    close();
    m_fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    return m_fd < 0 ? errno : 0;
}

void SocketHandle::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

QuillError socketError(int error) {
    return QuillError(QStringLiteral("Socket Error # %1\n%2").arg(error).arg(errnoText(error)));
}

sockaddr_in RawSocket::resolveHost() const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(quint16(port));
    const QString trimmed = host.trimmed();
    if (trimmed.compare(QLatin1String("LOCALHOST"), Qt::CaseInsensitive) == 0) {
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return to;
    }
    const QByteArray name = trimmed.toUtf8();
    if (::inet_pton(AF_INET, name.constData(), &to.sin_addr) == 1)
        return to;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        const QString why = rc == EAI_SYSTEM ? errnoText(errno) : QString::fromLocal8Bit(::gai_strerror(rc));
        throw QuillError(QStringLiteral("Socket Error # %1\n%2").arg(rc).arg(why));
    }
    to.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return to;
}

void RawSocket::openSocket() {
    int refusal = 0;
    for (const IcmpSocketKind kind : socketKinds) {
        const int error = m_socket.open(kind == IcmpSocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW, protocol);
        if (error == 0) {
            m_kind = kind;
            break;
        }
        if (!isRefusal(error))
            throw socketError(error);
        refusal = error;
    }
    if (!m_socket.isOpen())
        throw SocketUnavailable(QStringLiteral("No ICMP socket may be opened: %1").arg(errnoText(refusal)));
    const int ttl = timeToLive;
    if (::setsockopt(m_socket.fd(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0)
        throw socketError(errno);
    if (m_kind == IcmpSocketKind::Raw) {
        // A raw socket sees every ICMP message of the machine. Only echo, unreachable and time
        // exceeded can concern our request; another program's traffic of other types must not
        // end the wait as an undecodable answer.
        icmp_filter filter{};
        filter.data =
            ~(1U << ICMP_ECHOREPLY | 1U << ICMP_ECHO | 1U << ICMP_DEST_UNREACH | 1U << ICMP_TIME_EXCEEDED);
        if (::setsockopt(m_socket.fd(), SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0)
            throw socketError(errno);
    }
    if (m_kind == IcmpSocketKind::Datagram) {
        // The answer's time-to-live, and ICMP errors about our request, come as ancillary data.
        const int on = 1;
        if (::setsockopt(m_socket.fd(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on) != 0 ||
            ::setsockopt(m_socket.fd(), IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0)
            throw socketError(errno);
    }
}

bool RawSocket::sendTo(const sockaddr_in& to, std::span<const std::uint8_t> bytes) {
    for (;;) {
        const ssize_t sent = ::sendto(m_socket.fd(), bytes.data(), bytes.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent == ssize_t(bytes.size()))
            return true;
        if (sent >= 0)
            throw QuillError(QStringLiteral("Socket Error # 0\nThe request was not sent whole."));
        if (errno == EINTR)
            continue;
        if (errno == ENETUNREACH || errno == EHOSTUNREACH || errno == ENETDOWN || errno == EHOSTDOWN)
            return false;
        throw socketError(errno);
    }
}

std::optional<RawSocket::Received> RawSocket::receive(int timeoutMs) {
    m_buffer.fill(0);
    pollfd p{m_socket.fd(), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        throw socketError(errno);
    if (ready == 0)
        return std::nullopt;

    sockaddr_in from{};
    iovec data{m_buffer.data(), m_buffer.size()};
    alignas(cmsghdr) char control[512];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const bool errorQueued = (p.revents & POLLERR) && m_kind == IcmpSocketKind::Datagram;
    ssize_t n;
    do {
        n = ::recvmsg(m_socket.fd(), &message, errorQueued ? MSG_ERRQUEUE : 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw socketError(errno);

    Received got;
    got.bytes = std::span<const std::uint8_t>(m_buffer.data(), std::size_t(n));
    if (m_kind == IcmpSocketKind::Raw)
        return got; // source and time-to-live are read from the IP header
    got.source = QHostAddress(ntohl(from.sin_addr.s_addr)).toString();
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP)
            continue;
        if (c->cmsg_type == IP_TTL) {
            int ttl = 0;
            std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
            got.timeToLive = ttl;
        } else if (c->cmsg_type == IP_RECVERR) {
            sock_extended_err err{};
            std::memcpy(&err, CMSG_DATA(c), sizeof err);
            if (err.ee_origin != SO_EE_ORIGIN_ICMP)
                throw socketError(int(err.ee_errno));
            got.errorType = err.ee_type;
            sockaddr_in offender{};
            std::memcpy(&offender, SO_EE_OFFENDER(reinterpret_cast<sock_extended_err*>(CMSG_DATA(c))),
                        sizeof offender);
            got.source = QHostAddress(ntohl(offender.sin_addr.s_addr)).toString();
        }
    }
    return got;
}

quint32 RawClient::tickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return quint32(quint64(now.tv_sec) * 1000 + quint64(now.tv_nsec) / 1000000);
}
