// SPDX-License-Identifier: MIT
// q7ctl: one command to the projectors from a script.
#include "qt/ctl/ctl_app.h"

int main(int argc, char* argv[]) {
    return q7::runCtl(argc, argv);
}
