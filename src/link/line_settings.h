// SPDX-License-Identifier: MIT
#pragma once
// The panel's line settings text, such as "19200,N,8,1", read once for every port adapter.

#include <string>
#include <string_view>

namespace q7 {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    int speed = 19200; // bits per second
    Parity parity = Parity::None;
    int dataBits = 8; // 5 to 8
    StopBits stopBits = StopBits::One;
};

struct ParsedLineSettings {
    LineSettings line;
    std::string error; // empty: the text was understood; else why not, to follow "cannot be used: "
};

// Speed, parity letter (N, E, O, M, S in either case), data bits (5 to 8), stop bits (1, 1.5, 2).
ParsedLineSettings parseLineSettings(std::string_view text);

} // namespace q7
