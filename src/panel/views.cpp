// SPDX-License-Identifier: MIT
#include "panel/views.h"

#include "panel/form.h"

namespace q7 {

void Form1::keyDown(int keyCode, int shiftMask) {
    if (keyCode != kKeyJ || (shiftMask & (kShiftMask | kCtrlMask | kAltMask)) != kCtrlMask) return;
    ui_.setWindowHeight(kUnlockedHeight);
    ExtendedViewUnlocked = 1;
    ui_.setText(Command34, kClose);
    ui_.setVisible(Command34, true);
}

void Form1::dblClick(ControlId control) {
    if (Image1 != control || ExtendedViewUnlocked != 1) return;
    ui_.setWindowHeight(kExtendedHeight);
    ui_.setText(Command34, kClose);
    ui_.setVisible(Command34, true);
}

void Form1::toggleDataView() {
    ui_.timer(Timer3).setEnabled(false);
    ExtendedViewUnlocked = 0;
    if (ui_.windowHeight() < kDataViewThreshold) {
        ui_.setWindowHeight(kDataHeight);
        ui_.setText(Command34, kHideData);
    } else {
        ui_.setWindowHeight(kCompactHeight);
        ui_.setText(Command34, kShowData);
    }
    ui_.timer(Timer3).setEnabled(true);
}

} // namespace q7
