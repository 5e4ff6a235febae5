// SPDX-License-Identifier: MIT
#include "link/command_line.h"

#include <gtest/gtest.h>

#include <tuple>

namespace q7 {
namespace {

using Args = std::vector<std::string>;

// A network address is kept as given, a malformed one refused with its option named.
TEST(CommandLine, NamesTheDevicesBehindBothPortsAndRefusesAnythingElse) {
    const Result<CommandLine> c =
        parseCommandLine({"--list-ports", "--com1", "RFC2217://[::1]:2217", "--com2=/dev/ttyUSB0"});
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(std::tuple(c->com1.value_or(""), c->com2.value_or(""), c->listPorts),
              std::tuple("RFC2217://[::1]:2217", "/dev/ttyUSB0", true));
    EXPECT_FALSE(parseCommandLine({})->listPorts);
    EXPECT_NE(usageText("q7panel").english().find("\n  --list-ports "), std::string::npos);
    EXPECT_TRUE(parseCommandLine({"--help"})->help);
    EXPECT_TRUE(parseCommandLine({"--version"})->version);
    EXPECT_EQ(parseCommandLine({"--com2", "/dev/ttyS1", "--com1=socket://h:0"}).error().english(),
              "option --com1: \"socket://h:0\": the port must be from 1 to 65535");
    // An option is no device name: "--com1 --help" is a missing value.
    for (const Args& args : {Args{"--com3", "x"}, Args{"--com1"}, Args{"--com1="}, Args{"/dev/ttyS0"},
                             Args{"--com1", "--help"}, Args{"--version=1"}})
        EXPECT_FALSE(parseCommandLine(args).has_value())
            << args[0] << " " << (args.size() > 1 ? args[1] : "");
}

} // namespace
} // namespace q7
