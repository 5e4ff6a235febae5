// SPDX-License-Identifier: MIT
#include "panel/panel_layout.h"

#include <algorithm>
#include <array>

namespace q7 {
namespace {
constexpr std::array<ControlSpec, 0> kControls{};
constexpr std::array<LineSpec, 0> kLines{};
constexpr std::array kFonts = std::to_array<FontSpec>({
    {FontKey::G9B, "ＭＳ ゴシック", true, 9, true},
});
} // namespace

std::span<const ControlSpec> panelLayout() { return kControls; }
const ControlSpec* findControl(std::string_view name) {
    auto it = std::find_if(kControls.begin(), kControls.end(), [&](const ControlSpec& c) { return c.name == name; });
    return it == kControls.end() ? nullptr : &*it;
}
std::span<const LineSpec> cursorPadOutline() { return kLines; }
std::span<const FontSpec> fontTable() { return kFonts; }
const FontSpec& fontSpec(FontKey) { return kFonts[0]; }
} // namespace q7
