// SPDX-License-Identifier: MIT
// The access chord, the picture double-click and the data-display button.

#include "fake_window.h"
#include "panel/views.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

struct ViewState {
    int height;
    bool buttonVisible;
    std::string caption;
    int unlocked;
};

ViewState state(const Panel& p) {
    return {p.ui.windowHeight(), p.ui.isVisible(ControlId("Command34")), p.ui.text(ControlId("Command34")),
            p.form.ExtendedViewUnlocked};
}

void expectState(const Panel& p, const ViewState& want, const char* where) {
    const ViewState got = state(p);
    EXPECT_EQ(got.height, want.height) << where;
    EXPECT_EQ(got.buttonVisible, want.buttonVisible) << where;
    if (want.buttonVisible) {
        EXPECT_EQ(got.caption, want.caption) << where;
    }
    EXPECT_EQ(got.unlocked, want.unlocked) << where;
}

const ViewState kStart{5350, false, "", 0};
const ViewState kUnlocked{7200, true, "CLOSE", 1};
const ViewState kExtended{9100, true, "CLOSE", 1};
const ViewState kClosed{5350, true, "データを表示する", 0};
const ViewState kData{6645, true, "データを表示しない", 0};

TEST(Views, TheStateTableRowByRow) {
    Panel p;
    expectState(p, kStart, "start");
    p.form.dblClick("Image1");
    expectState(p, kStart, "double-click while locked");
    p.form.keyDown(kKeyJ, kCtrlMask);
    expectState(p, kUnlocked, "chord");
    p.form.dblClick("Image1");
    expectState(p, kExtended, "double-click when unlocked");
    p.form.dblClick("Image1");
    expectState(p, kExtended, "double-click again");
    p.form.keyDown(kKeyJ, kCtrlMask);
    expectState(p, kUnlocked, "chord at 9100");
    p.form.click("Command34");
    expectState(p, kClosed, "CLOSE");
    p.form.dblClick("Image1");
    expectState(p, kClosed, "double-click after CLOSE");
    p.form.click("Command34");
    expectState(p, kData, "show data");
    p.form.dblClick("Image1");
    expectState(p, kData, "double-click in the data view");
    p.form.click("Command34");
    expectState(p, kClosed, "hide data");
    p.form.keyDown(kKeyJ, kCtrlMask);
    p.form.dblClick("Image1");
    p.form.click("Command34");
    expectState(p, kClosed, "extended to closed");
    p.form.click("Command34");
    p.form.keyDown(kKeyJ, kCtrlMask);
    expectState(p, kUnlocked, "chord from the data view");
}

TEST(Views, OnlyCtrlJIsTheChord) {
    const std::pair<int, int> wrong[] = {
        {kKeyJ, 0},
        {kKeyJ, kShiftMask},
        {kKeyJ, kCtrlMask | kShiftMask},
        {kKeyJ, kCtrlMask | kAltMask},
        {kKeyJ, kCtrlMask | kShiftMask | kAltMask},
        {kKeyJ, kAltMask},
        {'K', kCtrlMask},
        {'j', kCtrlMask},
        {'J' + 0x20, 0},
    };
    for (auto [key, mask] : wrong) {
        Panel p;
        p.form.keyDown(key, mask);
        expectState(p, kStart, "wrong chord");
    }
    Panel p;
    p.form.keyDown(kKeyJ, kCtrlMask | 8); // a modifier outside the mask does not count
    expectState(p, kUnlocked, "extra bit");
}

TEST(Views, DataButtonRestartsThePortPanelCount) {
    Panel p;
    p.form.keyDown(kKeyJ, kCtrlMask);
    p.form.click("Command33");
    p.ui.clock.advance(3000);
    p.form.click("Command34");
    p.ui.clock.advance(4999);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    p.ui.clock.advance(1);
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    EXPECT_FALSE(p.ui.timer(Timer3).isEnabled());
}

TEST(Views, OnlyThePictureHasADoubleClick) {
    Panel p;
    p.form.keyDown(kKeyJ, kCtrlMask);
    p.form.dblClick("Label1");
    EXPECT_EQ(p.ui.windowHeight(), 7200);
}

} // namespace
} // namespace q7
