// SPDX-License-Identifier: MIT
// The window's load event: the first state of the run.
#include "panel/form.h"
#include "panel/views.h"

namespace q7 {

void Form1::load() {
    PortSettings = kSettings19200;
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
    SerialPort& port = ui_.port();
    port.setPortNumber(1);
    std::string ignored;
    port.applySettings(PortSettings, &ignored);
    // A failure here is reported once, by the port switch that selecting "COM1" runs.
    port.open(&ignored);
    ui_.setSelected(Option1);
    portSwitch(1, 2);
}

} // namespace q7
