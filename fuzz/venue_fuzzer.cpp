// SPDX-License-Identifier: MIT
// Whatever a publisher may send as a command, with its MQTT 5 response topic, through a venue on a fake
// broker and a fake line that answers with whatever bytes follow. Every command message must get exactly one
// result, and nothing the venue publishes may be malformed JSON. Input: [topic choice][response topic
// length][response topic][payload length, 2 bytes][payload][reply bytes]

#include "bridge/venue.h"
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

struct Counting final : q7::Broker {
    void publish(const std::string& topic, const std::string& payload, bool, const std::string&) override {
        if (topic.ends_with("/result")) ++results;
        if (topic.ends_with("/result") || topic.ends_with("/state"))
            check(q7::Json::accept(payload), "a result or a state that is not JSON");
    }
    void subscribe(const std::string&, int) override {}
    int results = 0;
};

struct Input {
    const std::uint8_t* at;
    std::size_t left;
    std::string take(std::size_t n) {
        n = std::min(n, left);
        std::string out(reinterpret_cast<const char*>(at), n);
        at += n, left -= n;
        return out;
    }
    std::size_t byte() { return left ? (--left, *at++) : 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const char* const kTopics[] = {"q7/hall/001/command", "q7/hall/all/command", "q7/hall/004/command",
                                   "q7/foyer/single/command"};
    const std::string topic = kTopics[in.byte() % 4];
    const std::string responseTopic = in.take(in.byte());
    const std::size_t payloadLength = in.byte() << 8;
    const std::string payload = in.take(payloadLength | in.byte());
    const std::string replies = in.take(in.left);

    q7::test::VirtualClock clock;
    q7::test::FakeLine hall(&clock), foyer(&clock);
    Counting broker;
    q7::BridgeConfig config;
    config.broker = "mqtt://broker.example";
    config.id = "fuzz";
    config.lines = {{"hall", "/dev/null", "19200,N,8,1", {"001", "002"}, {}},
                    {"foyer", "/dev/null", "19200,N,8,1", {"single"}, {}}};
    q7::Venue venue(config, broker, {&hall, &foyer}, clock, {}, [](const q7::Message&) {});
    venue.start();
    clock.advance(3000); // the first polls, unanswered
    venue.message({topic, payload, false, responseTopic, "correlation"});
    for (std::size_t i = 0; i < replies.size(); i += 7) {
        clock.advance(50);
        hall.receive(replies.substr(i, 7));
        foyer.receive(replies.substr(i, 7));
    }
    clock.advance(70000); // the longest hold, and its replies
    // The result, and once more where a response topic of the venue's asks for it.
    check(broker.results >= 1, "a command without a result");
    check(broker.results <= 2, "more than one result for a command");
    venue.stop();
    return 0;
}
