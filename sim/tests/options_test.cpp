// SPDX-License-Identifier: MIT
// The simulator's command line: what each option sets, and what it refuses.

#include "sim_options.h"

#include <gtest/gtest.h>

namespace q7sim::test {
namespace {

using namespace std::chrono_literals;

TEST(SimOptions, EachOptionSetsItsValue) {
    // clang-format off
    const SimOptions o = parseSimOptions({"--device", "/dev/ttyUSB0", "--baud=9600", "--ids", "001,004", "--speed=2.5",
        "--lamp-hours", "77", "--pressure", "512", "--no-signal", "1,3", "--delay", "300", "--no-reply-to", "CR0",
        "--split", "--split-gap=15", "--garbage", "--chatter", "12.5", "--hangup-after", "3", "--seed", "9",
        "--log", "f", "--no-reply", "--quiet"});
    // clang-format on
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(std::tuple(*o.device, o.baud, o.ids, o.logFile.value_or("")),
              std::tuple("/dev/ttyUSB0", 9600, std::vector<std::string>{"001", "004"}, "f"));
    EXPECT_EQ(std::tuple(o.projector.speed, o.projector.lampHours, o.projector.pressureReading),
              std::tuple(2.5, 77, 512));
    EXPECT_EQ(o.projector.signalPresent, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(std::tuple(o.faults.delay, o.faults.splitGap, o.faults.chatterRate, o.faults.hangUpAfter,
                         o.faults.seed),
              std::tuple(300ms, 15ms, 12.5, 3, 9u));
    EXPECT_EQ(o.faults.noReplyTo, std::vector<std::string>{"CR0"});
    EXPECT_TRUE(o.faults.split && o.faults.garbage && o.faults.noReply && o.quiet);
    EXPECT_EQ(parseSimOptions({"--fast"}).projector.speed, 60.0);
}

TEST(SimOptions, BadArgumentsAreRefused) {
    // clang-format off
    const std::vector<std::string> bad[] = {{"--colour"}, {"001"}, {"--ids"}, {"--ids", "01"}, {"--ids", "001,FFF"},
        {"--ids", "001,001"}, {"--speed", "0"}, {"--delay", "5ms"}, {"--pressure", "6554"}, {"--no-signal", "4"},
        {"--chatter", "0"}, {"--hangup-after", "0"}, {"--baud", "10"}, {"--quiet=1"}};
    // clang-format on
    for (const std::vector<std::string>& args : bad)
        EXPECT_NE(parseSimOptions(args).error, "") << args[0] << " " << args.back();
}

} // namespace
} // namespace q7sim::test
