// SPDX-License-Identifier: MIT
#pragma once
// The held buttons: sent on press, repeated by Timer1 while held, stopped on release.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace q7 {

// The reply window and clearing of a cursor-pad arrow, chosen at its press by CursorPadMode; any mode not
// listed leaves both as they are.
struct PadTiming {
    std::uint8_t cursorPadMode;
    int replyTimeout;
    int clearing;
};

// What a release leaves for the arrows that follow: Timer1's interval and CursorPadMode. None when 0.
struct PadHandover {
    int repeatPeriod = 0;
    std::uint8_t cursorPadMode = 0;
};

struct HeldEntry {
    std::string_view control;
    std::string_view name; // as for the one-shot buttons

    std::string_view caption;
    std::string_view group;
    std::uint8_t heldCode;
    std::string_view command;
    // Set right after the press's transmission. Unused for the arrows, which keep Timer1's interval and set
    // the other two before they transmit, from byPadMode.
    int repeatPeriod;
    int replyTimeout;
    int clearing;
    std::span<const PadTiming> byPadMode;
    PadHandover onRelease;

    constexpr bool isArrow() const { return !byPadMode.empty(); }
};

namespace held {

// After "A-IMAGE" or MENU "ON" (mode 1, with Timer1 at 200 ms) and after a D.Zoom release (mode 3, 5 ms).
inline constexpr auto kArrowTimings = std::to_array<PadTiming>({{1, 150, 190}, {3, 5, 5}});
inline constexpr PadHandover kDZoomRelease{5, 3};

// clang-format off
inline constexpr auto kHeld = std::to_array<HeldEntry>({
    {"Command1",  "vol +",           "+",      "VOL",        1,  "C09", 250, 200, 245, {}, {}},
    {"Command2",  "vol -",           "-",      "VOL",        2,  "C0A", 250, 200, 245, {}, {}},
    {"Command15", "zoom +",          "+",      "Zoom",       7,  "C47",  50,  25,  25, {}, {}},
    {"Command35", "zoom -",          "-",      "Zoom",       8,  "C46",  50,  25,  25, {}, {}},
    {"Command36", "focus +",         "+",      "Focus",      9,  "C4B",  50,  25,  25, {}, {}},
    {"Command37", "focus -",         "-",      "Focus",      10, "C4A",  50,  25,  25, {}, {}},
    {"Command48", "d.zoom +",        "+",      "D.Zoom",     17, "C30", 250, 200, 245, {}, kDZoomRelease},
    {"Command49", "d.zoom -",        "-",      "D.Zoom",     18, "C31", 250, 200, 245, {}, kDZoomRelease},
    {"Command50", "keystone +",      "+",      "Keystone",   19, "C8E", 250, 200, 245, {}, {}},
    {"Command51", "keystone -",      "-",      "Keystone",   20, "C8F", 250, 200, 245, {}, {}},
    {"Command59", "lens shift up",   "↑",      "LENS SHIFT", 21, "C5D",  50,  25,  25, {}, {}},
    {"Command62", "lens shift down", "↓",      "LENS SHIFT", 22, "C5E",  50,  25,  25, {}, {}},
    {"Command5",  "cursor up",       "↑",      "Cursor pad", 3,  "C3C",   0,   0,   0, kArrowTimings, {}},
    {"Command7",  "cursor down",     "↓",      "Cursor pad", 4,  "C3D",   0,   0,   0, kArrowTimings, {}},
    {"Command9",  "cursor left",     "←",      "Cursor pad", 5,  "C3B",   0,   0,   0, kArrowTimings, {}},
    {"Command8",  "cursor right",    "→",      "Cursor pad", 6,  "C3A",   0,   0,   0, kArrowTimings, {}},
    {"Command6",  "select",          "SELECT", "Cursor pad", 13, "C3F", 500, 200, 245, {}, {}},
});
// clang-format on

constexpr bool heldCodesAreUnique() {
    for (std::size_t i = 0; i < kHeld.size(); ++i) {
        if (kHeld[i].heldCode == 0) return false;
        for (std::size_t j = i + 1; j < kHeld.size(); ++j)
            if (kHeld[i].heldCode == kHeld[j].heldCode || kHeld[i].control == kHeld[j].control) return false;
    }
    return true;
}
static_assert(heldCodesAreUnique(), "held codes are non-zero identifiers, one per button");

// Within every period a press sets, the reply window ends no later than the clearing, both before the next
// repetition; for an arrow, the period is the one that goes with its CursorPadMode.
constexpr bool holdIntervalsFitTheirPeriod(std::uint8_t padSetupMode, int padSetupRepeat) {
    for (const HeldEntry& h : kHeld)
        if (!h.isArrow() && !(h.replyTimeout <= h.clearing && h.clearing < h.repeatPeriod)) return false;
    for (const PadTiming& t : kArrowTimings) {
        const int period = t.cursorPadMode == padSetupMode                  ? padSetupRepeat
                           : t.cursorPadMode == kDZoomRelease.cursorPadMode ? kDZoomRelease.repeatPeriod
                                                                            : 0;
        if (!(t.replyTimeout <= t.clearing && t.clearing <= period)) return false;
    }
    return true;
}

} // namespace held

constexpr std::span<const HeldEntry> heldButtons() {
    return held::kHeld;
}
const HeldEntry* findHeldByControl(std::string_view control);
const HeldEntry* findHeldByCode(std::uint8_t heldCode);

} // namespace q7
