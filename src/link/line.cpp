// SPDX-License-Identifier: MIT
#include "link/line.h"

#include <csignal>

namespace q7 {
namespace {

volatile std::sig_atomic_t ending = 0;

} // namespace

int endingSignal() {
    return static_cast<int>(ending);
}

// Only what is safe in a signal handler.
void setEndingSignal(int signo) {
    if (!ending || !signo) ending = signo;
}

} // namespace q7
