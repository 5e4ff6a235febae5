// SPDX-License-Identifier: MIT
// A line kept open on the virtual clock: the user's open, the loss, the watch and its back-off, and the
// connection that must hold for a second before an outage ends. A watch begun from outside (a port missing at
// start-up) and one ended by a close ("END") are proven through the panel, in tests/form/link_test.cpp.

#include "fake_window.h"
#include "session/supervisor.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::FakeLine;
using test::VirtualClock;
using Times = std::vector<std::int64_t>;
using Said = std::vector<std::string>;

struct Supervised : LineSupervisor::Events {
    explicit Supervised(const char* address) {
        line.setAddress(address);
        EXPECT_TRUE(supervisor.open().has_value());
    }
    void received() override { said.push_back("received"); }
    void opened() override { said.push_back("opened"); }
    void openFailed(const Message& why) override { said.push_back("failed: " + why.english()); }
    void lost(const Message& why) override { said.push_back("lost: " + why.english()); }
    void back() override { said.push_back("back at " + std::to_string(clock.now())); }
    void settingsFailed(const Message& why) override { said.push_back("settings: " + why.english()); }
    // When the line was opened or tried, from `since` on.
    Times tries(std::int64_t since = 0) const {
        Times at;
        for (const auto& [when, address] : line.tries)
            if (when >= since) at.push_back(when);
        return at;
    }
    // A server that accepts and hangs up at once: every open lasts `ms`.
    void dropEachOpenAfter(std::int64_t ms, std::int64_t until) {
        while (clock.now() < until) {
            clock.advance(1);
            if (line.isOpen()) clock.advance(ms), line.lose();
        }
    }

    VirtualClock clock;
    FakeLine line{&clock};
    Said said;
    LineSupervisor supervisor{line, clock, *this};
};

TEST(Watch, ALostDeviceIsTriedEverySecondAndIsBackOnceItHeldForASecond) {
    Supervised s("/dev/ttyUSB0");
    s.line.refused = {"/dev/ttyUSB0"};
    s.line.lose();
    s.clock.advance(3500);
    EXPECT_EQ(s.tries(), (Times{0, 1000, 2000, 3000}));
    s.line.refused = {};
    s.clock.advance(500);
    EXPECT_TRUE(s.line.isOpen());
    s.clock.advance(999);
    EXPECT_EQ(s.said, Said{"lost: the server closed the connection"}) << "back only once it has held";
    s.clock.advance(1);
    EXPECT_EQ(s.said.back(), "back at 5000");
    s.clock.advance(10000);
    EXPECT_EQ(s.tries().size(), 5u) << "the watch ended";
}

// Refused at once (no route) or after a while (no answer), a server is tried at 1, 2, then every 4 seconds.
TEST(Watch, ANetworkServerIsTriedLessOftenTheLongerItStaysAway) {
    for (const bool slow : {false, true}) {
        Supervised s("socket://192.0.2.1:4001");
        s.line.slowOpen = slow;
        if (!slow) s.line.refused = {"socket://192.0.2.1:4001"};
        s.line.lose();
        while (s.clock.now() < 20000) {
            s.clock.advance(1);
            if (s.line.isConnecting()) s.line.finishOpen(false);
        }
        EXPECT_EQ(s.tries(1), (Times{1000, 3000, 7000, 11000, 15000, 19000})) << slow;
        EXPECT_EQ(s.said.size(), 1u) << "one loss, nothing for the tries";
    }
}

// Ten seconds of a server that accepts and hangs up: one outage, few connections, and back once it holds.
TEST(Watch, AConnectionThatDropsWithinASecondIsAFailedTry) {
    Supervised s("socket://127.0.0.1:4001");
    s.line.lose();
    s.dropEachOpenAfter(100, 10000);
    EXPECT_EQ(s.tries(1), (Times{1000, 3100, 7200}));
    EXPECT_EQ(s.said, Said{"lost: the server closed the connection"});
    s.clock.advance(5000);
    EXPECT_EQ(s.said.back(), "back at 12300");
    // A device that comes and goes is tried every second all the same.
    Supervised d("/dev/ttyUSB0");
    d.line.lose();
    d.dropEachOpenAfter(999, 5000);
    EXPECT_EQ(d.tries(1), (Times{1000, 2999, 4998}));
    EXPECT_EQ(d.said.size(), 1u);
}

} // namespace
} // namespace q7
