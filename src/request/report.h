// SPDX-License-Identifier: MIT
#pragma once
// What q7ctl tells a person, the same under every locale on standard output: each status key with its value
// in words and units; for a button or a typed text the reply as the panel's RXD line shows it; and, for
// standard error, what did not come back.

#include "request/runner.h"

#include <string>
#include <vector>

namespace q7 {

// "lamp_hours: 1234 h", "power: standby", "input: no reply".
std::string plainText(const Request& request, const std::vector<Answer>& answers);
// One note for each exchange that got no reply or half of one.
std::vector<Message> replyNotes(const std::vector<Answer>& answers);

} // namespace q7
