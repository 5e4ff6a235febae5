// SPDX-License-Identifier: MIT
// The simulator's command line: what each option sets, and the values it refuses.

#include "sim_options.h"

#include <gtest/gtest.h>

namespace q7sim::test {
namespace {

using namespace std::chrono_literals;

SimOptions parse(std::vector<std::string> args) {
    return parseSimOptions(args);
}

TEST(SimOptions, WithoutArgumentsOneProjectorOnAPseudoTerminalAtRealSpeed) {
    const SimOptions o = parse({});
    EXPECT_EQ(o.error, "");
    EXPECT_FALSE(o.device);
    EXPECT_EQ(o.ids, std::vector<std::string>{"001"});
    EXPECT_EQ(o.projector.speed, 1.0);
    EXPECT_FALSE(o.faults.noReply);
    EXPECT_EQ(o.faults.hangUpAfter, 0);
    EXPECT_EQ(o.faults.chatterRate, 0);
}

TEST(SimOptions, EachOptionSetsItsValueInEitherSpelling) {
    const SimOptions o = parse({"--device",
                                "/dev/ttyUSB0",
                                "--baud=9600",
                                "--ids",
                                "001,002,003,004",
                                "--speed=2.5",
                                "--lamp-hours",
                                "77",
                                "--pressure",
                                "512",
                                "--no-signal",
                                "1,3",
                                "--delay",
                                "300",
                                "--no-reply-to",
                                "CR0",
                                "--no-reply-to=CR PRESSURE",
                                "--split",
                                "--split-gap=15",
                                "--garbage",
                                "--chatter",
                                "12.5",
                                "--hangup-after",
                                "3",
                                "--seed",
                                "9",
                                "--log",
                                "/tmp/frames.log",
                                "--no-reply"});
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.device, "/dev/ttyUSB0");
    EXPECT_EQ(o.baud, 9600);
    EXPECT_EQ(o.ids, (std::vector<std::string>{"001", "002", "003", "004"}));
    EXPECT_EQ(o.projector.speed, 2.5);
    EXPECT_EQ(o.projector.lampHours, 77);
    EXPECT_EQ(o.projector.pressureReading, 512);
    EXPECT_EQ(o.projector.signalPresent, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(o.faults.delay, 300ms);
    EXPECT_EQ(o.faults.noReplyTo, (std::vector<std::string>{"CR0", "CR PRESSURE"}));
    EXPECT_TRUE(o.faults.split);
    EXPECT_EQ(o.faults.splitGap, 15ms);
    EXPECT_TRUE(o.faults.garbage);
    EXPECT_EQ(o.faults.chatterRate, 12.5);
    EXPECT_EQ(o.faults.hangUpAfter, 3);
    EXPECT_EQ(o.faults.seed, 9u);
    EXPECT_EQ(o.logFile, "/tmp/frames.log");
    EXPECT_TRUE(o.faults.noReply);
    EXPECT_EQ(parse({"--tcp", "4001"}).tcpPort, 4001);
}

TEST(SimOptions, FastIsSixtyTimesAndTheLastSpeedWins) {
    EXPECT_EQ(parse({"--fast"}).projector.speed, 60.0);
    EXPECT_EQ(parse({"--fast", "--speed", "3"}).projector.speed, 3.0);
    EXPECT_EQ(parse({"--speed", "3", "--fast"}).projector.speed, 60.0);
}

TEST(SimOptions, HelpVersionAndQuietAreFlags) {
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"--version"}).version);
    EXPECT_TRUE(parse({"--quiet"}).quiet);
    EXPECT_NE(parse({"--quiet=1"}).error, "") << "a flag takes no value";
}

struct Refused {
    const char* name;
    std::vector<std::string> args;
    friend void PrintTo(const Refused& r, std::ostream* os) { *os << r.name; }
};

class SimOptionsRefuse : public ::testing::TestWithParam<Refused> {};

TEST_P(SimOptionsRefuse, WithAnErrorText) {
    const SimOptions o = parseSimOptions(GetParam().args);
    EXPECT_NE(o.error, "");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(BadArguments, SimOptionsRefuse, ::testing::Values(
    Refused{"UnknownOption",          {"--colour"}},
    Refused{"StrayWord",              {"001"}},
    Refused{"MissingValue",           {"--ids"}},
    Refused{"IdOfTwoCharacters",      {"--ids", "01"}},
    Refused{"IdOfFourCharacters",     {"--ids", "0001"}},
    Refused{"EmptyIdInList",          {"--ids", "001,,002"}},
    Refused{"IdFffIsEveryone",        {"--ids", "001,FFF"}},
    Refused{"IdTwice",                {"--ids", "001,002,001"}},
    Refused{"SpeedZero",              {"--speed", "0"}},
    Refused{"SpeedNegative",          {"--speed", "-2"}},
    Refused{"SpeedNotANumber",        {"--speed", "fast"}},
    Refused{"DelayNegative",          {"--delay", "-1"}},
    Refused{"DelayWithUnit",          {"--delay", "5ms"}},
    Refused{"PressureBeyond16Bits",   {"--pressure", "6554"}},
    Refused{"NoSignalOnInputFour",    {"--no-signal", "4"}},
    Refused{"ChatterZero",            {"--chatter", "0"}},
    Refused{"HangUpAfterZeroFrames",  {"--hangup-after", "0"}},
    Refused{"BaudTooLow",             {"--baud", "10"}},
    Refused{"TcpPortBeyond16Bits",    {"--tcp", "65536"}},
    Refused{"TcpAndDevice",           {"--tcp", "4001", "--device", "/dev/ttyUSB0"}}),
    [](const ::testing::TestParamInfo<Refused>& info) { return info.param.name; });
// clang-format on

} // namespace
} // namespace q7sim::test
