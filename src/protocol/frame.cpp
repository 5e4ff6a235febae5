// SPDX-License-Identifier: MIT
#include "protocol/frame.h"

#include "panel/form.h"

#include <array>

namespace q7 {
namespace {

// clang-format off
constexpr std::array kProjectors = std::to_array<ProjectorOption>({
    {"Option3", "SINGLE", ""},
    {"Option4", "ALL",    "AFFF"},
    {"Option5", "001",    "A001"},
    {"Option6", "002",    "A002"},
    {"Option7", "003",    "A003"},
    {"Option8", "004",    "A004"},
});
// clang-format on

} // namespace

std::span<const ProjectorOption> projectorOptions() { return kProjectors; }

void Form1::send(std::string_view command) {
    OutgoingCommand = frameCommand(AddressPrefix, command);
    Hyouji(OutgoingCommand, 1);
}

void Form1::selectProjector(std::string_view prefix) { AddressPrefix = prefix; }

} // namespace q7
