// SPDX-License-Identifier: MIT
#pragma once
// The serial-port service (MSComm1) and the events a port reports. The program implements the service on
// QSerialPort (qt/qt_serial_port); the tests implement it with a fake. Both report through PortEvents, so an
// event added here must be handled by the form and raised by every port before anything builds.

#include <cstddef>
#include <string>

namespace q7 {

// The two line settings the panel applies: speed, parity letter, data bits, stop bits.
inline constexpr const char* kSettings19200 = "19200,N,8,1";
inline constexpr const char* kSettings9600 = "9600,N,8,1";

// The receive event's code that says received characters are waiting; other codes are ignored.
inline constexpr int kCommEventReceive = 2;

// Text is one byte per character: received bytes are Latin-1, so each byte keeps its position; written
// characters are bytes as they stand.
class SerialPort {
  public:
    virtual ~SerialPort() = default;
    // Only while closed; port 1 or 2.
    virtual void setPortNumber(int port) = 0;
    virtual int portNumber() const = 0;
    // The device the port number names, for messages.
    virtual std::string deviceName() const = 0;
    // "19200,N,8,1" and the like; takes effect at once on an open port. False with *error set on failure.
    // Here and in open(), error may be null where the reason is not wanted.
    virtual bool applySettings(const std::string& settings, std::string* error) = 0;
    // False when the port cannot be opened now. True when it is open, or, for a port that takes time to open
    // (a network connection), being opened: isConnecting() until PortEvents::portOpened or portOpenFailed.
    virtual bool open(std::string* error) = 0;
    virtual bool isConnecting() const { return false; }
    // Lets what has been written leave first.
    virtual void close() = 0;
    // Also while connecting: the port is taken, though nothing can be written yet.
    virtual bool isOpen() const = 0;
    // False when nothing could be written (port closed or still connecting, device gone).
    virtual bool write(const std::string& bytes) = 0;
    virtual std::string readAll() = 0;
    // Bytes handed over that have not yet left the port: our buffer and the driver's output queue.
    virtual std::size_t pendingOutput() const = 0;
};

// What a port reports to its owner, always from the event loop and never from inside a call to the port.
class PortEvents {
  public:
    // The receive event (OnComm) with its event code.
    virtual void comm(int eventCode) = 0;
    // The device went away under an open port (cable pulled, other end hung up); the port is closed already
    // or closes without complaint, and each loss is reported once.
    virtual void portLost() = 0;
    // The outcome of an open that took time; the text says what failed, naming the port.
    virtual void portOpened() = 0;
    virtual void portOpenFailed(const std::string& error) = 0;
    // Settings that a port accepted at once were refused later (a network server keeping its own speed).
    virtual void settingsFailed(const std::string& error) = 0;

  protected:
    ~PortEvents() = default;
};

} // namespace q7
