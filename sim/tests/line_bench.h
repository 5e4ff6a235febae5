// SPDX-License-Identifier: MIT
#pragma once
// A chain of simulated projectors on a virtual clock, its options set as the command line would.

#include "chain.h"

#include <functional>
#include <string>
#include <string_view>

namespace q7sim::test {

using namespace std::chrono_literals;

struct Bench {
    explicit Bench(const std::function<void(LineFaults&, ProjectorSettings&)>& set = {}) : chain(make(set)) {}

    // Sends a frame (CR appended) now, lets `wait` pass and returns everything the line carried back.
    std::string ask(std::string_view frame, Millis wait = 50ms) {
        chain.receive(std::string(frame) + '\r', now);
        return after(wait);
    }
    std::string after(Millis wait) { return chain.takeDue(now += wait); }

    static Chain make(const std::function<void(LineFaults&, ProjectorSettings&)>& set) {
        LineFaults faults;
        ProjectorSettings settings;
        if (set) set(faults, settings);
        return Chain({"001"}, settings, faults, Millis(0));
    }
    Chain chain;
    Millis now{0};
};

} // namespace q7sim::test
