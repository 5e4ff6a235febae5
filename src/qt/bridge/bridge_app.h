// SPDX-License-Identifier: MIT
#pragma once
// q7ctl bridge: every line of a venue on an MQTT broker. Topics, for each LINE and PROJECTOR (single, 001 to
// 004; all for commands only):
//   q7/LINE/PROJECTOR/availability  online or offline, retained
//   q7/LINE/PROJECTOR/state         retained after every poll: what q7ctl status --json prints
//   q7/LINE/PROJECTOR/command       a name, {"send": TEXT} or {"hold": NAME, "seconds": S}; retained ones
//   ignored q7/LINE/PROJECTOR/result        the outcome as q7ctl --json prints it, or {"error": TEXT}
//   q7/bridge/ID/availability       online while the bridge runs, offline by its last will or a clean stop
// and Home Assistant's discovery under its prefix.

#include <string>
#include <vector>

namespace q7 {

// From main's arguments ("q7ctl bridge ...") to the exit status.
int runBridge(int argc, char* argv[]);

} // namespace q7
