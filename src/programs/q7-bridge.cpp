// SPDX-License-Identifier: MIT
// q7-bridge: the projectors of every line of a venue on an MQTT broker.
#include "qt/bridge/bridge_app.h"

int main(int argc, char* argv[]) {
    return q7::runBridge(argc, argv);
}
