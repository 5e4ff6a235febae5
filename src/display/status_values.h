// SPDX-License-Identifier: MIT
#pragma once
// The value a status reply carries, typed, for scripts and dashboards.

#include "display/status_queries.h"

#include <string>
#include <string_view>
#include <vector>

namespace q7 {

// What a reply says, typed: nothing; a number (input, lamp_hours, pressure); a word or text (power,
// picture_reversal, signal_type, mute's "no-signal" and "standby"); numbers (temperatures); the two mutes;
// the lamps lit and the lamp mode.
struct StatusValue {
    enum class Kind { None, Number, Text, Numbers, Mutes, Lamps };
    Kind kind = Kind::None;
    double number = 0;
    std::string text;                  // Text; Lamps: the mode, "2-lamps", "lamp-1" or "lamp-2"
    std::vector<double> numbers;       // Numbers; Lamps: the lamps lit
    bool video = false, audio = false; // Mutes
};

// The value of a reply (the bytes received, CR included) to the query of key; none unless the reply has
// that query's form: a code of two characters, the input's digit, digits alone for the lamp hours and the
// pressure, two readings like "035.2,041.8", or printable text for the signal, each followed by CR.
StatusValue statusValue(std::string_view key, std::string_view reply);

} // namespace q7
