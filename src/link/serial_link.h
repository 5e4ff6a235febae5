// SPDX-License-Identifier: MIT
#pragma once
// The port for the whole run: settings texts and the port-settings panel's options.

#include <string_view>

namespace q7 {

inline constexpr const char* kSettings19200 = "19200,N,8,1";
inline constexpr const char* kSettings9600 = "9600,N,8,1";

// The event code of the receive event that says received characters are waiting.
inline constexpr int kCommEventReceive = 2;

} // namespace q7
