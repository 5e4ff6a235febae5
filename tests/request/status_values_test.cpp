// SPDX-License-Identifier: MIT
// The status values as data: a value only from a reply of its query's own form, each well-formed one as the
// panel's tables and the pressure formula give it, every operating state in its word.

#include "display/status_values.h"

#include <gtest/gtest.h>

#include <sstream>

namespace q7 {
namespace {

using Kind = StatusValue::Kind;

std::string shown(const StatusValue& v) {
    static constexpr const char* kKinds[] = {"none", "number", "text", "numbers", "mutes", "lamps"};
    std::ostringstream out;
    out << kKinds[static_cast<int>(v.kind)];
    if (v.kind == Kind::Number) out << ' ' << v.number;
    if (!v.text.empty()) out << ' ' << v.text;
    for (const double n : v.numbers)
        out << ' ' << n;
    if (v.kind == Kind::Mutes) out << " video " << v.video << " audio " << v.audio;
    return out.str();
}

struct Row {
    std::string_view key, reply, value;
    std::vector<std::string_view> malformed; // besides kNoAnswer: no CR, out of range, bytes of 0x80 and up
};

// Answers to no query; "-1" and "12a" are text, so a signal type, and are left to its own row.
constexpr std::string_view kNoAnswer[] = {"\x15\r", "\x06\r", ""};
constexpr std::string_view kNotANumber[] = {"-1\r", "12a\r"};

TEST(StatusValues, OnlyFromAReplyOfTheQuerysForm) {
    const Row kRows[] = {
        {"power", "80\r", "text standby", {"80", "800\r", "8\r", "80 \r", "99\r", "\xb8\x30\r", "80\r\r"}},
        // Every other code of the operating-state table, with its word.
        {"power", "00\r", "text on", {}},
        {"power", "40\r", "text count-down", {}},
        {"power", "20\r", "text cooling-down", {}},
        {"power", "10\r", "text power-fail", {}},
        {"power", "08\r", "text on-temperature-warning", {}},
        {"power", "02\r", "text no-key-input", {}},
        {"power", "04\r", "text lamp-off-power-management", {}},
        {"power", "28\r", "text cooling-down-temperature-warning", {}},
        {"power", "24\r", "text lamp-off-temperature-warning", {}},
        {"power", "88\r", "text temperature-warning-recovered", {}},
        {"power", "21\r", "text cooling-down-lamp-failure", {}},
        {"power", "81\r", "text standby-lamp-failure", {}},
        {"input", "2\r", "number 2", {"2", "0\r", "5\r", "22\r", " 2\r", "\xb2\r"}},
        {"picture_reversal", "01\r", "text left-right", {"01", "011\r", "21\r", "\xb0\x31\r"}},
        {"lamp_hours",
         "99999\r",
         "number 99999",
         {"1234", "\r", "100000\r", "1234.5\r", "+1234\r", " 1234\r", "12 34\r", "99999999999\r",
          "\xb1\x32\r"}},
        {"temperatures",
         "035.2,041.8\r",
         "numbers 35.2 41.8",
         {"035.2,041.8", "035.2\r", "035.2,041.8,050.0\r", "-35.2,041.8\r", "035.2,\r", ",041.8\r",
          "035..2,041.8\r", "35.,41.8\r", ".2,41.8\r", "035.2;041.8\r", "035.2, 041.8\r",
          "03\xb5.2,041.8\r"}},
        {"mute", "02\r", "mutes video 0 audio 1", {"02", "04\r", "0F\r", "FF \r", "\xb0\x32\r"}},
        {"mute", "FF\r", "text standby", {}},
        {"signal_type",
         "S-VIDEO\r",
         "text S-VIDEO",
         {"S-VIDEO", "\r", "S-\tVIDEO\r", "S-VID\xc9O\r", "\x7f\r"}},
        {"pressure",
         "853\r",
         "number 1013",
         {"853", "\r", "6554\r", "853.0\r", "+853\r", " 853\r", "\xb8\x35\x33\r"}},
        {"lamp_mode", "03\r", "lamps 2-lamps 1 2", {"03", "12\r", "030\r", "\xb0\x33\r"}},
    };
    for (const Row& row : kRows) {
        EXPECT_EQ(shown(statusValue(row.key, row.reply)), row.value) << row.key;
        std::vector<std::string_view> malformed = row.malformed;
        malformed.insert(malformed.end(), std::begin(kNoAnswer), std::end(kNoAnswer));
        if (row.key != "signal_type")
            malformed.insert(malformed.end(), std::begin(kNotANumber), std::end(kNotANumber));
        for (const std::string_view reply : malformed)
            EXPECT_EQ(shown(statusValue(row.key, reply)), "none")
                << row.key << ' ' << testing::PrintToString(std::string(reply));
    }
    EXPECT_EQ(shown(statusValue("signal_type", "-1\r")), "text -1");
}

} // namespace
} // namespace q7
