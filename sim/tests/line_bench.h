// SPDX-License-Identifier: MIT
#pragma once
// A chain of simulated projectors on a virtual clock, and the panel's view of a reply: the RXD line text and
// the slices that the panel's status decoder reads from it.

#include "chain.h"

#include <string>
#include <string_view>
#include <vector>

namespace q7sim::test {

using namespace std::chrono_literals;

struct Bench {
    explicit Bench(std::vector<std::string> ids = {"001"}, ProjectorSettings settings = {},
                   LineFaults faults = {})
        : chain(ids, settings, std::move(faults), Millis(0)) {
        chain.setLog([this](const std::string& line) { log.push_back(line); });
    }

    // Sends a frame (CR appended) now, lets `wait` pass and returns everything the line carried back.
    std::string ask(std::string_view frame, Millis wait = 50ms) {
        chain.receive(std::string(frame) + '\r', now);
        return after(wait);
    }
    std::string after(Millis wait) {
        now += wait;
        return chain.takeDue(now);
    }

    Chain chain;
    Millis now{0};
    std::vector<std::string> log;
};

// The RXD line as the panel draws received bytes: a leading blank, then one piece per byte.
inline std::string rxdText(std::string_view received) {
    std::string text = " ";
    for (const char c : received) {
        const auto code = static_cast<unsigned char>(c);
        if (code == 6)
            text += "ACK ";
        else if (code == 20)
            text += "&";
        else if (code == 13)
            text += "CR ";
        else if (code == 10)
            text += "LF ";
        else if (code >= 32 && code <= 122)
            text += {c, ' '};
        else
            text += "? ";
    }
    return text;
}

// Characters from..to of the RXD text, counted from 1, or as many as there are.
inline std::string slice(const std::string& text, std::size_t from, std::size_t to) {
    if (text.size() < from) return {};
    return text.substr(from - 1, to - from + 1);
}

inline std::string withoutBlanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

} // namespace q7sim::test
