// SPDX-License-Identifier: MIT
#pragma once
// What q7ctl is asked to do, read from the words after its options:
//   list | NAME... | send TEXT | status [KEY...] | hold NAME... SECONDS

#include "display/status_values.h"
#include "link/message.h"
#include "protocol/names.h"

#include <string>
#include <vector>

namespace q7 {

struct Request {
    enum class Kind { List, Button, Send, Status, Hold };
    Kind kind = Kind::List;
    const NamedButton* button = nullptr; // Button, Hold
    std::string text;                    // Send: as typed
    std::vector<const StatusKey*> keys;  // Status: those named, else all nine
    int heldMs = 0;                      // Hold
};

inline constexpr int kLongestHoldS = 3600;

// A failure is one line for the user: an unknown name with the nearest ones, a button that cannot be held,
// seconds out of range.
Result<Request> parseRequest(const std::vector<std::string>& words, int longestHoldS = kLongestHoldS);
// Seconds of a hold, from 0 (excluded) to longest, as milliseconds.
Result<int> parseSeconds(const std::string& text, int longestS);

} // namespace q7
