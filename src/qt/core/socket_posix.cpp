// SPDX-License-Identifier: MIT
#include "qt/core/socket_api.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace q7::sockets {

static_assert(sizeof(sockaddr_storage) <= sizeof(Endpoint::address));

ErrorKind kindOf(Error error) {
    switch (error) {
    case ECONNREFUSED:
        return ErrorKind::Refused;
    case ECONNRESET:
    case EPIPE:
        return ErrorKind::Closed;
    case ETIMEDOUT:
        return ErrorKind::TimedOut;
    default:
        return ErrorKind::Other;
    }
}

std::string errorText(Error error) {
    return std::strerror(error);
}

Error unreachable() {
    return EHOSTUNREACH;
}

std::vector<Endpoint> resolve(const std::string& host, std::uint16_t port, bool numericOnly) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = (numericOnly ? AI_NUMERICHOST : 0) | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::vector<Endpoint> out;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return out;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        Endpoint e;
        e.size = std::min<std::size_t>(a->ai_addrlen, sizeof e.address);
        std::memcpy(e.address, a->ai_addr, e.size);
        out.push_back(e);
    }
    ::freeaddrinfo(found);
    return out;
}

Connecting connectTo(const Endpoint& endpoint) {
    const auto* address = reinterpret_cast<const sockaddr*>(endpoint.address);
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return {kNone, false, errno};
    const int done = ::connect(fd, address, static_cast<socklen_t>(endpoint.size));
    const int error = done == 0 ? 0 : errno;
    // Interrupted, the connect goes on as if it had been started without waiting.
    if (done != 0 && error != EINPROGRESS && error != EINTR) {
        ::close(fd);
        return {kNone, false, error};
    }
    return {fd, done == 0, 0};
}

std::optional<Error> connectOutcome(Handle socket) {
    // SO_ERROR reads 0 while the connect is still under way: only a socket that is writable, or has failed,
    // has finished.
    pollfd ready{static_cast<int>(socket), POLLOUT, 0};
    if (::poll(&ready, 1, 0) <= 0) return std::nullopt;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == EINPROGRESS || error == EALREADY) return std::nullopt;
    return error;
}

void tune(Handle socket, int idleS, int intervalS, int count) {
    const int fd = static_cast<int>(socket);
    const int on = 1;
    const unsigned userTimeout = 1000u * static_cast<unsigned>(idleS + intervalS * count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleS, sizeof idleS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalS, sizeof intervalS);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

namespace {

Transfer outcome(ssize_t n) {
    if (n > 0) return {Transfer::State::Moved, static_cast<std::size_t>(n), 0};
    if (n == 0) return {Transfer::State::Ended, 0, 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK) return {Transfer::State::WouldBlock, 0, 0};
    return {Transfer::State::Failed, 0, errno};
}

} // namespace

Transfer sendSome(Handle socket, std::string_view bytes) {
    for (;;) {
        // A server gone raises no SIGPIPE: the error is told instead.
        const ssize_t n = ::send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return {Transfer::State::WouldBlock, 0, 0};
        return outcome(n);
    }
}

Transfer receiveSome(Handle socket, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::recv(static_cast<int>(socket), buffer, size, 0);
        if (n < 0 && errno == EINTR) continue;
        return outcome(n);
    }
}

bool waitWritable(Handle socket, int ms) {
    pollfd ready{static_cast<int>(socket), POLLOUT, 0};
    if (::poll(&ready, 1, ms) < 0) return errno == EINTR;
    return !(ready.revents & (POLLERR | POLLHUP));
}

void closeSocket(Handle socket) {
    if (socket != kNone) ::close(static_cast<int>(socket));
}

} // namespace q7::sockets
