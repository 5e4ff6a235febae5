// SPDX-License-Identifier: MIT
#include "display/trace.h"

#include "panel/form.h"

namespace q7 {

std::string traceText(std::string_view source) {
    std::string trace;
    trace.reserve(1 + 2 * source.size() + 2);
    trace += ' ';
    for (char ch : source) {
        const auto code = static_cast<unsigned char>(ch);
        if (code == 6) {
            trace += "ACK ";
        } else if (code == 20) {
            trace += '&';
        } else if (code == 13) {
            trace += "CR ";
        } else if (code == 10) {
            trace += "LF ";
        } else if (code >= 32 && code <= 122) {
            trace += ch;
            trace += ' ';
        } else {
            trace += "? ";
        }
    }
    return trace;
}

void Form1::Hyouji(const std::string& text, std::uint8_t mode) {
    if (mode == 1) {
        // A closed port or a failed write sends nothing; the rest still runs, so the reply window marks the
        // missing reply like any other.
        ui_.port().write(text);
        ui_.setText("Label11", traceText(text));
        ui_.timer(2).setEnabled(true);
        AwaitingReply = 1;
        ui_.timer(4).setEnabled(true);
        return;
    }
    ui_.setText("Label12", traceText(text));
    decodeStatus();
}

void Form1::replyWindowEnds() {
    if (AwaitingReply == 1) ui_.setText("Label12", std::string(kNoReply));
    ui_.timer(2).setEnabled(false);
    ReceiveBuffer.clear();
    AwaitingReply = 0;
}

void Form1::clearLines() {
    ui_.setText("Label11", "");
    ui_.setText("Label12", "");
    ui_.setText("Label22", "");
    ui_.timer(4).setEnabled(false);
}

void Form1::timerTick(int timer) {
    switch (timer) {
    case 1:
        repeatTick();
        break;
    case 2:
        replyWindowEnds();
        break;
    case 3:
        hidePortPanel();
        ui_.timer(3).setEnabled(false);
        break;
    case 4:
        clearLines();
        break;
    default:
        break;
    }
}

} // namespace q7
