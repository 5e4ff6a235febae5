// SPDX-License-Identifier: MIT
#include "qt/bridge/net_front.h"

#include "qt/core/qt_network_line.h"
#include "qt/core/socket_api.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace q7 {

namespace {

// A refused accept (no descriptor left) is tried again after this, not at once on every pass of the loop.
constexpr int kAcceptPauseMs = 1000;
// What a pass of the event loop reads at most: a client or a flood of datagrams leaves the others their turn.
constexpr std::size_t kReadBytes = 4096;
constexpr int kDatagramsPerPass = 64;

std::string hostPort(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

Message systemError(int error) {
    return Message::verbatim(std::strerror(error));
}

// An IPv4 client of a socket on "::" is an IPv4-mapped address, told in its IPv4 form.
std::string numericHost(const sockaddr_storage& address) {
    const auto* from = reinterpret_cast<const sockaddr*>(&address);
    socklen_t size = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    sockaddr_in v4{};
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
            v4.sin_family = AF_INET;
            std::memcpy(&v4.sin_addr, v6.sin6_addr.s6_addr + 12, sizeof v4.sin_addr);
            from = reinterpret_cast<const sockaddr*>(&v4);
            size = sizeof v4;
        }
    }
    char host[NI_MAXHOST] = "";
    if (::getnameinfo(from, size, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return {};
    return host;
}

int boundPort(int fd) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

// host and port as addrinfo: numeric only, never a name to look up.
addrinfo* numericAddress(const std::string& host, int port, int type, int family, int flags, int& error) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = type;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | flags;
    addrinfo* found = nullptr;
    error = port < 0 || port > 65535
                ? EAI_SERVICE
                : ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    return error == 0 ? found : nullptr;
}

// A socket bound to host:port, listening if it is TCP's. Another bridge's, or an earlier run's connections
// still in TIME_WAIT, do not keep the address (SO_REUSEADDR); a socket listening on it does.
Result<int> boundSocket(const std::string& host, int port, int type) {
    int error = 0;
    addrinfo* found = numericAddress(host, port, type, AF_UNSPEC, AI_PASSIVE, error);
    if (!found)
        return failure(error == EAI_SYSTEM ? systemError(errno) : Message::verbatim(::gai_strerror(error)));
    const int fd = ::socket(found->ai_family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (type == SOCK_DGRAM && ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) ||
        ::bind(fd, found->ai_addr, found->ai_addrlen) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, SOMAXCONN) != 0))
        error = errno;
    ::freeaddrinfo(found);
    if (error == 0) return fd;
    if (fd >= 0) ::close(fd);
    return failure(systemError(error));
}

} // namespace

// One accepted connection. Closed or failed, it keeps its handler until the front's sweep destroys both from
// the event loop, so that no call of the handler's finds it gone.
class TcpFront::Link final : public Connection {
  public:
    enum class State { Open, Closed, Failed };

