// SPDX-License-Identifier: MIT
#include "link/command_line.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

TEST(CommandLine, NoOptionKeepsTheDefaults) {
    const CommandLine c = parseCommandLine({});
    EXPECT_TRUE(c.error.empty());
    EXPECT_FALSE(c.com1 || c.com2 || c.help);
}

TEST(CommandLine, DevicesBySeparateOrJoinedValue) {
    const CommandLine c = parseCommandLine({"--com1", "/dev/pts/7", "--com2=/dev/ttyUSB0"});
    EXPECT_TRUE(c.error.empty());
    EXPECT_EQ(c.com1.value_or(""), "/dev/pts/7");
    EXPECT_EQ(c.com2.value_or(""), "/dev/ttyUSB0");
}

TEST(CommandLine, MistakesAreErrors) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--com3", "x"}, {"--com1"}, {"--com1="}, {"/dev/ttyS0"}, {"-x"}, {"--com2", "a", "--bogus"}}) {
        EXPECT_FALSE(parseCommandLine(args).error.empty()) << args[0];
    }
}

TEST(CommandLine, HelpAndUsageNameBothOptions) {
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    const std::string usage = usageText("q7panel");
    EXPECT_NE(usage.find("--com1"), std::string::npos);
    EXPECT_NE(usage.find("--com2"), std::string::npos);
    EXPECT_NE(usage.find("--version"), std::string::npos);
}

TEST(CommandLine, VersionIsAFlagOfItsOwn) {
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
    EXPECT_FALSE(parseCommandLine({"--help"}).version);
    EXPECT_FALSE(parseCommandLine({"--version=1"}).error.empty());
}

} // namespace
} // namespace q7
