// SPDX-License-Identifier: MIT
#pragma once
// A line that writes what passes through it to the session log, the same for every program: each piece
// written (TX) once the line took it, each piece read (RX), in the panel's trace form, and what becomes of
// the line (--):
//   opened, failed: WHY          an open, at once or once it ended
//   lost: WHY                    the line went away
//   opened again                 open after a failure or a loss
//   closed                       closed while open
// The tries between a failure or a loss and "opened again" (a supervisor's watch) are not written: an outage
// is two lines, however long it lasts. Without a log it only passes everything on.

#include "link/line.h"
#include "log/session_log.h"

namespace q7 {

class LoggedLine final : public Line, private LineEvents {
  public:
    explicit LoggedLine(Line& line, SessionLog* log = nullptr) : line_(line), log_(log) {}
    ~LoggedLine() override;
    LoggedLine(const LoggedLine&) = delete;
    LoggedLine& operator=(const LoggedLine&) = delete;

    // From here on; none stops the writing.
    void setLog(SessionLog* log) { log_ = log; }

    void setEvents(LineEvents* events) override;
    void setAddress(const std::string& address) override;
    std::string address() const override { return line_.address(); }
    Result<> applySettings(const std::string& settings) override { return line_.applySettings(settings); }
    Result<Opening> open() override;
    bool isConnecting() const override { return line_.isConnecting(); }
    void close() override;
    bool isOpen() const override { return line_.isOpen(); }
    bool write(std::string_view bytes) override;
    std::string readAll() override;
    std::size_t pendingOutput() const override { return line_.pendingOutput(); }

  private:
    void received() override;
    void opened() override;
    void openFailed(const Message& why) override;
    void lost(const Message& why) override;
    void settingsFailed(const Message& why) override;

    void cameOpen();
    void wentAway(const std::string& what);
    void event(const std::string& what);

    Line& line_;
    SessionLog* log_;
    LineEvents* events_ = nullptr;
    bool away_ = false; // a failure or a loss written, until the line is open again
};

} // namespace q7
