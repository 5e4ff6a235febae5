// SPDX-License-Identifier: MIT
// The held buttons: press, repeat tick, release, and a hold whose release cannot come.
#include "panel/form.h"
#include "protocol/command_catalogue.h"
#include "protocol/held_buttons.h"
#include "session/pacing.h"

#include <algorithm>

namespace q7 {

void Form1::press(ControlId control) {
    const HeldEntry* held = findHeldByControl(control.name());
    if (!held) return;
    if (held->isArrow()) {
        const auto timing =
            std::find_if(held->byPadMode.begin(), held->byPadMode.end(),
                         [&](const PadTiming& t) { return t.cursorPadMode == CursorPadMode; });
        if (timing != held->byPadMode.end()) {
            ui_.timer(Timer2).setInterval(timing->replyTimeout);
            ui_.timer(Timer4).setInterval(timing->clearing);
        }
        HeldButton = held->heldCode;
        send(held->command);
    } else {
        HeldButton = held->heldCode;
        send(held->command);
        ui_.timer(Timer1).setInterval(held->repeatPeriod);
        ui_.timer(Timer2).setInterval(held->replyTimeout);
        ui_.timer(Timer4).setInterval(held->clearing);
    }
    ui_.timer(Timer1).setEnabled(true);
}

// A held code other than 0 is always one a press took from its button's row, so the guards against 0 are the
// only ones the lookups need.
void Form1::repeatTick() {
    if (HeldButton == 0) return;
    const HeldEntry* held = findHeldByCode(HeldButton);
    // Frames that have not left the port yet would keep the lens moving after the release; a tick that finds
    // the line still busy with this hold writes nothing and the next tick tries again.
    if (lineIsBusy(ui_.port())) return;
    send(held->command);
}

void Form1::release(ControlId control) {
    const HeldEntry* held = findHeldByControl(control.name());
    if (!held) return;
    HeldButton = 0;
    ui_.timer(Timer1).setEnabled(false);
    ui_.timer(Timer2).setEnabled(false);
    ui_.timer(Timer4).setEnabled(true);
    ui_.setText(Label11, "");
    ui_.setText(Label12, "");
    ui_.timer(Timer2).setInterval(kStartIntervals.replyTimeout);
    ui_.timer(Timer4).setInterval(kStartIntervals.clearing);
    ReceiveBuffer.clear();
    if (held->onRelease.repeatPeriod != 0) {
        ui_.timer(Timer1).setInterval(held->onRelease.repeatPeriod);
        CursorPadMode = held->onRelease.cursorPadMode;
    }
}

void Form1::holdInterrupted() {
    if (HeldButton == 0) return;
    release(ControlId::of(*findControl(findHeldByCode(HeldButton)->control)));
}

} // namespace q7
