// SPDX-License-Identifier: MIT
#include "panel/form.h"
#include "protocol/command_catalogue.h"

namespace q7 {

void Form1::sendTyped() {
    ui_.timer(2).setInterval(kWait2sIntervals.replyTimeout);
    ui_.timer(4).setInterval(kWait2sIntervals.clearing);
    // Sent exactly as typed: no trimming, no change of case, an empty box sends a bare CR.
    send(ui_.text("Text1"));
}

void Form1::clearTyped() { ui_.setText("Text1", ""); }

} // namespace q7