    Link(TcpFront& front, int fd, std::string peer)
        : front_(front), fd_(fd), peer_(std::move(peer)),
          reader_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)),
          writer_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write)) {
        reader_->setEnabled(false);
        writer_->setEnabled(false);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, reader_.get(), [this] { readable(); });
        QObject::connect(writer_.get(), &QSocketNotifier::activated, writer_.get(), [this] { writable(); });
    }

    // The handler goes first: its destructor may still write or close.
    ~Link() {
        handler_.reset();
        if (state_ == State::Open) shut();
    }

    void start(std::unique_ptr<ConnectionHandler> handler) {
        handler_ = std::move(handler);
        if (state_ == State::Open) reader_->setEnabled(true);
    }

    State state() const { return state_; }

    // The sweep's, once: a failed connection's handler hears of it.
    void tell() {
        if (state_ == State::Failed && handler_) handler_->closed();
    }

    // One send of the whole, so that a client that takes each read as one reply finds it whole.
    void write(std::string_view bytes) override {
        if (state_ != State::Open || bytes.empty()) return;
        if (unsent_.empty()) {
            const ssize_t sent = sendSome(bytes);
            if (sent < 0) {
                fail();
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            if (bytes.empty()) return;
        }
        if (unsent_.size() + bytes.size() > kUnsentLimit) {
            fail();
            return;
        }
        unsent_ += bytes;
        writer_->setEnabled(true);
    }

    void close() override {
        if (state_ != State::Open) return;
        shut();
        front_.sweepLater();
    }

    const std::string& peer() const override { return peer_; }

  private:
    // Bytes taken, 0 when the socket has no room, -1 when it failed.
    ssize_t sendSome(std::string_view bytes) {
        for (;;) {
            const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent >= 0) return sent;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
            if (errno != EINTR) return -1;
        }
    }

    bool flush() {
        while (!unsent_.empty()) {
            const ssize_t sent = sendSome(unsent_);
            if (sent <= 0) return sent == 0;
            unsent_.erase(0, static_cast<std::size_t>(sent));
        }
        return true;
    }

    void readable() {
        char buffer[kReadBytes];
        ssize_t got;
        do
            got = ::recv(fd_, buffer, sizeof buffer, 0);
        while (got < 0 && errno == EINTR);
        if (got > 0)
            handler_->received(std::string_view(buffer, static_cast<std::size_t>(got)));
        else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            fail();
    }

    void writable() {
        if (!flush())
            fail();
        else if (unsent_.empty())
            writer_->setEnabled(false);
    }

    // What the socket takes now leaves, and the FIN after it. What the client sent and nobody read is read
    // away first: closing over it would reset the connection, and the client could lose the last reply.
    void shut() {
        state_ = State::Closed;
        flush();
        ::shutdown(fd_, SHUT_WR);
        char buffer[kReadBytes];
        for (int i = 0; i < 16 && ::recv(fd_, buffer, sizeof buffer, 0) > 0; ++i) {
        }
        release();
    }

    void fail() {
        state_ = State::Failed;
        release();
        front_.sweepLater();
    }

    void release() {
        reader_->setEnabled(false);
        writer_->setEnabled(false);
        ::close(fd_);
        fd_ = -1;
        std::string().swap(unsent_);
    }

    TcpFront& front_;
    int fd_;
    std::string peer_;
    std::string unsent_;
    State state_ = State::Open;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    std::unique_ptr<ConnectionHandler> handler_;
};

TcpFront::TcpFront(Service& service, QObject* parent) : QObject(parent), service_(service) {}

TcpFront::~TcpFront() {
    stopListening();
    links_.clear();
}

Result<> TcpFront::listen(const std::string& host, int port) {
    stopListening();
    Result<int> fd = boundSocket(host, port, SOCK_STREAM);
    if (!fd)
        return failure(Message(Text::q7tr("Cannot listen on %1: %2."),
                               {Message::verbatim(hostPort(host, port)), fd.error()}));
    listener_ = *fd;
    port_ = boundPort(listener_);
    notifier_ = std::make_unique<QSocketNotifier>(listener_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TcpFront::acceptAll);
    return {};
}

void TcpFront::stopListening() {
    notifier_.reset();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    port_ = 0;
}

std::size_t TcpFront::connections() const {
    return static_cast<std::size_t>(std::count_if(
        links_.begin(), links_.end(), [](const auto& link) { return link->state() == Link::State::Open; }));
}

int TcpFront::port() const {
    return port_;
}

void TcpFront::acceptAll() {
    for (;;) {
        sockaddr_storage address{};
        socklen_t size = sizeof address;
        const int fd =
            ::accept4(listener_, reinterpret_cast<sockaddr*>(&address), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            // Out of descriptors or memory, the pending connection stays and the notifier would fire at once.
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                notifier_->setEnabled(false);
                QTimer::singleShot(kAcceptPauseMs, notifier_.get(),
                                   [notifier = notifier_.get()] { notifier->setEnabled(true); });
            }
            return;
        }
        // Nagle off, so that a reply leaves at once; probes find a client that vanished without a word.
        // As a line's: a client that vanished without a word (a network gone) is dropped within about 25 s.
        sockets::tune(fd, NetworkLine::kKeepAliveIdleS, NetworkLine::kKeepAliveIntervalS,
                      NetworkLine::kKeepAliveCount);
        auto owned = std::make_unique<Link>(*this, fd, numericHost(address));
        Link& link = *owned;
        links_.push_back(std::move(owned));
        std::unique_ptr<ConnectionHandler> handler = service_.accept(link);
        if (handler)
            link.start(std::move(handler));
        else
            link.close();
    }
}

