// SPDX-License-Identifier: MIT
#pragma once
// The serial-port service on QSerialPort. Port 1 and port 2 are device names (/dev/ttyS0, /dev/ttyUSB0, a
// pseudo-terminal's /dev/pts/N; COM1 on Windows), or serial device servers on the network
// (socket://HOST:PORT, rfc2217://HOST:PORT), reached through NetworkLine.
//
// Measured on Linux with Qt 6.4.2, worth knowing when using it:
// - A device that vanishes while open (USB adapter pulled, the other end of a pseudo-terminal closed) makes
//   QSerialPort report ReadError about a million times a second with the port still open. The service closes
//   the port at the first report and signals portLost once, from the event loop: the CPU goes idle.
// - write() only queues: the bytes leave when the event loop runs. close() therefore lets them leave first
//   (bounded by kCloseDrainMs), otherwise the last frame before "END" would be lost.
// - pendingOutput() on a pseudo-terminal: the kernel's output queue (TIOCOUTQ) always reads 0 there, since
//   the bytes go straight to the other end's input; only once about 14 KB lie unread there does the rest wait
//   in QSerialPort's own buffer, and count. A pseudo-terminal therefore cannot play a slow line for it; on a
//   UART the driver's queue counts from the first byte (the chip's own FIFO, a few bytes, does not).
// - A pseudo-terminal keeps speed and stop bits but stays at 8 data bits without parity: on an open one, Qt
//   reports other data bits or parity as unsupported.
// - Qt reports a device locked by another program (a lock file in /run/lock) as a permission error, like a
//   missing dialout membership; the description tells the two apart. The lock is named after the name the
//   port is opened by, so the port is opened by the device's resolved path: one lock per device.

#include "link/line_settings.h"
#include "link/port_address.h"
#include "link/serial_port.h"
#include "qt/qt_network_line.h"

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <string>

namespace q7 {

std::string defaultDevice(int port);

class QtSerialPort final : public QObject, public SerialPort {
    Q_OBJECT
  public:
    QtSerialPort(std::string device1, std::string device2);
    ~QtSerialPort() override;

    // Ignored while the port is open: the open device stays the one deviceName() names.
    void setPortNumber(int port) override;
    int portNumber() const override;
    std::string deviceName() const override;
    // Speed, parity letter (N, E, O, M, S), data bits (5 to 8), stop bits (1, 1.5, 2). A well-formed text is
    // kept for the next open even when an open port refuses it.
    bool applySettings(const std::string& settings, std::string* error) override;
    bool open(std::string* error) override;
    bool isConnecting() const override;
    void close() override;
    bool isOpen() const override;
    bool write(const std::string& bytes) override;
    std::string readAll() override;
    std::size_t pendingOutput() const override;

    static constexpr int kCloseDrainMs = 500;
    static constexpr const char* kNoSuchDevice =
        "the device does not exist (is the adapter plugged in, is the name right?)";
    static constexpr const char* kNameTooLong =
        "the device's name is too long for its lock file; use a shorter link to the device";
    static std::string lockFileName(const std::string& device);

  signals:
    // The events of PortEvents, emitted from the event loop: characters are waiting (kCommEventReceive); the
    // open device went away (the port is already closed, and it is emitted once per loss).
    void comm(int eventCode);
    void portLost();
    void portOpened();
    void portOpenFailed(const std::string& error);
    void settingsFailed(const std::string& error);

  private:
    const PortAddress& address() const { return addresses_[portNumber_ == 2 ? 1 : 0]; }
    bool onNetwork() const { return address().kind != PortAddress::Kind::Device; }
    // From the event loop, never from inside a call of the form's to the port.
    void later(std::function<void()> event);
    bool configure(const LineSettings& line);
    void onError(QSerialPort::SerialPortError error);
    std::string describeFailure(const std::string& action, const std::string& unsupported) const;
    // Bytes the operating system holds for sending (Linux: TIOCOUTQ); 0 where it cannot tell.
    std::size_t driverQueue() const;

    QSerialPort port_;
    std::string devices_[2];
    PortAddress addresses_[2];
    NetworkLine net_;
    int portNumber_ = 1;
    LineSettings line_;
    std::string settingsText_ = "19200,N,8,1";
    // Counts successful opens, so that a loss reported late never concerns a port opened since.
    unsigned opens_ = 0;
    bool closing_ = false;
};

// Delivers every event of the port to its owner.
void connectPortEvents(QtSerialPort& port, PortEvents& events);

} // namespace q7
