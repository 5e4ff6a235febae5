// SPDX-License-Identifier: MIT
#pragma once
// A venue's PJLink servers (one for each projector given an address) and raw passthroughs (one for each
// line given one), with PJLink's UDP: the search answered by every projector that the search reached, from
// its own address, and the status notifications sent to the hosts configured, LKUP at start.

#include "bridge/passthrough.h"
#include "bridge/pjlink_front.h"
#include "bridge/venue.h"

#include <memory>
#include <vector>

namespace q7 {

class Fronts final : public DatagramService, public LineWorker::Events {
  public:
    // Where each front listens, and what it serves there ("PJLink hall/001", "passthrough hall").
    struct Listening {
        Endpoint at;
        Service* service;
        std::string what;
    };

    // Watches the venue's lines from now on.
    Fronts(const BridgeConfig& config, Venue& venue, TimerFactory& timers);
    ~Fronts();

    std::vector<Listening> listening();
    // The addresses of the PJLink servers, each once: those UDP listens on besides every address.
    std::vector<std::string> pjlinkHosts() const;
    // UDP is there (a port configured): LKUP is told.
    void start(Datagrams* udp);

    void datagram(const std::string& local, const std::string& from, std::string_view bytes) override;

  private:
    struct Pjlink {
        std::string line;
        Endpoint at;
        std::string mac;
        std::unique_ptr<PjlinkFront> front;
    };
    struct Raw {
        std::string line;
        Endpoint at;
        std::unique_ptr<Passthrough> passthrough;
    };

    void availability(const std::string& line, const std::string& projector, bool online) override;
    void polled(const std::string& line, const std::string& projector,
                const std::vector<Answer>& answers) override;
    void lineAway(const std::string&, const Message&) override {}
    void lineBack(const std::string&) override {}
    void notify(const Pjlink& front, const std::string& body, const std::string& value);

    const BridgeConfig& config_;
    std::vector<Pjlink> pjlink_;
    std::vector<Raw> raw_;
    Datagrams* udp_ = nullptr;
};

} // namespace q7
