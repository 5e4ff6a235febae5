// SPDX-License-Identifier: MIT
#include "protocol/names.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <utility>

namespace q7 {
namespace {

constexpr bool namesAreUnique() {
    std::vector<std::string_view> names;
    std::size_t unnamed = 0;
    for (const CatalogueEntry& e : commandCatalogue()) {
        if (e.name.empty())
            ++unnamed;
        else
            names.push_back(e.name);
    }
    for (const HeldEntry& h : heldButtons())
        names.push_back(h.name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const char c : names[i])
            if (c >= 'A' && c <= 'Z') return false;
        for (std::size_t j = i + 1; j < names.size(); ++j)
            if (names[i] == names[j]) return false;
    }
    return unnamed == 9; // the decoded status queries, read by their keys
}
static_assert(namesAreUnique(),
              "every button but the decoded status queries has a lower-case name of its own");

// Lower case, one blank between words, none around them.
std::string normalised(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j)
            diagonal = std::exchange(
                row[j], std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])}));
    }
    return row[b.size()];
}

} // namespace

std::vector<NamedButton> namedButtons() {
    std::vector<NamedButton> all;
    for (const CatalogueEntry& e : commandCatalogue())
        if (!e.name.empty()) all.push_back({e.name, &e, nullptr});
    for (const HeldEntry& h : heldButtons())
        all.push_back({h.name, nullptr, &h});
    return all;
}

const NamedButton* findButton(std::string_view name) {
    static const std::vector<NamedButton> all = namedButtons();
    const std::string wanted = normalised(name);
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const NamedButton& b) { return b.name == wanted; });
    return it == all.end() ? nullptr : &*it;
}

std::vector<std::string_view> closestNames(std::string_view name, std::size_t count) {
    const std::string wanted = normalised(name);
    std::vector<std::pair<std::size_t, std::string_view>> ranked;
    for (const NamedButton& b : namedButtons())
        ranked.emplace_back(editDistance(wanted, b.name), b.name);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string_view> nearest;
    for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i)
        nearest.push_back(ranked[i].second);
    return nearest;
}

} // namespace q7
