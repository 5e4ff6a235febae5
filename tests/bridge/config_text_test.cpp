// SPDX-License-Identifier: MIT
// The configuration file's text as the TOML reader would see it: a character beyond ASCII is taken where TOML
// takes one, and refused, naming its line, where the reader would run into undefined behaviour.

#include "bridge/config.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

TEST(BridgeConfigText, BeyondAsciiInValuesAndCommentsIsTaken) {
    const Result<BridgeConfig> c = parseBridgeConfig("\xEF\xBB\xBF# 会場の設定\n"
                                                     "broker = \"mqtt://h\" # ブローカー\n"
                                                     "[[line]]\n"
                                                     "name = \"hall\"\n"
                                                     "port = '/dev/serial/by-id/usb-ホール-if00'\n"
                                                     "log = \"\"\"/var/log/q7panel/\\\n"
                                                     "        hall-é.log\"\"\"\n"
                                                     "projectors = [\"001\", # あ\n"
                                                     "  \"002\"]\n",
                                                     "bridge.toml");
    ASSERT_TRUE(c.has_value()) << c.error().english();
    EXPECT_EQ(c->lines[0].port, "/dev/serial/by-id/usb-ホール-if00");
    EXPECT_EQ(c->lines[0].log, "/var/log/q7panel/hall-é.log");
}

TEST(BridgeConfigText, BeyondAsciiWhereTheReaderCannotTakeItIsRefusedWithItsLine) {
    const std::string outside = "a character beyond ASCII outside a value in quotes or a comment";
    const std::pair<std::string, std::string> refused[] = {
        {"broker = \"mqtt://h\"\n\"ポート\" = 1\n", "bridge.toml:2: " + outside},
        {"broker = \"mqtt://h\"\n[line.'é']\n", "bridge.toml:2: " + outside},
        {"broker = \"mqtt://h\"\nline.\"é\".port = 'x'\n", "bridge.toml:2: " + outside},
        {"poll = 3０\n", "bridge.toml:1: " + outside},
        {"broker = mqtt://ホール\n", "bridge.toml:1: " + outside},
        {"broker=\"mqtt://h\"é\n", "bridge.toml:1: " + outside},
        // Found by fuzz/config_fuzzer.cpp: quotes, brackets and = inside a bare word.
        {"e = -.'\xD2\x91\n", "bridge.toml:1: " + outside},
        {"b = 1[\"\xEF\xB8\xBF\n", "bridge.toml:1: " + outside},
        {"R = 1='\xEF\xBB\xAF\n", "bridge.toml:1: " + outside},
        {"brok-.'r ='\xD2\x91\n \"x\"\"\"= 1", "bridge.toml:1: " + outside}, // a text left open
        {"id = \"\"\"a\xD2\x91", "bridge.toml:1: " + outside},
        {"broker = \"mqtt://h\"\nid = \"\"\"a\\\n\n  é\"\"\"\n",
         "bridge.toml:4: in a text in \"\"\" quotes, what follows a backslash must start with an ASCII "
         "character"},
        {"id = \"\"\"a\\é\"\"\"\n", "bridge.toml:1: in a text in \"\"\" quotes, what follows a backslash "
                                    "must start with an ASCII character"}};
    for (const auto& [text, why] : refused) {
        const Result<BridgeConfig> c = parseBridgeConfig(text, "bridge.toml");
        ASSERT_FALSE(c.has_value()) << text;
        EXPECT_EQ(c.error().english(), why) << text;
    }
}

} // namespace
} // namespace q7
