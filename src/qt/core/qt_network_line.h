// SPDX-License-Identifier: MIT
#pragma once
// A serial line behind a serial device server: raw TCP (socket://, the line set on the server) or Telnet with
// the COM-PORT-CONTROL option (rfc2217://, the line set from here). QtLine uses it for an address that is
// such a URL.
//
// On the system's socket (socket_api.h) watched by Qt Core's event loop, so that no program loads Qt Network:
// a script's q7ctl on a device starts without it. A host name is looked up on a thread of its own, so the
// window never waits.
//
// Connecting and negotiating take time, so opening completes later (opened or openFailed); nothing is written
// before. Nagle's algorithm is off, so a frame leaves at once. The server's buffer cannot be seen from here,
// so pendingOutput() also counts what the far line may still be sending at the speed in force: a held
// button's repeats are paced to the line and the lens stops at the release.
//
// A server is kept within bounds whatever it does: keepalive notices one that vanished without a word (idle
// kKeepAliveIdleS, then kKeepAliveCount probes kKeepAliveIntervalS apart: about 25 s), what waits to be
// sent to it and what it sent before the line was confirmed are bounded, and closing ends within its bound.

#include "base/message.h"
#include "link/line_settings.h"
#include "link/port_address.h"
#include "link/rfc2217.h"
#include "qt/core/socket_api.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace q7 {

class NetworkLine final : public QObject {
    Q_OBJECT
  public:
    explicit NetworkLine(QObject* parent = nullptr);
    ~NetworkLine() override;

    // Starts connecting; a server that does not answer is given up after kConnectTimeoutMs. A failure found
    // while starting (no route to the host) is returned and not signalled.
    Result<> open(const PortAddress& address, const LineSettings& line);
    // Lets what has been written leave first, for at most drainMs.
    void close(int drainMs);
    bool isOpen() const { return state_ != State::Closed; }
    bool isConnecting() const { return state_ == State::Connecting; }
    // Over RFC 2217 the far line is set at once; the server's answer may still refuse it (settingsFailed).
    void setLine(const LineSettings& line);
    bool write(std::string_view bytes);
    std::string readAll();
    std::size_t pendingOutput() const;

    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kKeepAliveIdleS = 10;
    static constexpr int kKeepAliveIntervalS = 5;
    static constexpr int kKeepAliveCount = 3;
    // Far more than a line at 19200 baud can carry before anyone reads it.
    static constexpr std::size_t kReceiveLimit = 64 * 1024;
    static constexpr std::size_t kSendLimit = 1024 * 1024;

    struct Lookup;

  signals:
    void opened();
    void openFailed(const q7::Message& why);
    void received();
    void lost(const q7::Message& why);
    void settingsFailed(const q7::Message& why);

  private:
    enum class State { Closed, Connecting, Open };
    void lookUp();
    void looked(std::vector<sockets::Endpoint> found);
    // Tries the server's addresses in turn, from the next one not tried.
    void connectNext();
    void onConnectDone();
    void onConnected();
    void onReadyRead();
    void take(std::string_view chunk);
    void keepAlive();
    // Connecting: openFailed; open: lost.
    void fail(const Message& reason);
    void failOn(sockets::Error error);
    void checkLine();
    void send(const std::string& bytes);
    // Into the kernel what it takes now; the rest when the socket can take more.
    void flush();
    std::size_t unsent() const { return outgoing_.size() - sentOut_; }
    void dropSocket();
    void cancelLookup();

    sockets::Handle socket_ = sockets::kNone;
    bool socketConnected_ = false;
    // Counts sockets, so that a socket closed while its data was being told is not read on.
    unsigned socketId_ = 0;
    std::unique_ptr<QSocketNotifier> reader_;
    std::unique_ptr<QSocketNotifier> writer_;
    std::shared_ptr<Lookup> lookup_;
    std::vector<sockets::Endpoint> endpoints_;
    std::size_t nextEndpoint_ = 0;
    sockets::Error lastConnectError_ = 0;
    std::string outgoing_;
    std::size_t sentOut_ = 0;
    QTimer connectTimer_;
    State state_ = State::Closed;
    PortAddress address_;
    LineSettings line_;
    Rfc2217Client telnet_;
    std::string incoming_;
    bool reportedLine_ = false;
    // While open() runs: a failure is returned instead of signalled.
    bool starting_ = false;
    Message startFailure_;
    // When the far line will have sent what was written so far, at the speed in force.
    QElapsedTimer clock_;
    qint64 farLineBusyUntilUs_ = 0;
};

} // namespace q7
