// SPDX-License-Identifier: MIT
#pragma once
// One projector's PJLink server: every connection a session (pjlink/session.h), every command answered from
// the line's latest poll or run on the line's queue.
// - Queries never wait on the wire: they answer from the latest poll, ERR3 before the first has completed
//   and while the projector is offline (its line lost, or a whole poll unanswered); the socket keeps
//   listening, so that controllers see "unavailable" rather than a refused connection.
// - Sets join the line's queue as MQTT commands do: OK after the projector's ACK, ERR3 when it refuses or
//   the queue is full or the line away, ERR4 when it does not answer. After a power set the power is polled
//   every kSettlePollMs until it settles; after any other set, once.

#include "bridge/config.h"
#include "bridge/line_worker.h"
#include "bridge/pjlink_map.h"
#include "pjlink/session.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace q7 {

class PjlinkFront final : public Service {
  public:
    struct Hooks {
        // An exchange a client caused, with its origin ("pjlink 10.0.5.9").
        std::function<void(const std::string& origin, const Answers& answers)> activity;
        // A change for PJLink's status notifications: "POWR", "ERST" or "INPT", and the new value.
        std::function<void(const std::string& body, const std::string& value)> changed;
    };

    static constexpr std::size_t kConnectionLimit = 16;
    static constexpr int kSettlePollMs = 2000;
    // Longer than a cooling down at the slowest.
    static constexpr int kSettleLimitMs = 180000;

    PjlinkFront(const BridgeConfig& config, const BridgeLine& line, std::string projector, LineWorker& worker,
                TimerFactory& timers, Hooks hooks);
    ~PjlinkFront();

    const std::string& projector() const { return projector_; }
    std::unique_ptr<ConnectionHandler> accept(Connection& connection) override;
    void polled(const std::vector<Answer>& answers);
    void availability(bool online);

  private:
    class Client;

    void command(const pjlink::Command& command, const std::string& peer, pjlink::Session::Answer answer);
    std::string query(const pjlink::Command& command) const;
    void set(const PjlinkSetRow& row, std::size_t button, const std::string& origin,
             pjlink::Session::Answer answer);
    void selectInput(const std::string& input, const std::string& origin, pjlink::Session::Answer answer);
    void run(const std::string& button, const std::string& origin, std::function<void(const char*)> then);
    void settle();
    void refresh();

    const BridgeConfig& config_;
    const BridgeLine& line_;
    std::string projector_;
    LineWorker& worker_;
    TimerFactory& timers_;
    Hooks hooks_;
    std::unique_ptr<Timer> settleTimer_;
    int settledMs_ = 0;
    char settleTarget_ = '0';          // the power a set asked for
    std::optional<PjlinkState> state_; // none before the first poll, and while offline
    std::string mutesSet_ = "30";      // the last AVMT set through the bridge
    bool frozen_ = false;
    std::size_t connections_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace q7
