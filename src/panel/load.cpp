// SPDX-License-Identifier: MIT
// The window's load event: the first state of the run.
#include "panel/form.h"
#include "panel/views.h"
#include "protocol/frame.h"

namespace q7 {

void Form1::load() {
    PortSettings = kSpeedOptions[0].settings;
    AddressPrefix = "";
    // Centred from the designed full height, before the compact height is set: the compact window stands
    // higher than the middle of the screen. Nothing limits the position to the screen.
    const int left = (ui_.screenWidth() - ui_.windowWidth()) / 2;
    const int top = (ui_.screenHeight() - ui_.windowHeight()) / 2;
    ui_.moveWindow(left, top);
    ui_.setWindowHeight(kCompactHeight);
    HeldButton = 0;
    AwaitingReply = 0;
    ReceiveBuffer.clear();
    usePort(1);
    (void)ui_.port().applySettings(PortSettings);
    const Result<Line::Opening> opening = line_.open();
    // Selecting "COM1" runs the port switch to port 1, which finds port 1 open or opening already: the port
    // is opened once, and a failure is told once.
    ui_.setSelected(Option1);
    pending_ = Pending::StartUp;
    if (!opening)
        openFailed(opening.error());
    else if (*opening == Line::Opening::Open)
        opened();
}

} // namespace q7
