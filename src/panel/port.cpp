// SPDX-License-Identifier: MIT
// The port for the whole run: port switch, speed change, the port-settings panel, the receive event, what the
// line's supervisor reports, and "END".
#include "panel/form.h"

#include <algorithm>

namespace q7 {

void Form1::usePort(int number) {
    portNumber_ = number;
    ui_.port().setAddress(ui_.device(number));
}

void Form1::portSwitch(int target, int fallback) {
    // Choosing the port that is still connecting would only start the connection again.
    if (target == portNumber_ && ui_.port().isConnecting()) return;
    // The user's choice ends any watch for a lost port.
    line_.close();
    pending_ = Pending::None;
    usePort(target);
    // Always try the chosen port: a switch that left the port closed must never look as if it had worked.
    const Result<Line::Opening> opening = line_.open();
    if (!opening) {
        ui_.showWarning(opening.error());
        usePort(fallback);
        return;
    }
    if (*opening == Line::Opening::Pending) {
        pending_ = Pending::Switch;
        switchFallback_ = fallback;
        return;
    }
    hidePortPanel();
}

// A port that is not there at start-up (an adapter not yet plugged in, a server not yet up) is watched like a
// lost one.
void Form1::openFailed(const Message& why) {
    const Pending pending = std::exchange(pending_, Pending::None);
    if (pending == Pending::StartUp) {
        outageBox_ = ui_.showWarning(
            Message(Text::q7tr("%1 The panel connects by itself as soon as the port is there, "
                               "or choose a port under \"COM\"."),
                    {why}));
        line_.watch();
    } else if (pending == Pending::Switch) {
        ui_.showWarning(why);
        usePort(switchFallback_);
    }
}

void Form1::opened() {
    if (std::exchange(pending_, Pending::None) != Pending::None) hidePortPanel();
}

void Form1::lost(const Message& why) {
    pending_ = Pending::None;
    outageBox_ = ui_.showWarning(
        Message(Text::q7tr("The serial device %1 went away: %2. The port is closed; the panel opens it "
                           "again by itself as soon as the device is back, or choose a port under "
                           "\"COM\"."),
                {Message::verbatim(ui_.port().address()), why}));
}

void Form1::back() {
    ui_.closeWarning(outageBox_);
}

void Form1::settingsFailed(const Message& why) {
    ui_.showWarning(why);
}

void Form1::speedChange(std::string_view settings) {
    PortSettings = settings;
    if (const Result<> applied = ui_.port().applySettings(PortSettings); !applied) {
        ui_.showWarning(applied.error());
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

void Form1::received() {
    comm(kCommEventReceive);
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

void Form1::end() {
    line_.close();
    ui_.quit();
}

} // namespace q7
