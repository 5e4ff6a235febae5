// SPDX-License-Identifier: MIT
#pragma once
// The frame on the line: AddressPrefix + command + CR; the projectors that pick the prefix and the speeds the
// line runs at, each with the panel's option and the name a script or a configuration writes.

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    std::string_view name;
    std::string_view prefix;
};

struct SpeedOption {
    std::string_view control;
    std::string_view baud;
    std::string_view settings; // speed, parity letter, data bits, stop bits
};

// clang-format off
inline constexpr auto kProjectorOptions = std::to_array<ProjectorOption>({
    {"Option3", "SINGLE", "single", ""},
    {"Option4", "ALL",    "all",    "AFFF"},
    {"Option5", "001",    "001",    "A001"},
    {"Option6", "002",    "002",    "A002"},
    {"Option7", "003",    "003",    "A003"},
    {"Option8", "004",    "004",    "A004"},
});

// The first is the default.
inline constexpr auto kSpeedOptions = std::to_array<SpeedOption>({
    {"Option9",  "19200", "19200,N,8,1"},
    {"Option10", "9600",  "9600,N,8,1"},
});
// clang-format on

// The one projector without an address, and the one that addresses them all: neither is one of several on
// a chain.
inline constexpr std::string_view kSingleProjector = "single";
inline constexpr std::string_view kAllProjectors = "all";

constexpr const ProjectorOption* findProjector(std::string_view name) {
    for (const ProjectorOption& p : kProjectorOptions)
        if (p.name == name) return &p;
    return nullptr;
}

constexpr const SpeedOption* findSpeed(std::string_view baud) {
    for (const SpeedOption& s : kSpeedOptions)
        if (s.baud == baud) return &s;
    return nullptr;
}

// The names, in the table's order: every projector, those of a chain (neither single nor all), the speeds.
inline std::vector<std::string_view> projectorNames(bool chainOnly = false) {
    std::vector<std::string_view> names;
    for (const ProjectorOption& p : kProjectorOptions)
        if (!chainOnly || (p.name != kSingleProjector && p.name != kAllProjectors)) names.push_back(p.name);
    return names;
}

inline std::vector<std::string_view> speedNames() {
    std::vector<std::string_view> names;
    for (const SpeedOption& s : kSpeedOptions)
        names.push_back(s.baud);
    return names;
}

// Written without pointers: GCC does not fold a table row's address under the sanitizers.
constexpr bool singleAndAllAreThere() {
    bool single = false, all = false;
    for (const ProjectorOption& p : kProjectorOptions) {
        single = single || (p.name == kSingleProjector && p.prefix.empty());
        all = all || (p.name == kAllProjectors && !p.prefix.empty());
    }
    return single && all;
}
static_assert(singleAndAllAreThere(), "a single projector has no address, and all of them have one");

} // namespace q7
