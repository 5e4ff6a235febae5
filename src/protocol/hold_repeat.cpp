// SPDX-License-Identifier: MIT
#include "protocol/hold_repeat.h"

#include "protocol/command_catalogue.h"
#include "panel/form.h"

#include <algorithm>
#include <array>

namespace q7 {
namespace {

// clang-format off
constexpr std::array kHeld = std::to_array<HeldEntry>({
    {"Command1",  "+",      "VOL",        1,  "C09", 250, 200, 245},
    {"Command2",  "-",      "VOL",        2,  "C0A", 250, 200, 245},
    {"Command15", "+",      "Zoom",       7,  "C47",  50,  25,  25},
    {"Command35", "-",      "Zoom",       8,  "C46",  50,  25,  25},
    {"Command36", "+",      "Focus",      9,  "C4B",  50,  25,  25},
    {"Command37", "-",      "Focus",      10, "C4A",  50,  25,  25},
    {"Command48", "+",      "D.Zoom",     17, "C30", 250, 200, 245},
    {"Command49", "-",      "D.Zoom",     18, "C31", 250, 200, 245},
    {"Command50", "+",      "Keystone",   19, "C8E", 250, 200, 245},
    {"Command51", "-",      "Keystone",   20, "C8F", 250, 200, 245},
    {"Command59", "↑",      "LENS SHIFT", 21, "C5D",  50,  25,  25},
    {"Command62", "↓",      "LENS SHIFT", 22, "C5E",  50,  25,  25},
    {"Command5",  "↑",      "Cursor pad", 3,  "C3C",   0,   0,   0},
    {"Command7",  "↓",      "Cursor pad", 4,  "C3D",   0,   0,   0},
    {"Command9",  "←",      "Cursor pad", 5,  "C3B",   0,   0,   0},
    {"Command8",  "→",      "Cursor pad", 6,  "C3A",   0,   0,   0},
    {"Command6",  "SELECT", "Cursor pad", 13, "C3F", 500, 200, 245},
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
// repetition.
constexpr bool holdIntervalsFitTheirPeriod() {
    for (const auto& h : kHeld)
        if (!h.isArrow() && !(h.replyTimeout <= h.clearing && h.clearing < h.repeatPeriod)) return false;
    return true;
}
static_assert(holdIntervalsFitTheirPeriod());

bool isDZoom(std::uint8_t heldCode) { return heldCode == 17 || heldCode == 18; }

} // namespace

std::span<const HeldEntry> heldButtons() { return kHeld; }

const HeldEntry* findHeldByControl(std::string_view control) {
    auto it = std::find_if(kHeld.begin(), kHeld.end(), [&](const HeldEntry& h) { return h.control == control; });
    return it == kHeld.end() ? nullptr : &*it;
}

const HeldEntry* findHeldByCode(std::uint8_t heldCode) {
    auto it = std::find_if(kHeld.begin(), kHeld.end(), [&](const HeldEntry& h) { return h.heldCode == heldCode; });
    return it == kHeld.end() ? nullptr : &*it;
}

void Form1::press(std::string_view control) {
    const HeldEntry* held = findHeldByControl(control);
    if (!held) return;
    if (held->isArrow()) {
        switch (CursorPadMode) {
        case 1:
            ui_.timer(2).setInterval(150);
            ui_.timer(4).setInterval(190);
            break;
        case 3:
            ui_.timer(2).setInterval(5);
            ui_.timer(4).setInterval(5);
            break;
        default:
            break;
        }
        HeldButton = held->heldCode;
        send(held->command);
    } else {
        HeldButton = held->heldCode;
        send(held->command);
        ui_.timer(1).setInterval(held->repeatPeriod);
        ui_.timer(2).setInterval(held->replyTimeout);
        ui_.timer(4).setInterval(held->clearing);
    }
    ui_.timer(1).setEnabled(true);
}

void Form1::repeatTick() {
    if (HeldButton == 0) return;
    const HeldEntry* held = findHeldByCode(HeldButton);
    if (!held) return;
    // Frames that have not left the port yet would keep the lens moving after the release; a tick that finds
    // the line still busy with this hold writes nothing and the next tick tries again.
    if (ui_.port().isOpen() && ui_.port().pendingOutput() > 0) return;
    send(held->command);
}

void Form1::release(std::string_view control) {
    const HeldEntry* held = findHeldByControl(control);
    if (!held) return;
    HeldButton = 0;
    ui_.timer(1).setEnabled(false);
    ui_.timer(2).setEnabled(false);
    ui_.timer(4).setEnabled(true);
    ui_.setText("Label11", "");
    ui_.setText("Label12", "");
    ui_.timer(2).setInterval(kStartIntervals.replyTimeout);
    ui_.timer(4).setInterval(kStartIntervals.clearing);
    ReceiveBuffer.clear();
    if (isDZoom(held->heldCode)) {
        ui_.timer(1).setInterval(kDZoomReleaseRepeat);
        CursorPadMode = 3;
    }
}

void Form1::holdInterrupted() {
    if (HeldButton == 0) return;
    if (const HeldEntry* held = findHeldByCode(HeldButton)) release(held->control);
}

} // namespace q7
