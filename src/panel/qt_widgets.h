// SPDX-License-Identifier: MIT
#pragma once
// Widget classes of the window: coloured push buttons, held buttons, the trace lines, the picture.
