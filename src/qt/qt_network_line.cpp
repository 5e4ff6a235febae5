// SPDX-License-Identifier: MIT
#include "qt/qt_network_line.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace q7 {
namespace {

std::string lineText(const LineSettings& line) {
    const char parity = "NEOMS"[static_cast<int>(line.parity)];
    const char* stop = line.stopBits == StopBits::Two          ? "2"
                       : line.stopBits == StopBits::OneAndHalf ? "1.5"
                                                               : "1";
    return std::to_string(line.speed) + "," + parity + "," + std::to_string(line.dataBits) + "," + stop;
}

// A character on the line: start bit, data bits, parity bit, stop bits.
qint64 microsecondsPerCharacter(const LineSettings& line) {
    const int bits =
        1 + line.dataBits + (line.parity == Parity::None ? 0 : 1) + (line.stopBits == StopBits::One ? 1 : 2);
    return std::max<qint64>(1, 1'000'000LL * bits / std::max(1, line.speed));
}

} // namespace

NetworkLine::NetworkLine(QObject* parent) : QObject(parent) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, [this] {
        fail("the server did not answer within " + std::to_string(kConnectTimeoutMs / 1000) + " seconds");
    });
    connect(&socket_, &QTcpSocket::connected, this, &NetworkLine::onConnected);
    connect(&socket_, &QTcpSocket::readyRead, this, &NetworkLine::onReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &NetworkLine::onSocketError);
    clock_.start();
}

void NetworkLine::open(const PortAddress& address, const LineSettings& line) {
    if (isOpen()) return;
    address_ = address;
    line_ = line;
    telnet_ = Rfc2217Client();
    incoming_.clear();
    reportedLine_ = false;
    state_ = State::Connecting;
    connectTimer_.start(kConnectTimeoutMs);
    // A host name is looked up by Qt without blocking the window; an unknown one fails like a refusal.
    socket_.connectToHost(QString::fromStdString(address.host), address.port);
}

void NetworkLine::onConnected() {
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (address_.kind == PortAddress::Kind::RawTcp) {
        connectTimer_.stop();
        state_ = State::Open;
        emit opened();
        return;
    }
    send(telnet_.opening());
    send(telnet_.setLine(line_));
}

void NetworkLine::onReadyRead() {
    const QByteArray bytes = socket_.readAll();
    const std::string_view chunk(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (address_.kind == PortAddress::Kind::RawTcp) {
        incoming_.append(chunk);
    } else {
        Rfc2217Client::Output out = telnet_.feed(chunk);
        if (!out.reply.empty()) send(out.reply);
        if (telnet_.phase() == Rfc2217Client::Phase::Failed) {
            fail(telnet_.error());
            return;
        }
        incoming_.append(out.data);
        checkLine();
    }
    if (state_ == State::Open && !incoming_.empty()) emit received();
}

// Over RFC 2217 the port counts as open once the server has taken the line settings; a later answer that
// differs refuses a speed change.
void NetworkLine::checkLine() {
    const auto line = telnet_.lineState();
    if (state_ == State::Connecting && telnet_.phase() == Rfc2217Client::Phase::Ready &&
        line == Rfc2217Client::LineState::Confirmed) {
        connectTimer_.stop();
        state_ = State::Open;
        emit opened();
    } else if (line == Rfc2217Client::LineState::Different && !reportedLine_) {
        reportedLine_ = true;
        const std::string why = "the server keeps its line at other settings than " + lineText(line_) + " (" +
                                telnet_.lineProblem() + ")";
        if (state_ == State::Connecting)
            fail(why);
        else
            emit settingsFailed("Cannot set the line of " + address_.display() + ": " + why + ".");
    }
}

void NetworkLine::setLine(const LineSettings& line) {
    line_ = line;
    if (state_ == State::Closed || address_.kind != PortAddress::Kind::Rfc2217) return;
    reportedLine_ = false;
    send(telnet_.setLine(line));
}

void NetworkLine::onSocketError(QAbstractSocket::SocketError error) {
    if (state_ == State::Closed) return;
    if (state_ == State::Open) {
        // A dropped connection is a device that went away: closed here, reported once.
        close(0);
        emit lost();
        return;
    }
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail("the host name " + address_.host + " is not known");
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail("the server refused the connection (is the port number right, is the server running?)");
        break;
    case QAbstractSocket::RemoteHostClosedError:
        fail("the server closed the connection");
        break;
    default:
        fail(socket_.errorString().toStdString());
        break;
    }
}

void NetworkLine::fail(const std::string& reason) {
    if (state_ != State::Connecting) return;
    close(0);
    emit openFailed("Cannot open " + address_.display() + ": " + reason + ".");
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
        socket_.disconnectFromHost();
        if (socket_.state() != QAbstractSocket::UnconnectedState)
            socket_.waitForDisconnected(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    socket_.abort();
    incoming_.clear();
}

bool NetworkLine::write(const std::string& bytes) {
    if (state_ != State::Open) return false;
    send(address_.kind == PortAddress::Kind::Rfc2217 ? Rfc2217Client::escape(bytes) : bytes);
    const qint64 now = clock_.nsecsElapsed() / 1000;
    farLineBusyUntilUs_ = std::max(now, farLineBusyUntilUs_) +
                          static_cast<qint64>(bytes.size()) * microsecondsPerCharacter(line_);
    return true;
}

void NetworkLine::send(const std::string& bytes) {
    if (bytes.empty()) return;
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
    const qint64 farLine = farLineBusyUntilUs_ > now
                               ? (farLineBusyUntilUs_ - now + microsecondsPerCharacter(line_) - 1) /
                                     microsecondsPerCharacter(line_)
                               : 0;
    return static_cast<std::size_t>(socket_.bytesToWrite()) + static_cast<std::size_t>(farLine);
}

} // namespace q7
