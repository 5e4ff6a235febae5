// SPDX-License-Identifier: MIT
#pragma once
// One line of a bridge: kept open by its supervisor, its projectors polled, the commands that arrive run one
// at a time in the order they came and before any poll. Lines are independent: each has its own worker.

#include "bridge/config.h"
#include "request/runner.h"

#include <deque>
#include <map>

namespace q7 {

class LineWorker final : private LineSupervisor::Events {
  public:
    class Events {
      public:
        // A projector answers polls (again), or does not: the line is lost, or a whole poll went unanswered.
        virtual void availability(const std::string& line, const std::string& projector, bool online) = 0;
        virtual void polled(const std::string& line, const std::string& projector,
                            const std::vector<Answer>& answers) = 0;
        // The line went away, or could not be opened, with the reason (said once an outage); or it is back.
        virtual void lineAway(const std::string& line, const Message& why) = 0;
        virtual void lineBack(const std::string& line) = 0;

      protected:
        ~Events() = default;
    };

    static constexpr std::size_t kWaitingLimit = 32;

    LineWorker(BridgeLine config, Line& line, TimerFactory& timers, int pollMs, Events& events);

    const BridgeLine& config() const { return config_; }
    void start();
    // Waits its turn before any poll; refused at once when kWaitingLimit wait already or the line is away.
    // Done comes exactly once: with the answers, or with why there are none (the line lost on the way, the
    // bridge stopped first).
    void command(const std::string& projector, const Request& request, RequestRun::Done done);
    // A frame as a client wrote it, its address included and without its CR, as a command.
    void send(const std::string& frame, int windowMs, RequestRun::Done done);
    // A poll of the projector as a command: its state and availability are told as a poll's, and done gets
    // its answers.
    void refresh(const std::string& projector, RequestRun::Done done);
    // Writes nothing more; the line is closed, and the commands not yet answered are told so.
    void stop();

  private:
    struct Job {
        std::string projector; // none for a frame that carries its address
        Request request;
        RequestRun::Done done; // none for a poll
        bool poll = false;
    };

    void received() override { run_.received(); }
    void opened() override { back(); }
    void openFailed(const Message& why) override;
    void lost(const Message& why) override;
    void back() override;
    void settingsFailed(const Message&) override {}

    void poll();
    void queue(Job job);
    void next();
    void failAll(const Message& why);
    void setOnline(const std::string& projector, bool online);

    BridgeLine config_;
    Events& events_;
    LineSupervisor supervisor_;
    RequestRun run_;
    std::unique_ptr<Timer> pollTimer_;
    std::deque<Job> commands_, polls_;
    RequestRun::Done inFlight_; // the command being run
    std::map<std::string, bool> online_;
    bool up_ = false;
    bool away_ = false; // an outage told, until the line is back
};

} // namespace q7
