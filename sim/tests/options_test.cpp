// SPDX-License-Identifier: MIT
// The simulator's command line: what each option sets, and what it refuses.

#include "sim_options.h"

#include <gtest/gtest.h>

namespace q7sim::test {
namespace {

using namespace std::chrono_literals;

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
