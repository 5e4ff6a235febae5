// SPDX-License-Identifier: MIT
#include "qt/core/qt_network_line.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <mutex>
#include <thread>

namespace q7 {

// A host name's lookup, which cannot be cancelled: its thread hands the addresses to the line that asked, if
// that line still waits for them.
struct NetworkLine::Lookup {
    std::mutex mutex;
    NetworkLine* owner = nullptr;
};

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
    endpoints_ = sockets::resolve(address.host, address.port, true);
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
        std::vector<sockets::Endpoint> found = sockets::resolve(host, port, false);
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

void NetworkLine::looked(std::vector<sockets::Endpoint> found) {
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
        const sockets::Connecting started = sockets::connectTo(endpoints_[nextEndpoint_++]);
        if (started.socket == sockets::kNone) {
            lastConnectError_ = started.error;
            continue;
        }
        socket_ = started.socket;
        reader_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
        reader_->setEnabled(false);
        connect(reader_.get(), &QSocketNotifier::activated, this, &NetworkLine::onReadyRead);
        writer_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Write);
        connect(writer_.get(), &QSocketNotifier::activated, this,
                [this] { socketConnected_ ? flush() : onConnectDone(); });
        if (started.connected) {
            onConnected();
            return;
        }
        // A connect that failed before the notifier watched it may never be told (Windows): asked once, from
        // the event loop, as the notifier would.
        QMetaObject::invokeMethod(
            this,
            [this, socket = socketId_] {
                if (socket == socketId_ && !socketConnected_) onConnectDone();
            },
            Qt::QueuedConnection);
        return;
    }
    failOn(lastConnectError_ ? lastConnectError_ : sockets::unreachable());
}

void NetworkLine::onConnectDone() {
    const std::optional<sockets::Error> error = sockets::connectOutcome(socket_);
    if (!error) return;
    if (*error == 0) {
        onConnected();
        return;
    }
    lastConnectError_ = *error;
    dropSocket();
    connectNext();
}

void NetworkLine::onConnected() {
    socketConnected_ = true;
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
// healthy for hours; with unacknowledged data, the same bound gives up as soon. Nagle's algorithm goes too.
void NetworkLine::keepAlive() {
    sockets::tune(socket_, kKeepAliveIdleS, kKeepAliveIntervalS, kKeepAliveCount);
}

void NetworkLine::onReadyRead() {
    // What one pass takes at most, so that a flood leaves the event loop its turn.
    std::string bytes;
    char buffer[16 * 1024];
    bool ended = false;
    sockets::Error error = 0;
    while (bytes.size() < kReceiveLimit) {
        const sockets::Transfer got = sockets::receiveSome(socket_, buffer, sizeof buffer);
        if (got.state == sockets::Transfer::State::Moved) {
            bytes.append(buffer, got.count);
            continue;
        }
        ended = got.state == sockets::Transfer::State::Ended;
        error = got.error;
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

void NetworkLine::failOn(sockets::Error error) {
    switch (sockets::kindOf(error)) {
    case sockets::ErrorKind::Refused:
        fail(Message(Text::q7tr(
            "the server refused the connection (is the port number right, is the server running?)")));
        break;
    case sockets::ErrorKind::Closed:
        fail(Message(Text::q7tr("the server closed the connection")));
        break;
    case sockets::ErrorKind::TimedOut:
        fail(Message(Text::q7tr("the server stopped answering (the network or the server is gone)")));
        break;
    case sockets::ErrorKind::Other:
        fail(Message::verbatim(sockets::errorText(error)));
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
            if (!sockets::waitWritable(socket_,
                                       static_cast<int>(std::max<qint64>(1, deadline.remainingTime()))))
                break;
            const sockets::Transfer sent =
                sockets::sendSome(socket_, std::string_view(outgoing_).substr(sentOut_));
            if (sent.state == sockets::Transfer::State::Failed) break;
            sentOut_ += sent.count;
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
    sockets::closeSocket(socket_);
    socket_ = sockets::kNone;
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
        const sockets::Transfer sent =
            sockets::sendSome(socket_, std::string_view(outgoing_).substr(sentOut_));
        if (sent.state != sockets::Transfer::State::Moved) break;
        sentOut_ += sent.count;
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
