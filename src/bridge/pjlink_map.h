// SPDX-License-Identifier: MIT
#pragma once
// What PJLink says of a Q7, read from the replies of its latest poll, and what a PJLink command sends it.

#include "request/runner.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q7 {

// The operating state's word (the "power" query's) as PJLink's power and the digits of ERST it sets;
// a lamp's warning comes from the lamp mode, the rest are 0.
struct PjlinkPowerRow {
    std::string_view word;
    char power;       // POWR: 0 standby, 1 on, 2 cooling, 3 warm-up
    char lamp;        // ERST's second digit
    char temperature; // its third
    char other;       // its sixth
};

// clang-format off
inline constexpr auto kPjlinkPower = std::to_array<PjlinkPowerRow>({
    {"on",                               '1', '0', '0', '0'},
    {"on-temperature-warning",           '1', '0', '1', '0'},
    {"no-key-input",                     '1', '0', '0', '0'},
    {"count-down",                       '3', '0', '0', '0'},
    {"cooling-down",                     '2', '0', '0', '0'},
    {"cooling-down-temperature-warning", '2', '0', '2', '0'},
    {"cooling-down-lamp-failure",        '2', '2', '0', '0'},
    {"standby",                          '0', '0', '0', '0'},
    {"lamp-off-power-management",        '0', '0', '0', '0'},
    {"lamp-off-temperature-warning",     '0', '0', '1', '0'},
    {"temperature-warning-recovered",    '0', '0', '1', '0'},
    {"standby-lamp-failure",             '0', '2', '0', '0'},
    {"power-fail",                       '0', '0', '0', '2'},
});
// clang-format on

// A set command's buttons, by PJLink's body and parameter; both mutes at once are two.
struct PjlinkSetRow {
    std::string_view body, param;
    std::array<std::string_view, 2> buttons;
};

// clang-format off
inline constexpr auto kPjlinkSets = std::to_array<PjlinkSetRow>({
    {"POWR", "0",  {"power off"}},
    {"POWR", "1",  {"power on"}},
    {"AVMT", "10", {"no show off"}},
    {"AVMT", "11", {"no show on"}},
    {"AVMT", "20", {"sound mute off"}},
    {"AVMT", "21", {"sound mute on"}},
    {"AVMT", "30", {"no show off", "sound mute off"}},
    {"AVMT", "31", {"no show on", "sound mute on"}},
    {"FREZ", "0",  {"freeze off"}},
    {"FREZ", "1",  {"freeze on"}},
    {"SVOL", "0",  {"vol -"}},
    {"SVOL", "1",  {"vol +"}},
});
// clang-format on

// The input modes a button selects, 1 to 3, by "input mode set N"; input mode 4 is PJLink's 41.
inline constexpr std::string_view kInputModeButton = "input mode set ";
inline constexpr std::string_view kInputModeFour = "41";

// A projector as its latest poll left it, in PJLink's terms; a query a poll left unanswered is none.
struct PjlinkState {
    std::optional<char> power;
    std::optional<std::string> errors; // ERST's six digits
    std::optional<std::string> input;  // INPT's two
    std::optional<std::string> lamp;   // LAMP's "hours on"
    // AVMT's two digits, or "" in stand-by; none without a signal, where the last set stands.
    std::optional<std::string> mutes;
    bool noSignal = false;
};

// inputs: PJLink's input for input modes 1 to 3.
PjlinkState pjlinkState(const std::vector<Answer>& poll, const std::array<std::string, 3>& inputs);

} // namespace q7
