// SPDX-License-Identifier: MIT
#include "qt/core/qt_network_line.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace q7 {

// A host name's lookup, which cannot be cancelled: its thread hands the addresses to the line that asked, if
// that line still waits for them.
struct NetworkLine::Lookup {
    std::mutex mutex;
    NetworkLine* owner = nullptr;
};

namespace {

// The addresses of host; none where there are none (or, with AI_NUMERICHOST, where host is a name).
std::vector<NetworkLine::Endpoint> resolve(const std::string& host, std::uint16_t port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    std::vector<NetworkLine::Endpoint> out;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return out;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        NetworkLine::Endpoint e;
        e.size = static_cast<socklen_t>(std::min<std::size_t>(a->ai_addrlen, sizeof e.address));
        std::memcpy(&e.address, a->ai_addr, e.size);
        out.push_back(e);
    }
    ::freeaddrinfo(found);
    return out;
}

} // namespace

NetworkLine::NetworkLine(QObject* parent) : QObject(parent) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        fail(Message(Text::q7tr("the server did not answer within %1 seconds"),
                     {Message::number(kConnectTimeoutMs / 1000)}));
    });
    clock_.start();
}

NetworkLine::~NetworkLine() {
    cancelLookup();
    dropSocket();
}

Result<> NetworkLine::open(const PortAddress& address, const LineSettings& line) {
    if (isOpen()) return {};
    address_ = address;
    line_ = line;
    telnet_ = Rfc2217Client();
    incoming_.clear();
    reportedLine_ = false;
    state_ = State::Connecting;
    connectTimer_.start(kConnectTimeoutMs);
    // An address is connected to at once, and one without a route fails inside this call; a host name is
    // looked up first, without blocking the window.
    starting_ = true;
    startFailure_ = {};
    endpoints_ = resolve(address.host, address.port, AI_NUMERICHOST);
    nextEndpoint_ = 0;
    lastConnectError_ = 0;
    if (endpoints_.empty())
        lookUp();
    else
        connectNext();
    starting_ = false;
    if (!startFailure_.empty()) return failure(std::exchange(startFailure_, {}));
    return {};
}

void NetworkLine::lookUp() {
    auto lookup = std::make_shared<Lookup>();
    lookup->owner = this;
    lookup_ = lookup;
    std::thread([lookup, host = address_.host, port = address_.port] {
        std::vector<Endpoint> found = resolve(host, port, 0);
        const std::lock_guard<std::mutex> lock(lookup->mutex);
        if (!lookup->owner) return;
        // Posted while the owner is certainly there; an owner destroyed before it runs drops it.
        QMetaObject::invokeMethod(
            lookup->owner,
            [owner = lookup->owner, lookup, found = std::move(found)]() mutable {
                if (owner->lookup_ == lookup) owner->looked(std::move(found));
            },
            Qt::QueuedConnection);
    }).detach();
}

void NetworkLine::looked(std::vector<Endpoint> found) {
    lookup_.reset();
    if (found.empty()) {
        fail(Message(Text::q7tr("the host name %1 is not known"), {Message::verbatim(address_.host)}));
        return;
    }
    endpoints_ = std::move(found);
    nextEndpoint_ = 0;
    connectNext();
}

void NetworkLine::cancelLookup() {
    if (!lookup_) return;
    {
        const std::lock_guard<std::mutex> lock(lookup_->mutex);
        lookup_->owner = nullptr;
    }
    lookup_.reset();
}

void NetworkLine::connectNext() {
    while (nextEndpoint_ < endpoints_.size()) {
        const Endpoint& e = endpoints_[nextEndpoint_++];
        const int fd = ::socket(e.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastConnectError_ = errno;
            continue;
        }
        const int done = ::connect(fd, reinterpret_cast<const sockaddr*>(&e.address), e.size);
        const int error = done == 0 ? 0 : errno;
        if (done != 0 && error != EINPROGRESS && error != EINTR) {
            ::close(fd);
            lastConnectError_ = error;
            continue;
        }
        fd_ = fd;
        reader_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        reader_->setEnabled(false);
        connect(reader_.get(), &QSocketNotifier::activated, this, &NetworkLine::onReadyRead);
        writer_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        connect(writer_.get(), &QSocketNotifier::activated, this,
                [this] { socketConnected_ ? flush() : onConnectDone(); });
        if (done == 0) onConnected();
        return;
    }
    failOn(lastConnectError_ ? lastConnectError_ : EHOSTUNREACH);
}

