// SPDX-License-Identifier: MIT
// What PJLink reads of a Q7 from the replies of a poll: power and errors from the operating state and the
// lamp mode, the input, the lamp hours and the mutes.

#include "bridge/pjlink_map.h"
#include "display/status_queries.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

std::vector<Answer> poll(std::vector<std::pair<const char*, std::string>> replies) {
    std::vector<Answer> answers;
    for (const auto& [key, reply] : replies)
        answers.push_back({key, findStatusKey(key), {"", reply, Outcome::Reply, 1, 500}, {}});
    return answers;
}

TEST(PjlinkMap, PowerAndErrorsFromTheOperatingStateAndTheLamps) {
    struct Row {
        const char* state;
        const char* lamps;
        char power;
        const char* errors;
    };
    const Row rows[] = {
        {"00\r", "03\r", '1', "000000"},
        {"08\r", "03\r", '1', "001000"},
        {"02\r", "03\r", '1', "000000"},
        {"40\r", "03\r", '3', "000000"},
        {"20\r", "00\r", '2', "000000"},
        {"28\r", "00\r", '2', "002000"},
        {"21\r", "00\r", '2', "020000"},
        {"80\r", "00\r", '0', "000000"},
        {"04\r", "00\r", '0', "000000"},
        {"24\r", "00\r", '0', "001000"},
        {"88\r", "00\r", '0', "001000"},
        {"81\r", "00\r", '0', "020000"},
        {"10\r", "00\r", '0', "000002"},
        // On in the mode that lights both lamps, with one dark; not in a one-lamp mode, nor in stand-by.
        {"00\r", "01\r", '1', "010000"},
        {"00\r", "02\r", '1', "010000"},
        {"00\r", "11\r", '1', "000000"},
        {"80\r", "01\r", '0', "000000"},
    };
    for (const Row& row : rows) {
        const PjlinkState s =
            pjlinkState(poll({{"power", row.state}, {"lamp_mode", row.lamps}}), {"11", "21", "31"});
        EXPECT_EQ(s.power, row.power) << row.state;
        EXPECT_EQ(s.errors, row.errors) << row.state << row.lamps;
    }
    EXPECT_FALSE(pjlinkState(poll({{"power", "99\r"}}), {"11", "21", "31"}).power);
    EXPECT_FALSE(pjlinkState(poll({{"power", "\x15\r"}}), {"11", "21", "31"}).errors);
}

TEST(PjlinkMap, InputLampAndMutes) {
    struct Row {
        std::vector<std::pair<const char*, std::string>> replies;
        std::optional<std::string> input, lamp, mutes;
        bool noSignal;
    };
    const Row rows[] = {
        {{{"input", "1\r"}, {"power", "00\r"}, {"lamp_hours", "1234\r"}, {"mute", "00\r"}},
         "51",
         "1234 1",
         "30",
         false},
        {{{"input", "2\r"}, {"power", "40\r"}, {"lamp_hours", "0001234\r"}, {"mute", "01\r"}},
         "21",
         "1234 1",
         "11",
         false},
        {{{"input", "3\r"}, {"power", "20\r"}, {"lamp_hours", "123456\r"}, {"mute", "02\r"}},
         "31",
         "99999 0",
         "21",
         false},
        {{{"input", "4\r"}, {"power", "80\r"}, {"lamp_hours", "0\r"}, {"mute", "03\r"}},
         "41",
         "0 0",
         "31",
         false},
        {{{"input", "5\r"}, {"lamp_hours", "12a\r"}, {"mute", "80\r"}},
         std::nullopt,
         std::nullopt,
         std::nullopt,
         true},
        {{{"mute", "FF\r"}, {"lamp_hours", "\x06\r"}}, std::nullopt, std::nullopt, "", false},
    };
    for (const Row& row : rows) {
        const PjlinkState s = pjlinkState(poll(row.replies), {"51", "21", "31"});
        EXPECT_EQ(s.input, row.input) << row.replies[0].second;
        EXPECT_EQ(s.lamp, row.lamp) << row.replies[0].second;
        EXPECT_EQ(s.mutes, row.mutes) << row.replies[0].second;
        EXPECT_EQ(s.noSignal, row.noSignal) << row.replies[0].second;
    }
}

} // namespace
} // namespace q7
