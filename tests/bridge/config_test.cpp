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

// PJLink and passthrough fronts, in the file and on the command line; refused at start with the reason.
TEST(BridgeConfig, FrontsAreCheckedWhicheverWayTheyCome) {
    const Result<BridgeConfig> file =
        parseBridgeConfig("pjlink_notify = [\"10.0.5.9\"]\npjlink_password = "
                          "\"JBMIAProjectorLink\"\n[[line]]\nname = \"hall\"\n"
                          "port = \"socket://10.0.0.20:4001\"\nprojectors = [\"001\", \"002\"]\n"
                          "pjlink = { \"001\" = \"10.0.5.21\", \"002\" = \"[fd00::22]:4353\" }\n"
                          "pjlink_name = { \"002\" = \"Hall right\" }\npjlink_inputs = { \"1\" = \"51\" }\n"
                          "passthrough = \"0.0.0.0:4001\"\n",
                          "bridge.toml");
    ASSERT_TRUE(file.has_value()) << file.error().english();
    const BridgeLine& hall = file->lines[0];
    EXPECT_TRUE(file->broker.empty());
    EXPECT_EQ(hall.pjlink[0].at.text(), "10.0.5.21:4352");
    EXPECT_EQ(hall.pjlink[1].at.text(), "[fd00::22]:4353");
    EXPECT_EQ(hall.pjlinkName("001"), "hall 001");
    EXPECT_EQ(hall.pjlinkName("002"), "Hall right");
    EXPECT_EQ(hall.pjlinkInputs, (std::array<std::string, 3>{"51", "21", "31"}));
    EXPECT_EQ(hall.passthrough->text(), "0.0.0.0:4001");
    EXPECT_EQ(file->pjlinkNotify, std::vector<std::string>{"10.0.5.9"});
    EXPECT_EQ(file->pjlinkModel, "Q7/Q7L");

    const auto flags = [](FlagValues given) {
        const Result<BridgeConfig> c = configFromFlags(given);
        return c ? std::string("accepted ") + c->lines[0].pjlink.back().at.text() : c.error().english();
    };
    const std::pair<FlagValues, std::string> cases[] = {
        {{{"--pjlink", "hall/single=127.0.0.2"}, {"--line", "hall=/dev/ttyUSB0"}}, "accepted 127.0.0.2:4352"},
        {{{"--line", "hall=/dev/ttyUSB0"}},
         "nothing to serve: give a broker, or a line's PJLink or passthrough "
         "front"},
        {{{"--line", "hall=/dev/ttyUSB0"}, {"--pjlink", "hall/001=127.0.0.2"}},
         "the line \"hall\" serves no projector \"001\" for PJLink"},
        {{{"--line", "hall=/dev/ttyUSB0"}, {"--pjlink", "foyer/single=127.0.0.2"}},
         "--pjlink: there is no line \"foyer\" (give it with --line)"},
        {{{"--line", "hall=/dev/ttyUSB0"},
          {"--pjlink", "hall/single=0.0.0.0:4001"},
          {"--passthrough", "hall=10.0.0.1:4001"}},
         "PJLink hall/single and passthrough hall would both listen on 10.0.0.1:4001"},
        {{{"--line", "hall=/dev/ttyUSB0"}, {"--passthrough", "hall=10.0.0.1"}},
         "--passthrough: an address is written ADDRESS:PORT with a numeric address ([ADDRESS] for IPv6), not "
         "\"10.0.0.1\""},
        {{{"--line", "hall=/dev/ttyUSB0"}, {"--pjlink", "hall/single=venue.example"}},
         "--pjlink: an address is written ADDRESS[:PORT] with a numeric address ([ADDRESS] for IPv6), not "
         "\"venue.example\""},
        {{{"--line", "hall=/dev/ttyUSB0"}, {"--pjlink", "hall/single=127.0.0.2:65536"}},
         "--pjlink: an address is written ADDRESS[:PORT] with a numeric address ([ADDRESS] for IPv6), not "
         "\"127.0.0.2:65536\""},
    };
    for (const auto& [given, outcome] : cases)
        EXPECT_EQ(flags(given), outcome);

    const std::pair<const char*, const char*> refused[] = {
        {"pjlink_password = \"123456789012345678901234567890123\"\n",
         "the PJLink password is at most 32 ASCII characters without blanks"},
        {"[[line]]\nname = \"a\"\nport = \"/dev/ttyUSB0\"\npjlink_name = { single = \"a\\rb\" }\n",
         "\"pjlink_name\" holds at most 64 bytes, without control characters"},
        {"[[line]]\nname = \"a\"\nport = \"/dev/ttyUSB0\"\npjlink_inputs = { \"1\" = \"21\" }\n",
         "pjlink_inputs gives one PJLink input to two input modes"},
        {"[[line]]\nname = \"a\"\nport = \"/dev/ttyUSB0\"\npjlink = \"10.0.0.1\"\n",
         "\"pjlink\" must be a table of texts in braces"},
    };
    for (const auto& [text, why] : refused) {
        const Result<BridgeConfig> c =
            parseBridgeConfig(std::string("broker = \"mqtt://b\"\n") + text, "b.toml");
        ASSERT_FALSE(c.has_value()) << text;
        EXPECT_NE(c.error().english().find(why), std::string::npos) << c.error().english();
    }
}

} // namespace
} // namespace q7
