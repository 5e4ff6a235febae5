// SPDX-License-Identifier: MIT
#pragma once
// The simulator's command line.

#include "chain.h"

#include <optional>
#include <string>
#include <vector>

namespace q7sim {

struct SimOptions {
    std::optional<std::string> device; // a real serial device instead of a pseudo-terminal
    int baud = 19200;                  // of that device
    std::optional<int> tcpPort;        // raw TCP instead; 0: a free port
    // Where that port listens: an IPv4 or IPv6 literal.
    std::string bindAddress = "127.0.0.1";
    std::vector<std::string> ids{"001"};
    ProjectorSettings projector;
    LineFaults faults;
    std::optional<std::string> logFile; // stderr when unset
    bool quiet = false;
    bool help = false;
    bool version = false;
    std::string error; // non-empty: the arguments could not be used
};

SimOptions parseSimOptions(const std::vector<std::string>& args);
std::string simUsage(const std::string& program);

} // namespace q7sim
