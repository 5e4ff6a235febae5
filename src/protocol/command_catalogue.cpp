// SPDX-License-Identifier: MIT
#include "protocol/command_catalogue.h"

#include <algorithm>

namespace q7 {

const CatalogueEntry* findCatalogueEntry(std::string_view control) {
    const auto rows = commandCatalogue();
    auto it =
        std::find_if(rows.begin(), rows.end(), [&](const CatalogueEntry& e) { return e.control == control; });
    return it == rows.end() ? nullptr : &*it;
}

} // namespace q7
