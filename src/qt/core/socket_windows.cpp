// SPDX-License-Identifier: MIT
#include "qt/core/socket_api.h"

// First: winsock2.h must come before windows.h, which the others include.
#include <winsock2.h>

#include <algorithm>
#include <cstring>
#include <mstcpip.h>
#include <ws2tcpip.h>

// Honoured since Windows 10 1703 and refused before, where the system's count (10) stays; their numbers in
// Windows' own ws2ipdef.h, which MinGW-w64's copy lacks.
#ifndef TCP_KEEPCNT
#define TCP_KEEPCNT 16
#endif
#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

namespace q7::sockets {

static_assert(sizeof(sockaddr_storage) <= sizeof(Endpoint::address));

namespace {

// Winsock serves a process only after WSAStartup; started once, on whichever thread needs it first, and left
// to the process's end.
void start() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

SOCKET native(Handle socket) {
    return static_cast<SOCKET>(socket);
}

} // namespace

ErrorKind kindOf(Error error) {
    switch (error) {
    case WSAECONNREFUSED:
        return ErrorKind::Refused;
    case WSAECONNRESET:
    case WSAESHUTDOWN:
        return ErrorKind::Closed;
    // Windows ends a connection whose probes or retransmissions went unanswered with these.
    case WSAETIMEDOUT:
    case WSAENETRESET:
    case WSAECONNABORTED:
        return ErrorKind::TimedOut;
    default:
        return ErrorKind::Other;
    }
}

std::string errorText(Error error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (length > 0) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        out.resize(static_cast<std::size_t>(std::max(size, 0)));
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    }
    if (text) ::LocalFree(text);
    // The system's sentence ends in a full stop and a line break; ours add their own.
    while (!out.empty() &&
           (out.back() == '\r' || out.back() == '\n' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    if (!out.empty()) return out;
    // Wine has no words for Winsock's errors: the C library's, as on Linux.
    switch (error) {
    case WSAENETUNREACH:
        return "Network is unreachable";
    case WSAEHOSTUNREACH:
        return "No route to host";
    case WSAENETDOWN:
        return "Network is down";
    case WSAEHOSTDOWN:
        return "Host is down";
    case WSAEADDRNOTAVAIL:
        return "Cannot assign requested address";
    case WSAEACCES:
        return "Permission denied";
    case WSAEAFNOSUPPORT:
        return "Address family not supported by protocol";
    case WSAENOBUFS:
        return "No buffer space available";
    case WSAEMFILE:
        return "Too many open files";
    default:
        return "Windows socket error " + std::to_string(error);
    }
}

Error unreachable() {
    return WSAEHOSTUNREACH;
}

std::vector<Endpoint> resolve(const std::string& host, std::uint16_t port, bool numericOnly) {
    start();
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
    start();
    const auto* address = reinterpret_cast<const sockaddr*>(endpoint.address);
    SOCKET s = ::WSASocketW(address->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                            WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    // Windows 7 before its first service pack does not know the flag.
    if (s == INVALID_SOCKET && ::WSAGetLastError() == WSAEINVAL) {
        s = ::WSASocketW(address->sa_family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED);
        if (s != INVALID_SOCKET) ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    if (s == INVALID_SOCKET) return {kNone, false, ::WSAGetLastError()};
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        const Error error = ::WSAGetLastError();
        ::closesocket(s);
        return {kNone, false, error};
    }
    if (::connect(s, address, static_cast<int>(endpoint.size)) == 0) return {static_cast<Handle>(s), true, 0};
    const Error error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) {
        ::closesocket(s);
        return {kNone, false, error};
    }
    return {static_cast<Handle>(s), false, 0};
}

// Winsock's SO_ERROR reads 0 while the connect is still under way: a failed one is exceptional to select, a
// finished one writable.
std::optional<Error> connectOutcome(Handle socket) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native(socket), &writable);
    FD_SET(native(socket), &failed);
    timeval now{0, 0};
    if (::select(0, nullptr, &writable, &failed, &now) == SOCKET_ERROR) return ::WSAGetLastError();
    if (FD_ISSET(native(socket), &failed)) {
        int error = 0;
        int size = sizeof error;
        if (::getsockopt(native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
            error = ::WSAGetLastError();
        return error ? error : WSAECONNREFUSED;
    }
    if (FD_ISSET(native(socket), &writable)) return 0;
    return std::nullopt;
}

// SIO_KEEPALIVE_VALS sets the idle time and the interval on every Windows; the count where Windows takes it
// (elsewhere 10 probes, about a minute). TCP_MAXRT bounds unacknowledged data as TCP_USER_TIMEOUT does.
void tune(Handle socket, int idleS, int intervalS, int count) {
    const SOCKET s = native(socket);
    const BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive values{1, static_cast<ULONG>(idleS) * 1000, static_cast<ULONG>(intervalS) * 1000};
    DWORD returned = 0;
    ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr);
    const DWORD probes = static_cast<DWORD>(count);
    ::setsockopt(s, IPPROTO_TCP, TCP_KEEPCNT, reinterpret_cast<const char*>(&probes), sizeof probes);
    const DWORD maxRetransmitS = static_cast<DWORD>(idleS + intervalS * count);
    ::setsockopt(s, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char*>(&maxRetransmitS),
                 sizeof maxRetransmitS);
}

namespace {

Transfer outcome(int n) {
    if (n > 0) return {Transfer::State::Moved, static_cast<std::size_t>(n), 0};
    if (n == 0) return {Transfer::State::Ended, 0, 0};
    const Error error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return {Transfer::State::WouldBlock, 0, 0};
    return {Transfer::State::Failed, 0, error};
}

int chunk(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}

} // namespace

Transfer sendSome(Handle socket, std::string_view bytes) {
    const int n = ::send(native(socket), bytes.data(), chunk(bytes.size()), 0);
    if (n == 0) return {Transfer::State::WouldBlock, 0, 0};
    return outcome(n);
}

Transfer receiveSome(Handle socket, char* buffer, std::size_t size) {
    return outcome(::recv(native(socket), buffer, chunk(size), 0));
}

bool waitWritable(Handle socket, int ms) {
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native(socket), &writable);
    FD_SET(native(socket), &failed);
    timeval wait{ms / 1000, (ms % 1000) * 1000};
    if (::select(0, nullptr, &writable, &failed, &wait) == SOCKET_ERROR) return false;
    return !FD_ISSET(native(socket), &failed);
}

void closeSocket(Handle socket) {
    if (socket != kNone) ::closesocket(native(socket));
}

} // namespace q7::sockets
