// SPDX-License-Identifier: MIT
// What goes out and what comes back: Hyouji, sending, the reply window, the clearing of the lines, the
// status decoding and the CMD box.
#include "display/status_decoder.h"
#include "display/trace.h"
#include "panel/form.h"
#include "protocol/command_catalogue.h"
#include "protocol/frame.h"

namespace q7 {

void Form1::Hyouji(const std::string& text, HyoujiMode mode) {
    if (mode == HyoujiMode::Transmit) {
        // A closed port or a failed write sends nothing; the rest still runs, so the reply window marks the
        // missing reply like any other.
        ui_.port().write(text);
        ui_.setText(Label11, traceText(text));
        ui_.timer(Timer2).setEnabled(true);
        AwaitingReply = 1;
        ui_.timer(Timer4).setEnabled(true);
        return;
    }
    ui_.setText(Label12, traceText(text));
    decodeStatus();
}

void Form1::send(std::string_view command) {
    OutgoingCommand = frameCommand(AddressPrefix, command);
    Hyouji(OutgoingCommand, HyoujiMode::Transmit);
}

void Form1::selectProjector(std::string_view prefix) {
    AddressPrefix = prefix;
}

void Form1::replyWindowEnds() {
    if (AwaitingReply == 1) ui_.setText(Label12, std::string(kNoReply));
    ui_.timer(Timer2).setEnabled(false);
    ReceiveBuffer.clear();
    AwaitingReply = 0;
}

void Form1::clearLines() {
    ui_.setText(Label11, "");
    ui_.setText(Label12, "");
    ui_.setText(Label22, "");
    ui_.timer(Timer4).setEnabled(false);
}

void Form1::decodeStatus() {
    if (auto status = decodeStatusReply(OutgoingCommand, AddressPrefix, ui_.text(Label12), PressureValue))
        ui_.setText(Label22, *status);
}

void Form1::sendTyped() {
    ui_.timer(Timer2).setInterval(intervalsFor(kTypedSendClass)->replyTimeout);
    ui_.timer(Timer4).setInterval(intervalsFor(kTypedSendClass)->clearing);
    // Sent exactly as typed: no trimming, no change of case, an empty box sends a bare CR.
    send(ui_.text(Text1));
}

void Form1::clearTyped() {
    ui_.setText(Text1, "");
}

} // namespace q7
