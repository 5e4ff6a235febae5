// SPDX-License-Identifier: MIT
#pragma once
// The panel's line settings text, such as "19200,N,8,1", read once for every line.

#include "base/message.h"

#include <string>
#include <string_view>

namespace q7 {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

// The letters of the settings text, in the order of Parity.
inline constexpr std::string_view kParityLetters = "NEOMS";

struct LineSettings {
    int speed = 19200; // bits per second
    Parity parity = Parity::None;
    int dataBits = 8; // 5 to 8
    StopBits stopBits = StopBits::One;
};

// Speed, parity letter (N, E, O, M, S in either case), data bits (5 to 8), stop bits (1, 1.5, 2). A failure
// says why, to follow "cannot be used: ".
Result<LineSettings> parseLineSettings(std::string_view text);
// The settings as the text above writes them.
std::string settingsText(const LineSettings& line);
// A character on the line in microseconds: start bit, data bits, parity bit, stop bits.
long long microsecondsPerCharacter(const LineSettings& line);

} // namespace q7
