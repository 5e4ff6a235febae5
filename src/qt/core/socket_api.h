// SPDX-License-Identifier: MIT
#pragma once
// The few calls NetworkLine makes on a TCP socket, in the system's own API: socket_posix.cpp, or
// socket_windows.cpp on Windows (Winsock). No system header here, so that its macros stay out of the
// programs; a socket is the number QSocketNotifier watches, an address opaque bytes.
//
// Every socket is non-blocking and not inherited by programs this one starts; an interrupted call is retried
// inside.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q7::sockets {

// A file descriptor, or a Winsock SOCKET (as qintptr, QSocketNotifier's type).
using Handle = std::intptr_t;
inline constexpr Handle kNone = -1;

// One address of a server's, as the system gives it (a sockaddr_storage's bytes).
struct Endpoint {
    alignas(8) unsigned char address[128]{};
    std::size_t size = 0;
};

// The system's error number (errno, WSAGetLastError()).
using Error = int;

// How an error reads to a person: the kinds a user can act on, else the system's own words.
enum class ErrorKind { Refused, Closed, TimedOut, Other };
ErrorKind kindOf(Error error);
// The system's words for an error, without a full stop.
std::string errorText(Error error);
// The error of a server with no address to try.
Error unreachable();

// The addresses of host:port; none where there are none (or, with numericOnly, where host is a name).
// Blocks while a name is looked up.
std::vector<Endpoint> resolve(const std::string& host, std::uint16_t port, bool numericOnly);

struct Connecting {
    Handle socket = kNone;
    bool connected = false; // at once; else it completes later (the socket becomes writable)
    Error error = 0;        // failed at once: no socket
};
Connecting connectTo(const Endpoint& endpoint);
// A connect under way: nothing yet, 0 when it succeeded, else why it failed.
std::optional<Error> connectOutcome(Handle socket);

// Nagle off, so that a frame leaves at once; probes on an idle connection (the first after idleS seconds,
// then every intervalS seconds, count of them unanswered end it), and the same bound on unacknowledged data.
void tune(Handle socket, int idleS, int intervalS, int count);

struct Transfer {
    enum class State { Moved, WouldBlock, Ended, Failed };
    State state = State::Moved;
    std::size_t count = 0; // bytes moved
    Error error = 0;       // Failed
};
Transfer sendSome(Handle socket, std::string_view bytes);
Transfer receiveSome(Handle socket, char* buffer, std::size_t size);
// Waits at most ms for room to send; false when the socket has failed.
bool waitWritable(Handle socket, int ms);
void closeSocket(Handle socket);

} // namespace q7::sockets
