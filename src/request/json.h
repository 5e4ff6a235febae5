// SPDX-License-Identifier: MIT
#pragma once
// q7ctl's answers as JSON, for --json and for the bridge's messages: the same keys and values everywhere.
// Whole numbers are written as integers.

#include "request/runner.h"

#include <nlohmann/json.hpp>
#include <string>

namespace q7 {

using Json = nlohmann::json;

Json toJson(const StatusValue& value);
// name, frame, outcome, reply (the trace form), hex.
Json answerJson(const Answer& answer);
// Each status key with outcome, reply, hex, text and value.
Json statusJson(const std::vector<Answer>& answers);
// A run that came to nothing: {"outcome": "failed" or "usage" or "interrupted", "error": the English text}.
Json failureJson(const char* outcome, const Message& why);
// The bytes as two hexadecimal digits each, blank between: "06 0D".
std::string hexBytes(const std::string& bytes);
// Bytes from the line, each its own character: the line speaks Latin-1, JSON UTF-8.
std::string fromLatin1(std::string_view bytes);
// Text for the line: a character beyond Latin-1 becomes "?", as it cannot be sent.
std::string toLatin1(std::string_view utf8);
// One line without blanks; text that is not UTF-8 (a publisher's payload echoed) is mended, never refused.
std::string compact(const Json& json);

} // namespace q7
