// SPDX-License-Identifier: MIT
#include "qt/core/qt_network_line.h"

#include <QDeadlineTimer>
#include <algorithm>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace q7 {

NetworkLine::NetworkLine(QObject* parent) : QObject(parent) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        fail(Message(Text::q7tr("the server did not answer within %1 seconds"),
                     {Message::number(kConnectTimeoutMs / 1000)}));
    });
    connect(&socket_, &QTcpSocket::connected, this, &NetworkLine::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &NetworkLine::onReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &NetworkLine::onSocketError);
    // Qt stops reading from the kernel when this much waits unread: a flooding server is held back by TCP.
    socket_.setReadBufferSize(static_cast<qint64>(kReceiveLimit));
    clock_.start();
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
    // A host name is looked up by Qt without blocking the window; an address without a route fails at once,
    // inside this call.
    starting_ = true;
    startFailure_ = {};
    socket_.connectToHost(QString::fromStdString(address.host), address.port);
    starting_ = false;
    if (!startFailure_.empty()) return failure(std::exchange(startFailure_, {}));
    return {};
}

void NetworkLine::onConnected() {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    keepAlive();
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
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = static_cast<int>(socket_.socketDescriptor());
    const int idle = kKeepAliveIdleS, interval = kKeepAliveIntervalS, count = kKeepAliveCount;
    const unsigned userTimeout = 1000u * (kKeepAliveIdleS + kKeepAliveIntervalS * kKeepAliveCount);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
#endif
}

void NetworkLine::onReadyRead() {
    const QByteArray bytes = socket_.readAll();
    // Closing: nothing more is answered or kept.
    if (state_ == State::Closed) return;
    const std::string_view chunk(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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

void NetworkLine::onSocketError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail(Message(Text::q7tr("the host name %1 is not known"), {Message::verbatim(address_.host)}));
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(Message(Text::q7tr(
            "the server refused the connection (is the port number right, is the server running?)")));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        fail(Message(Text::q7tr("the server closed the connection")));
        break;
    case QAbstractSocket::SocketTimeoutError:
        fail(Message(Text::q7tr("the server stopped answering (the network or the server is gone)")));
        break;
    default:
        fail(Message::verbatim(socket_.errorString().toStdString()));
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
    if (wasOpen && drainMs > 0) {
        const QDeadlineTimer deadline(drainMs);
        while (socket_.bytesToWrite() > 0 && !deadline.hasExpired())
            if (!socket_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
        if (!deadline.hasExpired()) {
            socket_.disconnectFromHost();
            if (socket_.state() != QAbstractSocket::UnconnectedState)
                socket_.waitForDisconnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
    }
    socket_.abort();
    // The memory a flood may have taken goes back now.
    std::string().swap(incoming_);
    telnet_ = Rfc2217Client();
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
    if (static_cast<std::size_t>(socket_.bytesToWrite()) + bytes.size() > kSendLimit) {
        fail(Message(Text::q7tr("the server does not take what is sent to it")));
        return;
    }
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    // Into the kernel now, not on the next pass of the event loop: a click reaches the wire at once.
    socket_.flush();
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
    return static_cast<std::size_t>(socket_.bytesToWrite()) + static_cast<std::size_t>(farLine);
}

} // namespace q7
