// SPDX-License-Identifier: MIT
#pragma once
// The frame on the line: AddressPrefix + command + CR, and the projector selection that picks the prefix.

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

std::span<const ProjectorOption> projectorOptions();

} // namespace q7
