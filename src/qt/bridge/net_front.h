// SPDX-License-Identifier: MIT
#pragma once
// The sockets of the bridge's fronts (net/connection.h): a TCP listener with its connections, and UDP on one
// port. The system's own sockets on Qt Core's event loop (QSocketNotifier), as the lines are: the bridge
// loads no Qt Network. Every socket is non-blocking and not inherited by programs the bridge starts;
// addresses are numeric, IPv4 or IPv6.
//
// A connection's handler is called from the event loop only, never from inside one of its own calls on the
// connection: closed() (the client went or shut its side, the connection failed, or more than
// Connection::kUnsentLimit waited for a client that does not read) comes on a pass of its own, and a
// connection is destroyed with its handler only from the event loop, after the call that ended it. Nagle's
// algorithm is off, so that a reply leaves at once; keepalive drops a client that vanished without a word
// within about 25 s.

#include "base/message.h"
#include "net/connection.h"

#include <QObject>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace q7 {

// A connection's close() hands the socket what it takes at once, then the FIN; what a client that does not
// read leaves untaken then is dropped.
class TcpFront final : public QObject {
    Q_OBJECT
  public:
    explicit TcpFront(Service& service, QObject* parent = nullptr);
    // Closes the listener and every connection as close() does; the handlers are destroyed without being
    // told closed(): their destructor is their last word.
    ~TcpFront() override;

    // Listens on host:port (port 0: one the system chooses), in place of any earlier listener. The address
    // may be taken while connections of an earlier run linger (SO_REUSEADDR), but not while another socket
    // listens on it.
    Result<> listen(const std::string& host, int port);
    // The connections open now: neither closed nor failed.
    std::size_t connections() const;
    // The port listened on; 0 when not listening.
    int port() const;

  private:
    class Link;
    void acceptAll();
    // Destroys, from the event loop, the connections that have ended, telling the handlers of those that
    // failed.
    void sweepLater();
    void sweep();
    void stopListening();

    Service& service_;
    int listener_ = -1;
    int port_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Link>> links_;
    bool sweepPosted_ = false;
};

class UdpFront final : public QObject, public Datagrams {
    Q_OBJECT
  public:
    explicit UdpFront(DatagramService& service, QObject* parent = nullptr);
    ~UdpFront() override;

    // A socket on each distinct host at port, and one on 0.0.0.0 unless a host is that already; in place of
    // any earlier ones. Port 0: the system chooses it for the first socket, and the others take the same.
    // Several bridges may bind the same port (SO_REUSEADDR); each socket may send broadcasts. Not to be
    // called from inside DatagramService::datagram().
    Result<> bind(const std::vector<std::string>& hosts, int port);
    // Errors are dropped, as UDP's are: a host that is no address, one that cannot be reached.
    void send(const std::string& local, const std::string& host, int port, std::string_view bytes) override;
    int port() const { return port_; }

    // The longest datagram taken; a longer one is dropped whole.
    static constexpr std::size_t kLongestDatagram = 1500;

  private:
    struct Socket;
    void receive(Socket& socket);
    void closeAll();

    DatagramService& service_;
    std::vector<std::unique_ptr<Socket>> sockets_;
    int port_ = 0;
};

} // namespace q7
