// SPDX-License-Identifier: MIT
#pragma once
// The held buttons: sent on press, repeated by Timer1 while held, stopped on release.

#include <cstdint>
#include <span>
#include <string_view>

namespace q7 {

struct HeldEntry {
    std::string_view control;
    std::string_view caption;
    std::string_view group;
    std::uint8_t heldCode;
    std::string_view command;
    // 0 for the cursor-pad arrows: they keep Timer1's interval and take the other two from CursorPadMode.
    int repeatPeriod;
    int replyTimeout;
    int clearing;

    constexpr bool isArrow() const { return repeatPeriod == 0; }
};

std::span<const HeldEntry> heldButtons();
const HeldEntry* findHeldByControl(std::string_view control);
const HeldEntry* findHeldByCode(std::uint8_t heldCode);

// D.Zoom's release leaves this repeat period and CursorPadMode 3 for the arrows.
constexpr int kDZoomReleaseRepeat = 5;

} // namespace q7
