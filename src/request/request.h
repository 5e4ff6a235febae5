// SPDX-License-Identifier: MIT
#pragma once
// What q7ctl is asked to do, read from the words after its options:
//   list | NAME... | send TEXT | status [KEY...] | hold NAME... SECONDS | help [COMMAND]

#include "base/message.h"
#include "display/status_values.h"
#include "link/port_list.h"
#include "protocol/names.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace q7 {

struct Request {
    enum class Kind { List, Button, Send, Status, Hold, Help };
    Kind kind = Kind::List;
    const NamedButton* button = nullptr; // Button, Hold
    std::string text;                    // Send: as typed; Help: the command asked about, if any;
                                         // List: the table listed, none for the buttons
    std::vector<const StatusKey*> keys;  // Status: those named, else all
    int heldMs = 0;                      // Hold
    int windowMs = 0;                    // Send: the reply window, where not the typed text's
    // Status: a projector that leaves one query unanswered is not asked the rest (a poll).
    bool untilUnanswered = false;
};

inline constexpr int kLongestHoldS = 3600;

// A failure is one line for the user: an unknown name with the nearest ones, a button that cannot be held,
// seconds out of range.
Result<Request> parseRequest(const std::vector<std::string>& words, int longestHoldS = kLongestHoldS);
// Seconds of a hold, from 0 (excluded) to longest, as milliseconds.
Result<int> parseSeconds(const std::string& text, int longestS);

struct PortToUse {
    std::string address;
    std::optional<Message> note; // for a port nobody named: which, and why
};
// --port, else $Q7_PORT where it is not empty, else the panel's port 1 among the ports present, said in a
// note, since it may be a port the user never meant (a computer's console).
PortToUse portToUse(const std::optional<std::string>& option, const std::optional<std::string>& environment,
                    const std::function<ChosenPort()>& portOne);

} // namespace q7