void NetworkLine::onConnectDone() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error == EINPROGRESS || error == EALREADY) return;
    if (error == 0) {
        onConnected();
        return;
    }
    lastConnectError_ = error;
    dropSocket();
    connectNext();
}

void NetworkLine::onConnected() {
    socketConnected_ = true;
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    keepAlive();
    reader_->setEnabled(true);
    writer_->setEnabled(unsent() > 0);
    if (address_.kind == PortAddress::Kind::RawTcp) {
        connectTimer_.stop();
        state_ = State::Open;
        emit opened();
        return;
    }
    send(telnet_.opening());
    send(telnet_.setLine(line_));
}

// An idle line writes nothing, so without probes a far end that vanished (a network gone, no FIN) would look
// healthy for hours; with unacknowledged data, the user timeout gives up as soon.
void NetworkLine::keepAlive() {
    const int on = 1, idle = kKeepAliveIdleS, interval = kKeepAliveIntervalS, count = kKeepAliveCount;
    const unsigned userTimeout = 1000u * (kKeepAliveIdleS + kKeepAliveIntervalS * kKeepAliveCount);
    ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

void NetworkLine::onReadyRead() {
    // What one pass takes at most, so that a flood leaves the event loop its turn.
    std::string bytes;
    char buffer[16 * 1024];
    bool ended = false;
    int error = 0;
    while (bytes.size() < kReceiveLimit) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0)
            ended = true;
        else if (errno != EAGAIN && errno != EWOULDBLOCK)
            error = errno;
        break;
    }
    // What is said about the data may close this socket, or open another.
    const unsigned socket = socketId_;
    if (!bytes.empty()) take(bytes);
    if (state_ == State::Closed || socket != socketId_) return;
    if (ended)
        fail(Message(Text::q7tr("the server closed the connection")));
    else if (error)
        failOn(error);
}

void NetworkLine::take(std::string_view chunk) {
    std::string data;
    if (address_.kind == PortAddress::Kind::RawTcp) {
        data = chunk;
    } else {
        Result<Rfc2217Client::Output> out = telnet_.feed(chunk);
        if (!out) {
            fail(out.error());
            return;
        }
        send(out->reply);
        data = std::move(out->data);
        checkLine();
        if (state_ == State::Closed) return;
    }
    // The first characters are kept, as by the panel: a server that floods before anyone reads is cut short.
    incoming_.append(data, 0,
                     std::min(data.size(), kReceiveLimit - std::min(kReceiveLimit, incoming_.size())));
    if (state_ == State::Open && !incoming_.empty()) emit received();
}

// Over RFC 2217 the port counts as open once the server has taken the line settings; a later answer that
// differs refuses a speed change, and the repeats are paced to the speed the server keeps.
void NetworkLine::checkLine() {
    const auto line = telnet_.lineState();
    if (state_ == State::Connecting && telnet_.ready() && line == Rfc2217Client::LineState::Confirmed) {
        connectTimer_.stop();
        state_ = State::Open;
        emit opened();
    } else if (line == Rfc2217Client::LineState::Different && !reportedLine_) {
        reportedLine_ = true;
        const Message why("the server keeps its line at other settings than %1 (%2)",
                          {Message::verbatim(settingsText(line_)), telnet_.lineProblem()});
        if (const auto speed = telnet_.confirmedSpeed()) line_.speed = static_cast<int>(*speed);
        if (state_ == State::Connecting)
            fail(why);
        else
            emit settingsFailed(Message(Text::q7tr("Cannot set the line of %1: %2."),
                                        {Message::verbatim(address_.display()), why}));
    }
}

void NetworkLine::setLine(const LineSettings& line) {
    line_ = line;
    if (state_ == State::Closed || address_.kind != PortAddress::Kind::Rfc2217) return;
    reportedLine_ = false;
    send(telnet_.setLine(line));
}

