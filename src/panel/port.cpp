// SPDX-License-Identifier: MIT
// The port for the whole run: port switch, speed change, the port-settings panel, the receive event, a lost
// device, and "END".
#include "panel/form.h"

#include <algorithm>

namespace q7 {
namespace {

// The longest wait between two tries of a network server that stays away.
constexpr int kWatchLongestMs = 4000;

} // namespace

void Form1::portSwitch(int target, int fallback) {
    // The user's choice ends any watch for a lost port.
    stopWatching();
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
    if (watching_) {
        stopWatching();
        ui_.closeWarning(lossBox_);
    }
}

void Form1::portOpenFailed(const std::string& error) {
    if (watching_) {
        watchAgainIn(std::min(2 * watchDelayMs_, kWatchLongestMs));
        return;
    }
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
    lossBox_ =
        ui_.showWarning("The serial device " + port.deviceName() +
                        " went away. The port is closed; the panel opens it again by itself as soon as "
                        "the device is back, or choose a port under \"COM\".");
    watching_ = true;
    watchAgainIn(startInterval(PortWatch));
}

// A device that is back may still refuse us for a moment (udev gives it its group a little after it appears),
// and a server may not accept yet: every failure here is quiet, and the next try comes later. A device is
// tried every second; a network server, whose attempts take time, less often the longer it stays away.
void Form1::watchTick() {
    ui_.timer(PortWatch).setEnabled(false);
    if (!watching_) return;
    SerialPort& port = ui_.port();
    port.applySettings(PortSettings, nullptr);
    // No text wanted: telling why can cost more than trying (it lists the ports present).
    if (!port.open(nullptr)) {
        watchAgainIn(startInterval(PortWatch));
        return;
    }
    if (port.isConnecting()) return; // the outcome comes as portOpened or portOpenFailed
    stopWatching();
    ui_.closeWarning(lossBox_);
}

void Form1::watchAgainIn(int ms) {
    watchDelayMs_ = ms;
    ui_.timer(PortWatch).setInterval(ms);
    ui_.timer(PortWatch).setEnabled(true);
}

void Form1::stopWatching() {
    watching_ = false;
    ui_.timer(PortWatch).setEnabled(false);
}

void Form1::end() {
    if (ui_.port().isOpen()) ui_.port().close();
    ui_.quit();
}

} // namespace q7
