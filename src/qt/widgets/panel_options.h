// SPDX-License-Identifier: MIT
#pragma once
// q7panel's command line: the two options that name the devices behind port 1 and port 2, the session log,
// and the three that only inform. Read without an application object, so that --help needs no display.

#include "base/message.h"

#include <QStringList>
#include <optional>
#include <string>

namespace q7 {

struct PanelOptions {
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

// The arguments after the program's name; a failure says why they cannot be used.
Result<PanelOptions> parsePanelOptions(const QStringList& args);
Message usageText(const std::string& program);

} // namespace q7
