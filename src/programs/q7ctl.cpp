// SPDX-License-Identifier: MIT
// q7ctl: one command to the projectors from a script, or the bridge that puts them on an MQTT broker.
#include "qt/bridge/bridge_app.h"
#include "qt/ctl/ctl_app.h"

#include <string_view>

int main(int argc, char* argv[]) {
    if (argc > 1 && std::string_view(argv[1]) == "bridge") return q7::runBridge(argc, argv);
    return q7::runCtl(argc, argv);
}
