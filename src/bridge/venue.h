// SPDX-License-Identifier: MIT
#pragma once
// What a bridge does on the broker, whichever client carries it there: a command topic's message to its
// line's worker and its result back, the state and availability kept retained, Home Assistant's discovery
// and its clean-up, the bridge's own topics, and the lines another bridge serves as well.
//
// - Only the command topics of the lines served here are subscribed to (QoS 2: exactly once from the broker),
//   and a command for another line is never answered: a venue runs several bridges on one broker.
// - Every command accepted gets exactly one result on its result topic, naming it ("command"): its outcome,
//   or why it was not run. With an MQTT 5 response topic under q7/ (not a bridge's own, not a command topic)
//   the result goes there too, with the command's correlation data.
// - Two bridges claim one line when each lists it in its retained q7/bridge/ID/lines while both are online:
//   both say so on the journal, and the one with the greater id gives up the line (its worker closes, its
//   entities go) and says so in its retained q7/bridge/ID/status, until the other goes offline.

#include "bridge/config.h"
#include "bridge/line_worker.h"
#include "log/session_log.h"
#include "request/json.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace q7 {

// A message as the broker delivered it; the last two are MQTT 5's request/response properties.
struct BrokerMessage {
    std::string topic, payload;
    bool retained = false;
    std::string responseTopic{}, correlation{};
};

// What the venue needs of an MQTT client, which keeps its subscriptions for every later connection and drops
// what is published while it has none (connected() follows every connection, and the venue publishes
// everything retained again).
class Broker {
  public:
    virtual void publish(const std::string& topic, const std::string& payload, bool retain,
                         const std::string& correlation = {}) = 0;
    virtual void subscribe(const std::string& pattern, int qos) = 0;

  protected:
    ~Broker() = default;
};

class Venue final : private LineWorker::Events {
  public:
    // One line for the journal.
    using Journal = std::function<void(const Message&)>;

    // A command is a name or a small object: more is refused before any name is searched.
    static constexpr std::size_t kLongestCommandBytes = 4096;
    static constexpr int kLongestRemoteHoldS = 60;

    // lines: one for each of config.lines, in their order; logs: a line's session log by its name.
    Venue(BridgeConfig config, Broker& broker, const std::vector<Line*>& lines, TimerFactory& timers,
          std::map<std::string, SessionLog*> logs, Journal journal);
    ~Venue();

    // Says what is served, subscribes and opens the lines.
    void start();
    // Answers the commands waiting, closes the lines, and leaves every projector and the bridge offline.
    void stop();

    // From the client.
    void connected();
    void disconnected();
    void unreachable(const std::string& why);
    void message(const BrokerMessage& message);
    // A message larger than the client takes, dropped there.
    void oversize(const std::string& topic, std::size_t bytes);

    // For the fronts: a line's worker, its events told to watcher too, and the exchanges their clients
    // cause, on q7/LINE/PROJECTOR/activity and in the line's session log, with their origin.
    LineWorker* worker(const std::string& line);
    void watch(LineWorker::Events* watcher) { watcher_ = watcher; }
    void activity(const std::string& line, const std::string& projector, const std::string& origin,
                  const Answers& answers);

  private:
    struct Served;

    void availability(const std::string& line, const std::string& projector, bool online) override;
    void polled(const std::string& line, const std::string& projector,
                const std::vector<Answer>& answers) override;
    void lineAway(const std::string& line, const Message& why) override;
    void lineBack(const std::string& line) override;

    Served* served(const std::string& line);
    void command(Served& line, const std::string& projector, const BrokerMessage& message);
    void result(const BrokerMessage& command, Json outcome);
    void keep(const std::string& topic, const std::string& payload);
    void publishDiscovery(const Served& line, bool present);
    void forgetRemoved(const std::string& payload);
    void claimed(const std::string& id, const std::string& leaf, const BrokerMessage& message);
    void settleClaims();
    void publishStatus();
    void logEvent(const std::string& line, const std::string& what);

    BridgeConfig config_;
    Broker& broker_;
    std::map<std::string, SessionLog*> logs_;
    Journal journal_;
    std::vector<std::unique_ptr<Served>> lines_;
    std::map<std::string, std::string> retained_; // by topic: published again after every connection
    struct Other {
        bool online = false;
        std::set<std::string> lines;
    };
    std::map<std::string, Other> others_;                // the other bridges, by id
    std::set<std::pair<std::string, std::string>> told_; // line and other bridge: a claim said on the journal
    bool started_ = false;
    LineWorker::Events* watcher_ = nullptr;
};

} // namespace q7
