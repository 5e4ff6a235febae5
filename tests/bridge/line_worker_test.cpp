// SPDX-License-Identifier: MIT
// A bridge's line on the virtual clock with the fake line: it waits once for a quiet line after it opens, and
// a projector that leaves a query unanswered costs its poll one reply window, not nine.

#include "bridge/line_worker.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    LineWorker worker({"hall", "/dev/ttyUSB0", kSettings19200, {"001", "002"}, {}}, line, clock, 30000, seen,
                      {});
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

// Every command gets one answer: a line lost under it, or a bridge that stops first, says so to the command
// in flight and to those waiting.
TEST(LineWorker, EveryCommandGetsOneAnswer) {
    for (const bool lose : {true, false}) {
        test::VirtualClock clock;
        test::FakeLine line(&clock);
        Seen seen;
        LineWorker worker({"hall", "/dev/ttyUSB0", kSettings19200, {"single"}, {}}, line, clock, 30000, seen,
                          {});
        worker.start();
        clock.advance(100);
        for (const char* reply :
             {"80\r", "1\r", "11\r", "1234\r", "035.2,041.8\r", "00\r", "ANALOG\r", "853\r", "03\r"})
            line.receive(reply);
        std::vector<std::string> told;
        for (const char* name : {"power on", "image3"})
            worker.command("single", *parseRequest({name}), [&told, name](const Answers& answers) {
                told.push_back(std::string(name) + ": " + (answers ? "answered" : answers.error().english()));
            });
        EXPECT_EQ(line.writes.back().bytes, "C00\r") << "in flight";
        if (lose)
            line.lose();
        else
            worker.stop();
        clock.advance(10000);
        const std::string why =
            lose ? "The serial device /dev/ttyUSB0 went away: the server closed the connection."
                 : "The bridge stopped before the command was answered.";
        EXPECT_EQ(told, (std::vector<std::string>{"power on: " + why, "image3: " + why}));
        EXPECT_EQ(
            std::count(seen.said.begin(), seen.said.end(), "hall away: the server closed the connection"),
            lose ? 1 : 0);
        worker.stop();
        EXPECT_EQ(told.size(), 2u);
    }
}

} // namespace
} // namespace q7
