// SPDX-License-Identifier: MIT
#pragma once
// The readable form of traffic on the TXD and RXD lines: " C 0 0 CR " for "C00" + CR.

#include <string>
#include <string_view>

namespace q7 {

// One character is one byte; every code has a piece, so this never fails on content.
std::string traceText(std::string_view source);

// What the RXD line shows when a reply window ends with nothing received.
inline constexpr std::string_view kNoReply = " X X X X";

} // namespace q7
