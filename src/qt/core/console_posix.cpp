// SPDX-License-Identifier: MIT
#include "qt/core/console.h"

namespace q7 {

void prepareConsole() {}
void releaseConsole() {}

} // namespace q7
