// SPDX-License-Identifier: MIT
// q7ctl: one command to the projectors from a script; "q7ctl bridge ..." starts q7-bridge.
#include "qt/core/console.h"
#include "qt/ctl/ctl_app.h"

int main(int argc, char* argv[]) {
    q7::prepareConsole();
    return q7::runCtl(argc, argv);
}
