// SPDX-License-Identifier: MIT
#include "panel/panel_layout.h"

#include <algorithm>
#include <array>

namespace q7 {
namespace layout {
namespace {

constexpr bool namesAreUnique() {
    for (std::size_t i = 0; i < kControls.size(); ++i)
        for (std::size_t j = i + 1; j < kControls.size(); ++j)
            if (kControls[i].name == kControls[j].name) return false;
    return true;
}

// Exactly the controls that can take the focus have a tab position, and no two share one.
constexpr bool tabsAreUniqueAndWhereFocusGoes() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlSpec& c = kControls[i];
        const bool focusable = c.kind == Button || c.kind == Option || c.kind == TextBox;
        if (focusable != (c.tab > 0)) return false;
        for (std::size_t j = i + 1; j < kControls.size(); ++j)
            if (c.tab > 0 && c.tab == kControls[j].tab) return false;
    }
    return true;
}

// Every container is a frame listed before the controls it holds.
constexpr bool containersComeFirst() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (kControls[i].container == kFormName) continue;
        bool found = false;
        for (std::size_t j = 0; j < i; ++j)
            if (kControls[j].name == kControls[i].container) found = kControls[j].kind == Frame;
        if (!found) return false;
    }
    return true;
}

constexpr bool everythingFitsItsContainer() {
    for (const ControlSpec& c : kControls) {
        const int in = rowOf(c.container);
        const int width = in < 0 ? kClientWidth : kControls[static_cast<std::size_t>(in)].geometry.width;
        const int height = in < 0 ? kClientHeight : kControls[static_cast<std::size_t>(in)].geometry.height;
        const Twips& g = c.geometry;
        if (g.left < 0 || g.top < 0 || g.left + g.width > width || g.top + g.height > height) return false;
    }
    return true;
}

constexpr bool fontsAreComplete() {
    for (int k = static_cast<int>(G9B); k <= static_cast<int>(P7); ++k) {
        if (kFonts[static_cast<std::size_t>(k - 1)].key != static_cast<FontKey>(k)) return false;
    }
    return true;
}

static_assert(kControls.size() == 15 + 26 + 87 + 10 + 1 + 1,
              "frames, labels, buttons, options, Text1, Image1");
static_assert(namesAreUnique());
static_assert(tabsAreUniqueAndWhereFocusGoes());
static_assert(containersComeFirst());
static_assert(everythingFitsItsContainer());
static_assert(fontsAreComplete(), "the font table lists every key once, in the order of FontKey");
static_assert(kLines.size() == 12);

} // namespace
} // namespace layout

const FontSpec& fontSpec(FontKey key) {
    if (key == FontKey::Inherit) key = kWindowFont;
    return layout::kFonts[static_cast<std::size_t>(key) - 1];
}

} // namespace q7
