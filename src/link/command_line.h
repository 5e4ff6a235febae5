// SPDX-License-Identifier: MIT
#pragma once
// The two options that name the devices behind port 1 and port 2, and the three that only inform.

#include "base/message.h"

#include <optional>
#include <string>
#include <vector>

namespace q7 {

struct CommandLine {
    // As given; a network address among them is known to parse (link/port_address.h).
    std::optional<std::string> com1;
    std::optional<std::string> com2;
    // The session log and its size, as given (read by log/session_log.h).
    std::optional<std::string> log;
    std::optional<std::string> logSize;
    bool listPorts = false;
    bool help = false;
    bool version = false;
};

// A failure says why the arguments cannot be used.
Result<CommandLine> parseCommandLine(const std::vector<std::string>& args);
Message usageText(const std::string& program);

} // namespace q7
