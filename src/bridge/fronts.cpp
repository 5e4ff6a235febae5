// SPDX-License-Identifier: MIT
#include "bridge/fronts.h"

#include "pjlink/pjlink.h"

#include <algorithm>

namespace q7 {
namespace {

bool wildcard(const std::string& host) {
    return host == "0.0.0.0" || host == "::";
}

} // namespace

Fronts::Fronts(const BridgeConfig& config, Venue& venue, TimerFactory& timers) : config_(config) {
    for (const BridgeLine& line : config_.lines) {
        LineWorker* worker = venue.worker(line.name);
        if (!worker) continue;
        for (const PjlinkAddress& front : line.pjlink) {
            Pjlink served{
                line.name, front.at, pjlink::macAddress(config_.id, line.name, front.projector), {}};
            PjlinkFront::Hooks hooks;
            hooks.activity = [&venue, name = line.name, projector = front.projector](
                                 const std::string& origin, const Answers& answers) {
                venue.activity(name, projector, origin, answers);
            };
            hooks.changed = [this, index = pjlink_.size()](const std::string& body,
                                                           const std::string& value) {
                notify(pjlink_[index], body, value);
            };
            served.front =
                std::make_unique<PjlinkFront>(config_, line, front.projector, *worker, timers, hooks);
            pjlink_.push_back(std::move(served));
        }
        if (line.passthrough)
            raw_.push_back(
                {line.name, *line.passthrough,
                 std::make_unique<Passthrough>(
                     *worker, [&venue, name = line.name](const std::string& projector,
                                                         const std::string& origin, const Answers& answers) {
                         venue.activity(name, projector, origin, answers);
                     })});
    }
    venue.watch(this);
}

Fronts::~Fronts() = default;

std::vector<Fronts::Listening> Fronts::listening() {
    std::vector<Listening> all;
    for (const Pjlink& p : pjlink_)
        all.push_back({p.at, p.front.get(), "PJLink " + p.line + "/" + p.front->projector()});
    for (const Raw& r : raw_)
        all.push_back({r.at, r.passthrough.get(), "passthrough " + r.line});
    return all;
}

std::vector<std::string> Fronts::pjlinkHosts() const {
    std::vector<std::string> hosts;
    for (const Pjlink& p : pjlink_)
        if (std::find(hosts.begin(), hosts.end(), p.at.host) == hosts.end()) hosts.push_back(p.at.host);
    return hosts;
}

void Fronts::start(Datagrams* udp) {
    udp_ = udp;
    for (const Pjlink& p : pjlink_)
        notify(p, "LKUP", p.mac);
}

// A search reaches the projectors of the address it was sent to, or all of them when it came to every
// address.
void Fronts::datagram(const std::string& local, const std::string& from, std::string_view bytes) {
    if (!udp_ || !pjlink::isSearch(bytes)) return;
    for (const Pjlink& p : pjlink_)
        if (wildcard(local) || p.at.host == local)
            udp_->send(p.at.host, from, config_.pjlinkUdpPort, pjlink::searchAnswer(p.mac));
}

void Fronts::notify(const Pjlink& front, const std::string& body, const std::string& value) {
    if (!udp_) return;
    for (const std::string& host : config_.pjlinkNotify)
        udp_->send(front.at.host, host, config_.pjlinkUdpPort, pjlink::notification(body, value));
}

void Fronts::availability(const std::string& line, const std::string& projector, bool online) {
    for (const Pjlink& p : pjlink_)
        if (p.line == line && p.front->projector() == projector) p.front->availability(online);
}

void Fronts::polled(const std::string& line, const std::string& projector,
                    const std::vector<Answer>& answers) {
    for (const Pjlink& p : pjlink_)
        if (p.line == line && p.front->projector() == projector) p.front->polled(answers);
}

} // namespace q7