void TcpFront::sweepLater() {
    if (sweepPosted_) return;
    sweepPosted_ = true;
    QMetaObject::invokeMethod(this, &TcpFront::sweep, Qt::QueuedConnection);
}

void TcpFront::sweep() {
    sweepPosted_ = false;
    const auto ended = std::stable_partition(
        links_.begin(), links_.end(), [](const auto& link) { return link->state() == Link::State::Open; });
    std::vector<std::unique_ptr<Link>> gone(std::make_move_iterator(ended),
                                            std::make_move_iterator(links_.end()));
    links_.erase(ended, links_.end());
    for (const auto& link : gone)
        link->tell();
}

struct UdpFront::Socket {
    ~Socket() {
        notifier.reset();
        ::close(fd);
    }
    std::string local;
    int fd = -1;
    int family = AF_INET;
    std::unique_ptr<QSocketNotifier> notifier;
};

UdpFront::UdpFront(DatagramService& service, QObject* parent) : QObject(parent), service_(service) {}

UdpFront::~UdpFront() {
    closeAll();
}

void UdpFront::closeAll() {
    sockets_.clear();
    port_ = 0;
}

Result<> UdpFront::bind(const std::vector<std::string>& hosts, int port) {
    closeAll();
    // Only a socket on every address receives broadcasts, such as a controller's search.
    std::vector<std::string> locals;
    for (const std::string& host : hosts)
        if (std::find(locals.begin(), locals.end(), host) == locals.end()) locals.push_back(host);
    if (std::find(locals.begin(), locals.end(), "0.0.0.0") == locals.end()) locals.push_back("0.0.0.0");
    int bound = port;
    for (const std::string& local : locals) {
        Result<int> fd = boundSocket(local, bound, SOCK_DGRAM);
        if (!fd) {
            closeAll();
            return failure(Message(Text::q7tr("Cannot listen for UDP on %1: %2."),
                                   {Message::verbatim(hostPort(local, bound)), fd.error()}));
        }
        auto socket = std::make_unique<Socket>();
        socket->local = local;
        socket->fd = *fd;
        socket->family = local.find(':') != std::string::npos ? AF_INET6 : AF_INET;
        if (bound == 0) bound = boundPort(*fd);
        socket->notifier = std::make_unique<QSocketNotifier>(*fd, QSocketNotifier::Read);
        connect(socket->notifier.get(), &QSocketNotifier::activated, this,
                [this, s = socket.get()] { receive(*s); });
        sockets_.push_back(std::move(socket));
    }
    port_ = bound;
    return {};
}

void UdpFront::receive(Socket& socket) {
    for (int i = 0; i < kDatagramsPerPass; ++i) {
        char buffer[kLongestDatagram];
        sockaddr_storage from{};
        socklen_t size = sizeof from;
        // MSG_TRUNC: the datagram's own length, so that one cut short is seen.
        const ssize_t got = ::recvfrom(socket.fd, buffer, sizeof buffer, MSG_TRUNC,
                                       reinterpret_cast<sockaddr*>(&from), &size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return;
        if (static_cast<std::size_t>(got) > sizeof buffer) continue;
        service_.datagram(socket.local, numericHost(from),
                          std::string_view(buffer, static_cast<std::size_t>(got)));
    }
}

void UdpFront::send(const std::string& local, const std::string& host, int port, std::string_view bytes) {
    const auto bound = [&](const std::string& address) {
        return std::find_if(sockets_.begin(), sockets_.end(),
                            [&](const auto& s) { return s->local == address; });
    };
    auto from = bound(local);
    if (from == sockets_.end()) from = bound("0.0.0.0");
    if (from == sockets_.end()) return;
    int error = 0;
    addrinfo* to = numericAddress(host, port, SOCK_DGRAM, (*from)->family, AI_V4MAPPED, error);
    if (!to) return;
    (void)::sendto((*from)->fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT, to->ai_addr,
                   to->ai_addrlen);
    ::freeaddrinfo(to);
}

} // namespace q7
