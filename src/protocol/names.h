// SPDX-License-Identifier: MIT
#pragma once
// The buttons by name, as a script names them: "power on", "zoom +", "input 2 s-video". A name is matched
// whole and without regard to case; blanks between its words may be any run of blanks.

#include "protocol/command_catalogue.h"
#include "protocol/held_buttons.h"

#include <string>
#include <string_view>
#include <vector>

namespace q7 {

struct NamedButton {
    std::string_view name;
    const CatalogueEntry* oneShot = nullptr; // one of the two
    const HeldEntry* held = nullptr;
};

// Every named button: the one-shot ones in the catalogue's order, then the held ones.
std::vector<NamedButton> namedButtons();
const NamedButton* findButton(std::string_view name);
// The names nearest to a name that matched none, nearest first.
std::vector<std::string_view> closestNames(std::string_view name, std::size_t count = 3);

} // namespace q7
