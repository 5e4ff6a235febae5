// SPDX-License-Identifier: MIT
#pragma once
// A line on Qt: a device on QSerialPort (/dev/ttyUSB0, a pseudo-terminal's /dev/pts/N, ttyUSB0 as the toolkit
// takes it: under /dev; COM1 on Windows), or a serial device server on the network (socket://HOST:PORT,
// rfc2217://HOST:PORT), reached through NetworkLine.
//
// Measured on Linux with Qt 6.4.2, worth knowing when using it:
// - A device that vanishes while open (USB adapter pulled, the other end of a pseudo-terminal closed) makes
//   QSerialPort report ReadError about a million times a second with the port still open. The line closes the
//   port at the first report and reports the loss once, from the event loop: the CPU goes idle.
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
// - A lock file whose owner has ended is removed by the next program only if it may: the folder is sticky,
//   so one left by a program of another user stays until root removes it. The description names the file.
//
// On Windows (as Qt SerialPort 6.4.2 is written): no lock files, since a port opens for one handle at a time
// and any other open is refused as a permission error, this program's own too; a name that starts with "COM"
// is opened as \\.\COMn, which COM10 and above need.

#include "link/line.h"
#include "link/line_settings.h"
#include "link/port_address.h"
#include "qt/core/qt_network_line.h"

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <optional>
#include <string>

namespace q7 {

class QtLine final : public QObject, public Line {
  public:
    explicit QtLine(std::string address = {});
    ~QtLine() override;

    void setEvents(LineEvents* events) override { events_ = events; }
    // Ignored while open: the open line stays the one address() names.
    void setAddress(const std::string& address) override;
    std::string address() const override { return address_; }
    // Speed, parity letter (N, E, O, M, S), data bits (5 to 8), stop bits (1, 1.5, 2). Settings an open
    // device refuses leave the ones in force.
    Result<> applySettings(const std::string& settings) override;
    Result<Opening> open() override;
    bool isConnecting() const override;
    void close() override;
    bool isOpen() const override;
    bool write(std::string_view bytes) override;
    std::string readAll() override;
    std::size_t pendingOutput() const override;

    static constexpr int kCloseDrainMs = 500;
    // How long close() lets the last frames leave; 0 closes at once (a bridge's event loop serves other
    // lines).
    void setCloseDrainMs(int ms) { drainMs_ = ms; }
    static std::string lockFileName(const std::string& device);
    // The device a name stands for as the toolkit takes it: a name that does not start with /, ./ or ../ is
    // under /dev. On Windows the port's own name: COM3 for com3 and \\.\COM3.
    static std::string devicePath(const std::string& name);

  private:
    bool onNetwork() const { return kind_ != PortAddress::Kind::Device; }
    // From the event loop, never from inside a call of the owner's to the line.
    void later(std::function<void(LineEvents&)> event);
    bool configure(const LineSettings& line);
    void onError(QSerialPort::SerialPortError error);
    Message describeFailure(const Message& unsupported) const;
    // Why the device's lock file keeps it from opening, naming its owner, where the file tells.
    std::optional<Message> describeLock() const;
    Result<std::string> resolveDevice() const;
    // Bytes the operating system holds for sending (Linux: TIOCOUTQ; Windows: ClearCommError's cbOutQue,
    // which counts the chunk QSerialPort is writing too); 0 where it cannot tell.
    std::size_t driverQueue() const;
    void closePort();

    LineEvents* events_ = nullptr;
    QSerialPort port_;
    NetworkLine net_;
    std::string address_;
    PortAddress::Kind kind_ = PortAddress::Kind::Device;
    PortAddress network_;
    LineSettings line_;
    // Counts opens, so that an event reported late never concerns a line opened since.
    unsigned opens_ = 0;
    bool closing_ = false;
    int drainMs_ = kCloseDrainMs;
};

} // namespace q7
