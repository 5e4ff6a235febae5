// SPDX-License-Identifier: MIT
#pragma once
// q7-bridge: every line of a venue on an MQTT broker, the venue (bridge/venue.h) carried by libmosquitto.
// Its topics are listed in its help.

#include "bridge/config.h"

#include <QStringList>

namespace q7 {

// The arguments after the program's name: the flags of bridge/config.h, or --config FILE alone. --help and
// --version are the first argument's alone, and come before this.
Result<BridgeConfig> parseBridgeCommandLine(const QStringList& args);

// From main's arguments ("q7-bridge ...") to the exit status.
int runBridge(int argc, char* argv[]);

} // namespace q7
