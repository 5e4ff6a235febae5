// SPDX-License-Identifier: MIT
#pragma once
// The window services: everything the form's behaviour needs from a windowing toolkit and a serial port.
// The program implements them with Qt (panel/qt_window, link/qt_serial_port); the tests implement them on a
// virtual clock with a fake port. Controls are addressed by their designer names ("Label12", "Frame8", ...).

#include <cstddef>
#include <string>
#include <string_view>

namespace q7 {

// An interval in milliseconds and an enabled flag. An enabled timer ticks every interval until disabled.
// Disabling and enabling again, setting the interval of a running timer, and enabling a running timer all
// start its count afresh: every transmission gets its full reply window and clearing time.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
};

// The serial-port service (MSComm1). Text is one byte per character: received bytes are Latin-1, so each
// byte keeps its position; written characters are bytes as they stand.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Only while closed; port 1 or 2.
    virtual void setPortNumber(int port) = 0;
    virtual int portNumber() const = 0;
    // The device the port number names, for messages.
    virtual std::string deviceName() const = 0;
    // "19200,N,8,1" and the like; takes effect at once on an open port. False with *error set on failure.
    virtual bool applySettings(const std::string& settings, std::string* error) = 0;
    virtual bool open(std::string* error) = 0;
    // Lets what has been written leave first.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // False when nothing could be written (port closed, device gone).
    virtual bool write(const std::string& bytes) = 0;
    virtual std::string readAll() = 0;
    // Bytes handed over that have not yet left the port: our buffer and the driver's output queue.
    virtual std::size_t pendingOutput() const = 0;
};

class WindowServices {
public:
    virtual ~WindowServices() = default;
    // 1 to 4.
    virtual Timer& timer(int n) = 0;
    virtual SerialPort& port() = 0;

    // Caption of a label or button, text of the text box; read back exactly as set.
    virtual void setText(std::string_view control, const std::string& text) = 0;
    virtual std::string text(std::string_view control) const = 0;
    virtual void setVisible(std::string_view control, bool visible) = 0;
    virtual bool isVisible(std::string_view control) const = 0;
    // Marks an option selected without running its click action.
    virtual void setSelected(std::string_view option) = 0;
    virtual bool isSelected(std::string_view option) const = 0;

    // Window geometry in twips; heights are outer heights (client depth + 370).
    virtual int windowHeight() const = 0;
    virtual void setWindowHeight(int twips) = 0;
    virtual int windowWidth() const = 0;
    virtual void moveWindow(int left, int top) = 0;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;

    // Modal warning box with an exclamation icon and one OK button; does not block the caller.
    virtual void showWarning(const std::string& text) = 0;
    // Unloads the window and ends the program.
    virtual void quit() = 0;
};

} // namespace q7
