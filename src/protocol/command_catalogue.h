// SPDX-License-Identifier: MIT
#pragma once
// The one-shot buttons: what each sends and what it does around the transmission.

#include <array>
#include <span>
#include <string_view>

namespace q7 {

enum class SendClass {
    Plain,    // nothing around the transmission
    Wait2s,   // before: Timer2 2000 ms, then Timer4 2500 ms
    Wait5s,   // before: Timer2 5000 ms, then Timer4 5500 ms
    PadSetup, // after: Timer1 200 ms, then CursorPadMode 1
};

struct CatalogueEntry {
    std::string_view control;
    std::string_view caption;
    std::string_view group;
    std::string_view command;
    SendClass sendClass;
};

std::span<const CatalogueEntry> commandCatalogue();
const CatalogueEntry* findCatalogueEntry(std::string_view control);

// The reply window and clearing intervals a send class sets before transmitting, if any.
struct Intervals {
    int replyTimeout;
    int clearing;
};
constexpr Intervals kWait2sIntervals{2000, 2500};
constexpr Intervals kWait5sIntervals{5000, 5500};
constexpr Intervals kStartIntervals{500, 1000};
constexpr int kPadSetupRepeat = 200;

} // namespace q7
