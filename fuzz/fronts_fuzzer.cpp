// SPDX-License-Identifier: MIT
// Whatever network clients may send to a venue's fronts: bytes split anyhow to a PJLink session (with or
// without a password) and to two passthrough clients, the projector answering with whatever bytes follow,
// the clock running between the pieces. Every PJLink reply must be one line of its own, CR-terminated, and
// nothing may be kept without bound. Input: [flags][piece length][piece]... then the projector's bytes.

#include "bridge/fronts.h"
#include "fake_broker.h"
#include "fake_window.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

struct Client final : q7::Connection {
    void write(std::string_view bytes) override {
        check(!closed, "a write after close");
        const bool oneLine =
            bytes.size() >= 2 && bytes.back() == '\r' && bytes.find('\r') == bytes.size() - 1;
        check(!pjlink || oneLine, "a PJLink reply that is not one line");
        check((written += bytes.size()) < 1 << 20, "replies without bound");
    }
    void close() override { closed = true; }
    const std::string& peer() const override { return from; }
    bool pjlink = false, closed = false;
    std::size_t written = 0;
    std::string from = "10.0.5.9";
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t flags = data[0];
    q7::BridgeConfig config;
    config.id = "fuzz";
    if (flags & 1) config.pjlinkPassword = "JBMIAProjectorLink";
    q7::BridgeLine hall{"hall", "/dev/ttyUSB0", "19200,N,8,1", {"001", "002"}, {}};
    hall.pjlink = {{"001", {"10.0.5.21", 4352}}};
    hall.passthrough = q7::Endpoint{"0.0.0.0", 4001};
    config.lines = {hall};
    q7::test::VirtualClock clock;
    q7::test::FakeLine line(&clock);
    q7::test::FakeBroker broker;
    q7::Venue venue(config, broker, {&line}, clock, {}, [](const q7::Message&) {});
    q7::Fronts fronts(config, venue, clock);
    venue.start();
    const std::vector<q7::Fronts::Listening> services = fronts.listening();
    Client clients[3];
    clients[0].pjlink = true;
    std::unique_ptr<q7::ConnectionHandler> handlers[3];
    for (int i = 0; i < 3; ++i)
        handlers[i] = services[i == 0 ? 0 : 1].service->accept(clients[i]);
    std::size_t at = 1;
    while (at < size) {
        const std::size_t length = data[at++];
        if (length == 0) break;
        const std::size_t n = std::min(length & 0x3F, size - at);
        const int to = static_cast<int>(length >> 6) % 3;
        if (!clients[to].closed)
            handlers[to]->received(std::string_view(reinterpret_cast<const char*>(data + at), n));
        at += n;
        clock.advance(static_cast<std::int64_t>(length) * 7);
        if (at < size) line.receive(std::string(1, static_cast<char>(data[at++])));
    }
    line.receive(
        std::string(reinterpret_cast<const char*>(data + std::min(at, size)), size - std::min(at, size)));
    clock.advance(40000);
    venue.stop();
    return 0;
}