void NetworkLine::failOn(int error) {
    switch (error) {
    case ECONNREFUSED:
        fail(Message(Text::q7tr(
            "the server refused the connection (is the port number right, is the server running?)")));
        break;
    case ECONNRESET:
    case EPIPE:
        fail(Message(Text::q7tr("the server closed the connection")));
        break;
    case ETIMEDOUT:
        fail(Message(Text::q7tr("the server stopped answering (the network or the server is gone)")));
        break;
    default:
        fail(Message::verbatim(std::strerror(error)));
        break;
    }
}

void NetworkLine::fail(const Message& reason) {
    if (state_ == State::Closed) return;
    const bool wasOpen = state_ == State::Open;
    close(0);
    if (starting_)
        startFailure_ =
            Message(Text::q7tr("Cannot open %1: %2."), {Message::verbatim(address_.display()), reason});
    else if (wasOpen)
        emit lost(reason);
    else
        emit openFailed(
            Message(Text::q7tr("Cannot open %1: %2."), {Message::verbatim(address_.display()), reason}));
}

void NetworkLine::close(int drainMs) {
    if (state_ == State::Closed) return;
    const bool wasOpen = state_ == State::Open;
    state_ = State::Closed;
    connectTimer_.stop();
    cancelLookup();
    if (wasOpen && drainMs > 0) {
        const QDeadlineTimer deadline(drainMs);
        while (unsent() > 0 && !deadline.hasExpired()) {
            pollfd ready{fd_, POLLOUT, 0};
            if (::poll(&ready, 1, static_cast<int>(std::max<qint64>(1, deadline.remainingTime()))) < 0 &&
                errno != EINTR)
                break;
            if (ready.revents & (POLLERR | POLLHUP)) break;
            const ssize_t n = ::send(fd_, outgoing_.data() + sentOut_, unsent(), MSG_NOSIGNAL);
            if (n > 0)
                sentOut_ += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break;
        }
    }
    dropSocket();
    // The memory a flood may have taken goes back now.
    std::string().swap(incoming_);
    std::string().swap(outgoing_);
    sentOut_ = 0;
    telnet_ = Rfc2217Client();
}

void NetworkLine::dropSocket() {
    reader_.reset();
    writer_.reset();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    socketConnected_ = false;
    ++socketId_;
}

bool NetworkLine::write(std::string_view bytes) {
    if (state_ != State::Open) return false;
    send(address_.kind == PortAddress::Kind::Rfc2217 ? Rfc2217Client::escape(bytes) : std::string(bytes));
    if (state_ != State::Open) return false;
    const qint64 now = clock_.nsecsElapsed() / 1000;
    farLineBusyUntilUs_ = std::max(now, farLineBusyUntilUs_) +
                          static_cast<qint64>(bytes.size()) * microsecondsPerCharacter(line_);
    return true;
}

// A server that does not read while it makes us answer would fill memory with what waits for it.
void NetworkLine::send(const std::string& bytes) {
    if (bytes.empty() || state_ == State::Closed) return;
    if (unsent() + bytes.size() > kSendLimit) {
        fail(Message(Text::q7tr("the server does not take what is sent to it")));
        return;
    }
    outgoing_ += bytes;
    // Into the kernel now, not on the next pass of the event loop: a click reaches the wire at once.
    flush();
}

// A socket that fails while writing also becomes readable, and the reading says why, from the event loop.
void NetworkLine::flush() {
    while (socketConnected_ && unsent() > 0) {
        const ssize_t n = ::send(fd_, outgoing_.data() + sentOut_, unsent(), MSG_NOSIGNAL);
        if (n > 0)
            sentOut_ += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    if (unsent() == 0) {
        outgoing_.clear();
        sentOut_ = 0;
    } else if (sentOut_ > outgoing_.size() / 2) {
        outgoing_.erase(0, sentOut_);
        sentOut_ = 0;
    }
    if (writer_ && socketConnected_) writer_->setEnabled(unsent() > 0);
}

std::string NetworkLine::readAll() {
    std::string out;
    out.swap(incoming_);
    return out;
}

std::size_t NetworkLine::pendingOutput() const {
    if (state_ != State::Open) return 0;
    const qint64 now = clock_.nsecsElapsed() / 1000;
    const qint64 perCharacter = microsecondsPerCharacter(line_);
    const qint64 farLine =
        farLineBusyUntilUs_ > now ? (farLineBusyUntilUs_ - now + perCharacter - 1) / perCharacter : 0;
    return unsent() + static_cast<std::size_t>(farLine);
}

} // namespace q7
