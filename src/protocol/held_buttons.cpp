// SPDX-License-Identifier: MIT
#include "protocol/held_buttons.h"

#include "protocol/command_catalogue.h"

#include <algorithm>

namespace q7 {

static_assert(held::holdIntervalsFitTheirPeriod(kPadSetupMode, kPadSetupRepeat));

const HeldEntry* findHeldByControl(std::string_view control) {
    const auto rows = heldButtons();
    auto it =
        std::find_if(rows.begin(), rows.end(), [&](const HeldEntry& h) { return h.control == control; });
    return it == rows.end() ? nullptr : &*it;
}

const HeldEntry* findHeldByCode(std::uint8_t heldCode) {
    const auto rows = heldButtons();
    auto it =
        std::find_if(rows.begin(), rows.end(), [&](const HeldEntry& h) { return h.heldCode == heldCode; });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace q7
