// SPDX-License-Identifier: MIT
// A bridge's line on the virtual clock with the fake line: it waits once for a quiet line after it opens, a
// projector that leaves a query unanswered costs its poll one reply window, not nine, and commands go first.

#include "bridge/line_worker.h"
#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

struct Seen final : LineWorker::Events {
    void availability(const std::string&, const std::string& projector, bool online) override {
        said.push_back(projector + (online ? " online" : " offline"));
    }
    void polled(const std::string&, const std::string& projector,
                const std::vector<Answer>& answers) override {
        said.push_back(projector + " polled " + std::to_string(answers.size()));
    }
    void lineAway(const std::string& line, const Message& why) override {
        said.push_back(line + " away: " + why.english());
    }
    void lineBack(const std::string& line) override { said.push_back(line + " back"); }
    std::vector<std::string> said;
};

TEST(LineWorker, WaitsForAQuietLineAndStopsAPollAtItsFirstSilence) {
    test::VirtualClock clock;
    test::FakeLine line(&clock);
    Seen seen;
    LineWorker worker({"hall", "/dev/ttyUSB0", "19200,N,8,1", {"001", "002"}, {}}, line, clock, 30000, seen);
    worker.start();
    clock.advance(50);
    line.receive("0\r"); // the end of something said before the line was ours
    clock.advance(99);
    EXPECT_TRUE(line.writes.empty());
    clock.advance(1);
    ASSERT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(line.writes[0].at, 150);
    EXPECT_EQ(line.writes[0].bytes, "A001CR0\r");
    clock.advance(500 + 100); // no reply from 001, then a quiet line
    ASSERT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(line.writes[1].at, 750);
    EXPECT_EQ(line.writes[1].bytes, "A002CR0\r");
    for (const char* reply :
         {"80\r", "1\r", "11\r", "1234\r", "035.2,041.8\r", "00\r", "ANALOG\r", "853\r", "03\r"})
        line.receive(reply);
    EXPECT_EQ(line.writes.size(), 10u);
    EXPECT_EQ(seen.said,
              (std::vector<std::string>{"001 offline", "002 offline", "002 online", "002 polled 9"}));
    worker.stop();
}

// A command that arrives while a poll runs goes next, before the polls still waiting.
TEST(LineWorker, ACommandGoesBeforeThePollsWaiting) {
    test::VirtualClock clock;
    test::FakeLine line(&clock);
    Seen seen;
    LineWorker worker({"hall", "/dev/ttyUSB0", "19200,N,8,1", {"001", "002"}, {}}, line, clock, 30000, seen);
    worker.start();
    clock.advance(100);
    worker.command("002", *parseRequest({"power on"}), [](const Answers&) {});
    clock.advance(600);
    EXPECT_EQ(line.written(), (std::vector<std::string>{"A001CR0\r", "A002C00\r"}));
    worker.stop();
}

} // namespace
} // namespace q7
