// SPDX-License-Identifier: MIT
// The compact, data, unlocked and extended views: the chord, the picture's double-click, the data button.

#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

constexpr int kShift = 1, kCtrl = 2, kAlt = 4, kJ = 0x4A;

// Window height, Command34 shown and its caption, ExtendedViewUnlocked.
using View = std::tuple<int, bool, std::string, int>;
const View kStart{5350, false, "", 0};
const View kUnlocked{7200, true, "CLOSE", 1};
const View kExtended{9100, true, "CLOSE", 1};
const View kClosed{5350, true, "データを表示する", 0};
const View kData{6645, true, "データを表示しない", 0};

TEST(Views, EveryEventFromEveryState) {
    test::Panel p;
    const auto view = [&] {
        return View{p.ui.height, p.ui.isVisible(Command34), p.ui.text(Command34),
                    p.form.ExtendedViewUnlocked};
    };
    // 'K' chord, 'P' picture, 'D' data button, 'L' a double-click elsewhere; then the view it leads to.
    const std::pair<char, View> steps[] = {
        {'P', kStart},    {'K', kUnlocked}, {'P', kExtended}, {'P', kExtended}, {'K', kUnlocked},
        {'D', kClosed},   {'P', kClosed},   {'D', kData},     {'P', kData},     {'D', kClosed},
        {'K', kUnlocked}, {'P', kExtended}, {'D', kClosed},   {'D', kData},     {'K', kUnlocked},
        {'L', kUnlocked}, {'D', kClosed}};
    int step = 0;
    for (const auto& [event, after] : steps) {
        if (event == 'K') p.form.keyDown(kJ, kCtrl);
        if (event == 'P' || event == 'L')
            p.form.dblClick(event == 'P' ? ControlId("Image1") : ControlId("Label1"));
        if (event == 'D') p.form.click("Command34");
        EXPECT_EQ(view(), after) << "step " << ++step;
    }
    const std::pair<int, int> others[] = {
        {kJ, 0},       {kJ, kShift}, {kJ, kAlt}, {kJ, kCtrl | kShift}, {kJ, kCtrl | kAlt},
        {0x4B, kCtrl}, {0x6A, kCtrl}};
    for (const auto& [key, mask] : others)
        p.form.keyDown(key, mask);
    EXPECT_EQ(view(), kClosed) << "only Ctrl+J is the chord";
    p.form.keyDown(kJ, kCtrl | 8); // a modifier outside Shift, Ctrl and Alt does not count
    EXPECT_EQ(view(), kUnlocked);
}

// The button looks at the height alone: below 6000 twips it opens the data view.
TEST(Views, TheDataButtonDecidesAt6000TwipsAndRestartsThePortPanelsFiveSeconds) {
    test::Panel p;
    p.ui.height = 5999;
    p.form.click("Command34");
    EXPECT_EQ(p.ui.height, 6645);
    p.ui.height = 6000;
    p.form.click("Command33");
    p.advance(3000);
    p.form.click("Command34");
    EXPECT_EQ(p.ui.height, 5350);
    p.advance(4999);
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    p.advance(1);
    EXPECT_FALSE(p.ui.isVisible(Frame8));
    EXPECT_EQ(p.ticks(Timer3), (std::vector<std::int64_t>{8000}));
}

} // namespace
} // namespace q7
