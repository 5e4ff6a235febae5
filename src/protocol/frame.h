// SPDX-License-Identifier: MIT
#pragma once
// The frame on the line: AddressPrefix + command + CR, and the projector selection that picks the prefix.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace q7 {

inline constexpr char kCarriageReturn = '\r';

inline std::string frameCommand(std::string_view prefix, std::string_view command) {
    std::string frame;
    frame.reserve(prefix.size() + command.size() + 1);
    frame.append(prefix).append(command) += kCarriageReturn;
    return frame;
}

struct ProjectorOption {
    std::string_view control;
    std::string_view caption;
    std::string_view prefix;
};

// clang-format off
inline constexpr auto kProjectorOptions = std::to_array<ProjectorOption>({
    {"Option3", "SINGLE", ""},
    {"Option4", "ALL",    "AFFF"},
    {"Option5", "001",    "A001"},
    {"Option6", "002",    "A002"},
    {"Option7", "003",    "A003"},
    {"Option8", "004",    "A004"},
});
// clang-format on

} // namespace q7
