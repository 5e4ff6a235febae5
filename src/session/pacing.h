// SPDX-License-Identifier: MIT
#pragma once
// The guard of a held button's repeats: frames that have not left the line yet would keep the lens moving
// after the release, so a repeat that finds the line still busy with the hold writes nothing, and the next
// one tries again. Over a network the line counts what the server still has to send at the line's speed, so
// the repeats are paced to the far line.

#include "link/line.h"

namespace q7 {

inline bool lineIsBusy(const Line& line) {
    return line.isOpen() && line.pendingOutput() > 0;
}

} // namespace q7
