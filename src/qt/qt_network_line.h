// SPDX-License-Identifier: MIT
#pragma once
// A serial line behind a serial device server: raw TCP (socket://, the line set on the server) or Telnet with
// the COM-PORT-CONTROL option (rfc2217://, the line set from here). QtSerialPort uses it for a port whose
// name is such a URL; to the form it is the same serial-port service.
//
// Connecting and negotiating take time, so opening completes later (opened or openFailed); nothing is written
// before. Nagle's algorithm is off, so a frame leaves at once. The server's buffer cannot be seen from here,
// so pendingOutput() also counts what the far line may still be sending at the speed in force: a held
// button's repeats are paced to the line and the lens stops at the release.

#include "link/line_settings.h"
#include "link/port_address.h"
#include "link/rfc2217.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <string>

namespace q7 {

class NetworkLine final : public QObject {
    Q_OBJECT
  public:
    explicit NetworkLine(QObject* parent = nullptr);

    // Starts connecting; a server that does not answer is given up after kConnectTimeoutMs.
    void open(const PortAddress& address, const LineSettings& line);
    // Lets what has been written leave first, bounded as for a serial device.
    void close(int drainMs);
    bool isOpen() const { return state_ != State::Closed; }
    bool isConnecting() const { return state_ == State::Connecting; }
    // Over RFC 2217 the far line is set at once; the server's answer may still refuse it (settingsFailed).
    void setLine(const LineSettings& line);
    bool write(const std::string& bytes);
    std::string readAll();
    std::size_t pendingOutput() const;

    static constexpr int kConnectTimeoutMs = 5000;

  signals:
    void opened();
    void openFailed(const std::string& error);
    void received();
    void lost();
    void settingsFailed(const std::string& error);

  private:
    enum class State { Closed, Connecting, Open };
    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void fail(const std::string& reason);
    void checkLine();
    void send(const std::string& bytes);

    QTcpSocket socket_;
    QTimer connectTimer_;
    State state_ = State::Closed;
    PortAddress address_;
    LineSettings line_;
    Rfc2217Client telnet_;
    std::string incoming_;
    bool reportedLine_ = false;
    // When the far line will have sent what was written so far, at the speed in force.
    QElapsedTimer clock_;
    qint64 farLineBusyUntilUs_ = 0;
};

} // namespace q7
