// SPDX-License-Identifier: MIT
// What a bridge is told to serve: the command line and the configuration file, refused with the reason (and
// the file's line) at start.

#include "bridge/config.h"

#include <gtest/gtest.h>

#include <fstream>

namespace q7 {
namespace {

using Args = std::vector<std::string>;

TEST(BridgeConfig, TheCommandLineAndItsRefusals) {
    const Result<BridgeConfig> c = parseBridgeArguments(
        {"--broker", "mqtt://b:1884", "--line", "hall-a=socket://10.0.0.2:4001,speed=9600,projectors=001+003",
         "--line", "foyer_2=/dev/ttyUSB0", "--poll", "5", "--id", "x1"});
    ASSERT_TRUE(c.has_value()) << c.error().english();
    EXPECT_EQ(std::tuple(c->lines[0].settings, c->lines[0].projectors, c->lines[1].settings,
                         c->lines[1].projectors),
              std::tuple("9600,N,8,1", Args{"001", "003"}, "19200,N,8,1", Args{"single"}));
    EXPECT_EQ(std::tuple(c->pollSeconds, c->id, c->discoveryPrefix), std::tuple(5, "x1", "homeassistant"));
    const std::pair<Args, const char*> refused[] = {
        {{"--broker", "mqtt://b", "--line", "Hall=/dev/ttyS0"}, "the line name \"Hall\" may hold only"},
        {{"--broker", "mqtt://b", "--line", "a/#=/dev/ttyS0"}, "the line name \"a/#\" may hold only"},
        {{"--broker", "mqtt://b", "--line", "bridge=/dev/ttyS0"}, "a line may not be named \"bridge\""},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0", "--line", "a=/dev/ttyS1"},
         "\"a\" is given twice"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,projectors=001+001"}, "each once"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,projectors=single+001"}, "each once"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,speed=4800"}, "19200 or 9600"},
        {{"--broker", "mqtt://b", "--line", "a=socket://h:0"}, "from 1 to 65535"},
        {{"--broker", "http://b", "--line", "a=/dev/ttyS0"}, "mqtt://HOST[:PORT]"},
        {{"--broker", "mqtt://b", "--poll", "0", "--line", "a=/dev/ttyS0"}, "from 1 to 86400"},
        {{"--broker", "mqtt://b"}, "no line"},
        {{"--password", "x"}, "unknown option"},
        {{}, "nothing to serve: give --broker URL and --line NAME=PORT, or --config FILE"},
        {{"--config", "bridge.toml", "--poll", "5"}, "--config FILE stands alone"},
    };
    for (const auto& [args, error] : refused) {
        const Result<BridgeConfig> r = parseBridgeArguments(args);
        ASSERT_FALSE(r.has_value()) << error;
        EXPECT_NE(r.error().english().find(error), std::string::npos) << r.error().english();
    }
}

TEST(BridgeConfig, TheFileItsExampleAndTheLineOfAFault) {
    const Result<BridgeConfig> example = loadBridgeConfig(EXAMPLE_CONFIG);
    ASSERT_TRUE(example.has_value()) << example.error().english();
    EXPECT_EQ(example->lines.size(), 2u);
    EXPECT_EQ(example->lines[1].settings, "9600,N,8,1");
    const std::string path = ::testing::TempDir() + "bridge.toml";
    const std::pair<const char*, const char*> faults[] = {
        {"broker = \"mqtt://b\"\n\n[[line]]\nname = \"a\"\nport = \"/dev/ttyS0\"\nsped = 9600\n",
         ":6: unknown key \"sped\" in a line"},
        {"broker = \"mqtt://b\"\npoll = \"often\"\n", ":2: poll must be a number"},
        {"broker = \"mqtt://b\"\nbrokr = 1\n", ":2: unknown key \"brokr\""},
        {"broker = \"mqtt://b\"\n[[line]]\nname = \"a\"\nport = \"/dev/ttyS0\"\nspeed = \"9600\"\n",
         ":5: speed must be a number, 19200 or 9600, without quotes"},
        {"broker = [\n", ":1: this is not valid TOML: "},
    };
    for (const auto& [text, error] : faults) {
        std::ofstream(path) << text;
        const Result<BridgeConfig> r = loadBridgeConfig(path);
        ASSERT_FALSE(r.has_value()) << text;
        EXPECT_EQ(r.error().english().rfind(path + error, 0), 0u) << r.error().english();
    }
    // Why a file cannot be read is said in a sentence of ours, not in the TOML reader's English.
    const auto refusal = [](const std::string& file) {
        const Result<BridgeConfig> r = loadBridgeConfig(file);
        return r ? std::string("accepted") : r.error().english();
    };
    const std::string missing = ::testing::TempDir() + "no-such-bridge.toml";
    EXPECT_EQ(refusal(missing), "Cannot read the configuration file " + missing + ": it does not exist.");
    EXPECT_EQ(refusal(::testing::TempDir()),
              "Cannot read the configuration file " + ::testing::TempDir() + ": it is a folder.");
}

} // namespace
} // namespace q7
