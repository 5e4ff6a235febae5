// SPDX-License-Identifier: MIT
#pragma once
// q7-bridge: every line of a venue on an MQTT broker, the venue (bridge/venue.h) carried by libmosquitto.
// Its topics are listed in its help.

#include <string>
#include <vector>

namespace q7 {

// From main's arguments ("q7-bridge ...") to the exit status.
int runBridge(int argc, char* argv[]);

} // namespace q7
