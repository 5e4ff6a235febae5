// SPDX-License-Identifier: MIT
// What a bridge is told to serve in its configuration file, refused with the reason and the file's line at
// start.

#include "bridge/config.h"

#include <gtest/gtest.h>

#include <fstream>

namespace q7 {
namespace {

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
        {"broker = \"mqtt://b\"\npoll = 8.8e21\n", ":2: poll must be a number"},
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
