// SPDX-License-Identifier: MIT
// The click and timer dispatch: one place that says which handler an event of a control runs.
#include "panel/form.h"

#include "protocol/command_catalogue.h"
#include "protocol/frame.h"
#include "protocol/held_buttons.h"

namespace q7 {
namespace {

// Every row of the protocol's tables names a control of the window of the kind that raises its event.
constexpr bool rowsAreControls(auto rows, Kind kind) {
    for (const auto& row : rows)
        if (const int at = layout::rowOf(row.control);
            at < 0 || layout::kControls[static_cast<std::size_t>(at)].kind != kind)
            return false;
    return true;
}
static_assert(rowsAreControls(commandCatalogue(), Kind::Button));
static_assert(rowsAreControls(heldButtons(), Kind::Button));
static_assert(rowsAreControls(std::span(kProjectorOptions), Kind::Option));
static_assert(rowsAreControls(std::span(kSpeedOptions), Kind::Option));

} // namespace

Form1::Form1(WindowServices& services) : ui_(services), line_(services.port(), services.timers(), *this) {}

void Form1::click(ControlId control) {
    if (const CatalogueEntry* entry = findCatalogueEntry(control.name())) {
        if (const std::optional<Intervals> intervals = intervalsFor(entry->sendClass)) {
            ui_.timer(Timer2).setInterval(intervals->replyTimeout);
            ui_.timer(Timer4).setInterval(intervals->clearing);
        }
        send(entry->command);
        if (entry->sendClass == SendClass::PadSetup) {
            ui_.timer(Timer1).setInterval(kPadSetupRepeat);
            CursorPadMode = kPadSetupMode;
        }
        return;
    }
    for (const ProjectorOption& option : kProjectorOptions) {
        if (control.name() == option.control) {
            selectProjector(option.prefix);
            return;
        }
    }
    for (const SpeedOption& option : kSpeedOptions) {
        if (control.name() == option.control) {
            speedChange(option.settings);
            return;
        }
    }
    if (Option1 == control) {
        portSwitch(1, 2);
    } else if (Option2 == control) {
        portSwitch(2, 1);
    } else if (Command33 == control) {
        showPortPanel();
    } else if (Command16 == control) {
        end();
    } else if (Command34 == control) {
        toggleDataView();
    } else if (Command95 == control) {
        sendTyped();
    } else if (Command96 == control) {
        clearTyped();
    }
}

void Form1::timerTick(TimerId timer) {
    switch (timer) {
    case Timer1:
        repeatTick();
        break;
    case Timer2:
        replyWindowEnds();
        break;
    case Timer3:
        hidePortPanel();
        ui_.timer(Timer3).setEnabled(false);
        break;
    case Timer4:
        clearLines();
        break;
    }
}

} // namespace q7
