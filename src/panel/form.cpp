// SPDX-License-Identifier: MIT
#include "panel/form.h"

#include "link/serial_link.h"
#include "protocol/command_catalogue.h"
#include "protocol/frame.h"

namespace q7 {

void Form1::click(std::string_view control) {
    if (const CatalogueEntry* entry = findCatalogueEntry(control)) {
        switch (entry->sendClass) {
        case SendClass::Wait2s:
            ui_.timer(2).setInterval(kWait2sIntervals.replyTimeout);
            ui_.timer(4).setInterval(kWait2sIntervals.clearing);
            break;
        case SendClass::Wait5s:
            ui_.timer(2).setInterval(kWait5sIntervals.replyTimeout);
            ui_.timer(4).setInterval(kWait5sIntervals.clearing);
            break;
        default:
            break;
        }
        send(entry->command);
        if (entry->sendClass == SendClass::PadSetup) {
            ui_.timer(1).setInterval(kPadSetupRepeat);
            CursorPadMode = 1;
        }
        return;
    }
    for (const ProjectorOption& option : projectorOptions()) {
        if (option.control == control) {
            selectProjector(option.prefix);
            return;
        }
    }
    if (control == "Option1") {
        portSwitch(1, 2);
    } else if (control == "Option2") {
        portSwitch(2, 1);
    } else if (control == "Option9") {
        speedChange(kSettings19200);
    } else if (control == "Option10") {
        speedChange(kSettings9600);
    } else if (control == "Command33") {
        showPortPanel();
    } else if (control == "Command16") {
        end();
    } else if (control == "Command34") {
        toggleDataView();
    } else if (control == "Command95") {
        sendTyped();
    } else if (control == "Command96") {
        clearTyped();
    }
}

} // namespace q7
