// SPDX-License-Identifier: MIT
// The simulator's options, what each sets and what it refuses; its faults and its power cycle on a virtual
// clock. Its ordinary answers are exercised by the panel's and q7ctl's end to end tests.

#include "line_bench.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace q7sim::test {
namespace {

bool high(char c) {
    return static_cast<unsigned char>(c) > 127;
}

TEST(Faults, RepliesComeAfterTheDelayInTwoPiecesWhenSplit) {
    Bench bench([](auto& f, auto&) { f.delay = 200ms; });
    bench.chain.receive("CR0\rC05\rCR1\r", 0ms);
    EXPECT_EQ(bench.after(199ms), "");
    EXPECT_EQ(bench.after(1ms), "80\r\x06\r1\r");
    Bench split([](auto& f, auto&) { f.delay = 10ms, f.split = true, f.splitGap = 100ms; });
    split.chain.receive("CR0\r", 0ms);
    EXPECT_EQ(split.after(10ms), "8");
    EXPECT_EQ(split.after(99ms), "");
    EXPECT_EQ(split.after(1ms), "0\r");
}

TEST(Faults, WithheldRepliesStillCarryOutTheCommand) {
    Bench none([](auto& f, auto&) { f.noReply = true; });
    EXPECT_EQ(none.ask("C00"), "");
    EXPECT_EQ(none.chain.projector(0).power(none.now), Power::CountDown);
    Bench some([](auto& f, auto&) { f.noReplyTo = {"CR0", "C05"}; });
    for (const char* frame : {"CR0", "A001CR0", "AFFFCR0", "C05"})
        EXPECT_EQ(some.ask(frame), "") << frame;
    EXPECT_EQ(some.ask("CR1"), "1\r");
}

TEST(Faults, GarbageMixesOneToThreeHighBytesIntoEachReply) {
    Bench bench([](auto& f, auto&) { f.garbage = true; });
    for (int i = 0; i < 30; ++i) {
        std::string reply = bench.ask("CR0");
        const auto n = std::count_if(reply.begin(), reply.end(), high);
        EXPECT_TRUE(n >= 1 && n <= 3) << n;
        std::erase_if(reply, high);
        EXPECT_EQ(reply, "80\r");
    }
}

TEST(Faults, ChatterRunsAtItsRateInPrintableCharactersAndRepliesGetThrough) {
    Bench bench([](auto& f, auto&) { f.chatterRate = 200; });
    const std::string heard = bench.after(1000ms);
    EXPECT_EQ(heard.size(), 200u);
    EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](char c) { return c > 32 && c < 127; }));
    EXPECT_NE(bench.ask("CR PRESSURE", 1000ms).find("853\r"), std::string::npos);
}

TEST(Faults, AHangUpComesOnceTheLastReplyHasGone) {
    Bench bench([](auto& f, auto&) { f.delay = 20ms, f.hangUpAfter = 2; });
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    bench.chain.receive("C00\r", bench.now);
    EXPECT_FALSE(bench.chain.hangUpDue());
    EXPECT_EQ(bench.after(20ms), "\x06\r");
    EXPECT_TRUE(bench.chain.hangUpDue());
    EXPECT_EQ(bench.ask("C01"), "") << "nothing after the hang-up is acted on";
    EXPECT_EQ(bench.chain.projector(0).power(bench.now), Power::CountDown);
}

// 30 s count down and 60 s cooling, both sped up by --speed; off while counting down cools, on while cooling
// is ignored.
TEST(Power, CountDownAndCoolingTakeTheirTimeScaledByTheSpeed) {
    for (const double speed : {1.0, 60.0}) {
        Bench bench([&](auto&, auto& p) { p.speed = speed; });
        Projector& p = bench.chain.projector(0);
        const auto at = [&](long ms) { return Millis(static_cast<long>(ms / speed)); };
        bench.ask("C00", 0ms);
        EXPECT_EQ(p.power(at(30000) - 1ms), Power::CountDown) << speed;
        EXPECT_EQ(p.power(at(30000)), Power::On) << speed;
        bench.now = at(30000);
        bench.ask("C01", 0ms);
        EXPECT_EQ(p.power(at(90000) - 1ms), Power::Cooling) << speed;
        EXPECT_EQ(p.power(at(90000)), Power::Standby) << speed;
    }
    Bench bench;
    bench.ask("C00", 10s);
    EXPECT_EQ(bench.ask("C01"), "\x06\r");
    EXPECT_EQ(bench.ask("CR0"), "20\r");
    EXPECT_EQ(bench.ask("C00"), "\x06\r");
    EXPECT_EQ(bench.ask("CR0", 60s), "20\r");
    EXPECT_EQ(bench.ask("CR0"), "80\r");
}

TEST(SimOptions, TheFaultOptionsSetTheirFaultsAndBadValuesAreRefused) {
    const SimOptions o =
        parseSimOptions({"--delay", "300", "--no-reply-to", "CR0", "--split", "--split-gap=15", "--garbage",
                         "--chatter", "12.5", "--hangup-after", "3", "--no-reply"});
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(std::tuple(o.faults.delay, o.faults.splitGap, o.faults.chatterRate, o.faults.hangUpAfter),
              std::tuple(300ms, 15ms, 12.5, 3));
    EXPECT_EQ(o.faults.noReplyTo, std::vector<std::string>{"CR0"});
    EXPECT_TRUE(o.faults.split && o.faults.garbage && o.faults.noReply);
    EXPECT_EQ(parseSimOptions({"--tcp", "0"}).bindAddress, "127.0.0.1");
    EXPECT_EQ(parseSimOptions({"--bind", "::1", "--tcp", "0"}).bindAddress, "::1");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--delay", "5ms"},
                                               {"--chatter", "0"},
                                               {"--hangup-after", "0"},
                                               {"--speed", "0"},
                                               {"--colour"},
                                               {"--tcp", "65536"},
                                               {"--tcp", "4001", "--device", "/dev/ttyUSB0"},
                                               {"--bind", "localhost", "--tcp", "4001"},
                                               {"--bind", "127.1", "--tcp", "4001"},
                                               {"--bind", "0.0.0.0"}})
        EXPECT_NE(parseSimOptions(args).error, "") << args[0];
}

} // namespace
} // namespace q7sim::test
