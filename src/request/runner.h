// SPDX-License-Identifier: MIT
#pragma once
// Runs one request of q7ctl on a line: opens it, makes its exchanges one after the other, and hands back the
// answers; a line that cannot be opened or goes away ends it with the reason. Nothing is watched or opened
// again: a script decides what to do next.

#include "request/request.h"
#include "session/exchange.h"
#include "session/supervisor.h"

#include <functional>
#include <optional>

namespace q7 {

struct Answer {
    std::string name;               // the button's, "send", or the status key
    const StatusKey* key = nullptr; // a decoded query: its key
    Exchanged exchanged;
    std::optional<std::string> statusText; // what the panel's STATUS line would show
};

// The reply window of a one-shot button, by its send class.
int replyWindowMs(SendClass sendClass);
// The typed text's window, as the panel's "SEND" gives it.
inline constexpr int kSendWindowMs = intervalsFor(kTypedSendClass)->replyTimeout;
// The window of a command (without its address) as the button that sends it has it once; the typed text's
// for a command that is no button's.
int commandWindowMs(std::string_view command);
// The repeat period of a held button: its own, or the arrows' at start-up and after "A-IMAGE".
int repeatPeriodMs(const HeldEntry& held);

// 0 when every exchange was answered, 4 when any was refused (NAK), else 3.
int exitStatus(const std::vector<Answer>& answers);

using Answers = Result<std::vector<Answer>>;
// 128 + the signal once one is ending the process, wherever it came; else 1 for a line that failed, else as
// the answers say.
int exitStatus(const Answers& result);
// What the process has left for the replies in flight once a signal has come.
inline constexpr int kEndingMs = 250;
// Each frame written and each reply, as they come: for --verbose and the log.
using Traffic = std::function<void(bool sent, const std::string& bytes)>;

// A request's exchanges one after the other on a line that is open: for q7ctl's one run, and for each command
// and poll of a bridge's line.
class RequestRun {
  public:
    using Done = std::function<void(const Answers&)>;
    // A window given replaces every send class's.
    RequestRun(Line& line, TimerFactory& timers, std::optional<int> windowMs, Traffic traffic);

    // The line has just been opened; quiet: the first frame waits until it is quiet.
    void opened(bool quiet) { exchange_.opened(quiet); }
    // prefix: "", "AFFF", "A001" ... "A004".
    void start(const Request& request, std::string prefix, Done done);
    // Characters are waiting on the line.
    void received() { exchange_.received(); }
    // The process is ending: no new exchange, and what was written has kEndingMs for its replies; done then
    // with the answers so far.
    void interrupt();
    // Then, once the line holds nothing of the run's any more.
    void settle(std::function<void()> then) { exchange_.settle(std::move(then)); }
    // Ends without done; nothing more is written.
    void stop();
    bool busy() const { return static_cast<bool>(done_); }

  private:
    void next();
    void end(const Answers& result);

    Line& line_;
    Exchange exchange_;
    std::string prefix_;
    std::optional<int> windowMs_;
    Traffic traffic_;
    Request request_;
    std::vector<Answer> answers_;
    bool interrupted_ = false;
    Done done_;
};

// q7ctl's run: opens the line, runs the request, waits until the line is clean, closes it.
class Runner final : private LineSupervisor::Events {
  public:
    Runner(Line& line, TimerFactory& timers, std::string prefix, std::optional<int> windowMs,
           Traffic traffic);

    void run(const Request& request, RequestRun::Done done);
    // A signal: the run ends within kEndingMs, as RequestRun::interrupt() says, and done comes.
    void interrupt();

  private:
    void received() override { run_.received(); }
    void opened() override;
    void openFailed(const Message& why) override;
    void lost(const Message& why) override;
    void back() override {}
    void settingsFailed(const Message&) override {}
    void ran(const Answers& result);
    void end();

    LineSupervisor supervisor_;
    RequestRun run_;
    std::string prefix_;
    Request request_;
    std::optional<Answers> result_;
    bool interrupted_ = false;
    RequestRun::Done done_;
};

} // namespace q7
