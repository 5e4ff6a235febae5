// SPDX-License-Identifier: MIT
#include "link/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace q7 {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, NamesTheDevicesBehindBothPortsAndRefusesAnythingElse) {
    const Result<CommandLine> c = parseCommandLine({"--com1", "/dev/pts/7", "--com2=/dev/ttyUSB0"});
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(std::tuple(c->com1.value_or(""), c->com2.value_or("")),
              std::tuple("/dev/pts/7", "/dev/ttyUSB0"));
    EXPECT_TRUE(parseCommandLine({"--help"})->help);
    EXPECT_TRUE(parseCommandLine({"--version"})->version);
    // An option is no device name: "--com1 --help" is a missing value.
    for (const Args& args : {Args{"--com3", "x"}, Args{"--com1"}, Args{"--com1="}, Args{"/dev/ttyS0"},
                             Args{"--com1", "--help"}, Args{"--version=1"}})
        EXPECT_FALSE(parseCommandLine(args).has_value())
            << args[0] << " " << (args.size() > 1 ? args[1] : "");
}

} // namespace
} // namespace q7
