// SPDX-License-Identifier: MIT
#pragma once
// One serial line at one address: a device (/dev/ttyUSB0, a pseudo-terminal) or a serial device server on the
// network (socket://HOST:PORT, rfc2217://HOST:PORT). The programs implement it on Qt (qt/core/qt_line), the
// tests with a fake. What happens on the line later is reported through LineEvents, so an event added here
// must be handled by every owner and raised by every line before anything builds.

#include "base/message.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace q7 {

// The signal that is ending the process, 0 while none has come. Set from the signal handler, the first signal
// counting; from then on no line writes a frame, and a frame refused for it is no fault of the line.
int endingSignal();
void setEndingSignal(int signo);

// Always from the event loop, never from inside a call to the line.
class LineEvents {
  public:
    // Characters are waiting.
    virtual void received() = 0;
    // The outcome of an open that took time; the message says what failed, naming the line.
    virtual void opened() = 0;
    virtual void openFailed(const Message& why) = 0;
    // The line went away while open (cable pulled, other end hung up, server gone or misbehaving): it is
    // closed already, and each loss is reported once.
    virtual void lost(const Message& why) = 0;
    // Settings that the line accepted at once were refused later (a network server keeping its own speed).
    virtual void settingsFailed(const Message& why) = 0;

  protected:
    ~LineEvents() = default;
};

// Text is one byte per character: received bytes are Latin-1, so each byte keeps its position; written
// characters are bytes as they stand.
class Line {
  public:
    enum class Opening { Open, Pending };

    virtual ~Line() = default;
    // Who hears the line's events; one owner at a time.
    virtual void setEvents(LineEvents* events) = 0;
    // Only while closed. As the user wrote it, which is also how messages name it.
    virtual void setAddress(const std::string& address) = 0;
    virtual std::string address() const = 0;
    // "19200,N,8,1" and the like; kept for every later open, and applied at once to an open line.
    virtual Result<> applySettings(const std::string& settings) = 0;
    // Open, or Pending for a line that takes time to open (a network connection): isConnecting() until
    // LineEvents::opened or openFailed. A failure found at once is returned, and never reported again.
    virtual Result<Opening> open() = 0;
    virtual bool isConnecting() const = 0;
    // Lets what has been written leave first, for a bounded time whatever the far end does.
    virtual void close() = 0;
    // Also while connecting: the line is taken, though nothing can be written yet.
    virtual bool isOpen() const = 0;
    // False when nothing could be written (closed or still connecting, device gone).
    virtual bool write(std::string_view bytes) = 0;
    virtual std::string readAll() = 0;
    // Bytes handed over that have not yet left the line: buffers, the driver's output queue, and what a
    // network server still has to send at the line's speed.
    virtual std::size_t pendingOutput() const = 0;
};

} // namespace q7
