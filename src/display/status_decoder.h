// SPDX-License-Identifier: MIT
#pragma once
// Turns the answers to the status queries into plain English for the STATUS line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q7 {

// The STATUS text for an RXD line text, when outgoingCommand is one of the status queries framed with
// addressPrefix; nothing when the STATUS line is to be left as it is. pressureValue is the form's
// PressureValue, written by a pressure answer; a pressure reading beyond what its 16-bit arithmetic carries
// shows the RXD text as it came and leaves pressureValue alone. Any text, of any length, is safe input.
std::optional<std::string> decodeStatusReply(std::string_view outgoingCommand, std::string_view addressPrefix,
                                             std::string_view rxdText, std::int16_t& pressureValue);

// Whether a text is one that the code tables write (" Power ON", " Input mode 1", ...).
bool isCodeTableText(std::string_view text);

} // namespace q7
