// SPDX-License-Identifier: MIT
#pragma once
// q7ctl's answers as JSON, for --json and for the bridge's messages: the same keys and values everywhere.

#include "ctl/runner.h"

#include <QJsonObject>
#include <QJsonValue>

namespace q7 {

QJsonValue toJson(const StatusValue& value);
// name, frame, outcome, reply (the trace form), hex.
QJsonObject answerJson(const Answer& answer);
// Each status key with outcome, reply, hex, text and value.
QJsonObject statusJson(const std::vector<Answer>& answers);
// A run that came to nothing: {"outcome": "failed" or "usage" or "interrupted", "error": the English text}.
QJsonObject failureJson(const char* outcome, const Message& why);
// The bytes as two hexadecimal digits each, blank between: "06 0D".
QString hexBytes(const std::string& bytes);

} // namespace q7
