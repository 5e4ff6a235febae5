// SPDX-License-Identifier: MIT
#pragma once
// The network clients of a bridge's fronts as the Qt-free side sees them: a TCP connection and what reads it,
// a listening socket's service, and UDP datagrams. The sockets themselves are the adapters'.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace q7 {

class Connection {
  public:
    // What a connection keeps unsent for a client that does not read; beyond it, the client is closed, so
    // that it holds nothing of the bridge's.
    static constexpr std::size_t kUnsentLimit = 64 * 1024;

    // One call is one send where the socket has room: a PJLink client takes each read as one whole reply.
    virtual void write(std::string_view bytes) = 0;
    // Hands the socket what it takes at once of what was written, then closes; the handler is told nothing
    // more, and is destroyed later, never inside one of its own calls.
    virtual void close() = 0;
    // The client's address, such as "10.0.5.9".
    virtual const std::string& peer() const = 0;

  protected:
    ~Connection() = default;
};

class ConnectionHandler {
  public:
    virtual ~ConnectionHandler() = default;
    virtual void received(std::string_view bytes) = 0;
    // The client went, the connection failed, or it was closed for not reading; the last call, and never
    // inside one of the handler's own calls on the connection.
    virtual void closed() = 0;
};

// What a listening socket serves: a handler for each connection accepted, owned with it by the adapter;
// none refuses the connection, which is closed at once.
class Service {
  public:
    virtual std::unique_ptr<ConnectionHandler> accept(Connection& connection) = 0;

  protected:
    ~Service() = default;
};

// UDP on one port, from one socket for each local address a front listens on and one on every address.
class Datagrams {
  public:
    // From the socket bound to local (the wildcard's when none is), to host:port.
    virtual void send(const std::string& local, const std::string& host, int port,
                      std::string_view bytes) = 0;

  protected:
    ~Datagrams() = default;
};

class DatagramService {
  public:
    // local: the address the receiving socket is bound to ("0.0.0.0" for the wildcard's, which alone
    // receives broadcasts); from: the sender's address.
    virtual void datagram(const std::string& local, const std::string& from, std::string_view bytes) = 0;

  protected:
    ~DatagramService() = default;
};

} // namespace q7
