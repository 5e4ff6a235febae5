// SPDX-License-Identifier: MIT
// The port for the whole run: port switch, speed change, the port-settings panel, the receive event, a lost
// device, and "END".
#include "panel/form.h"

#include <algorithm>

namespace q7 {

void Form1::portSwitch(int target, int fallback) {
    SerialPort& port = ui_.port();
    if (port.isOpen()) port.close();
    port.setPortNumber(target);
    // Always try the chosen port: a switch that left the port closed must never look as if it had worked.
    std::string error;
    if (!port.open(&error)) {
        ui_.showWarning(error);
        port.setPortNumber(fallback);
        return;
    }
    switchPending_ = port.isConnecting();
    switchFallback_ = fallback;
    if (!switchPending_) hidePortPanel();
}

void Form1::portOpened() {
    if (switchPending_) hidePortPanel();
    switchPending_ = false;
}

void Form1::portOpenFailed(const std::string& error) {
    ui_.showWarning(error);
    if (switchPending_) ui_.port().setPortNumber(switchFallback_);
    switchPending_ = false;
}

void Form1::settingsFailed(const std::string& error) {
    ui_.showWarning(error);
}

void Form1::speedChange(const char* settings) {
    PortSettings = settings;
    std::string error;
    if (!ui_.port().applySettings(PortSettings, &error)) {
        ui_.showWarning(error);
        return;
    }
    hidePortPanel();
}

void Form1::showPortPanel() {
    ui_.setVisible(Frame8, true);
    ui_.timer(Timer3).setEnabled(true);
}

void Form1::hidePortPanel() {
    ui_.setVisible(Frame8, false);
}

void Form1::comm(int eventCode) {
    if (eventCode != kCommEventReceive) return;
    const std::string input = ui_.port().readAll();
    // A device that chatters for hours must not grow memory or slow the panel. The first characters are the
    // ones kept: the decoder reads its slices from the start, and the start is what the RXD line shows.
    const std::size_t room = kReceiveBufferLimit - std::min(ReceiveBuffer.size(), kReceiveBufferLimit);
    ReceiveBuffer.append(input, 0, std::min(room, input.size()));
    AwaitingReply = 0;
    Hyouji(ReceiveBuffer, HyoujiMode::Received);
}

void Form1::portLost() {
    switchPending_ = false;
    SerialPort& port = ui_.port();
    // The port service may have closed the dead device already; it reports each loss once.
    if (port.isOpen()) port.close();
    ui_.showWarning("The serial device " + port.deviceName() +
                    " went away. The port is closed; choose a port under \"COM\" to open it again.");
}

void Form1::end() {
    if (ui_.port().isOpen()) ui_.port().close();
    ui_.quit();
}

} // namespace q7
