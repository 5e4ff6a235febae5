// SPDX-License-Identifier: MIT
#include "request/json.h"

#include "display/trace.h"

#include <cmath>

namespace q7 {
namespace {

Json number(double n) {
    constexpr double kExact = 9007199254740992.0; // 2^53: every whole double below is exact as an integer
    if (std::isfinite(n) && std::trunc(n) == n && std::fabs(n) < kExact) return static_cast<std::int64_t>(n);
    return n;
}

Json numbers(const std::vector<double>& values) {
    Json out = Json::array();
    for (const double n : values)
        out.push_back(number(n));
    return out;
}

} // namespace

std::string fromLatin1(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string toLatin1(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (length == 2 && b >= 0xC2 && i + 1 < utf8.size())
            out += static_cast<char>(((b & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        else
            out += length == 1 ? static_cast<char>(b) : '?';
        i += length;
    }
    return out;
}

Json toJson(const StatusValue& value) {
    switch (value.kind) {
    case StatusValue::Kind::None:
        break;
    case StatusValue::Kind::Number:
        return number(value.number);
    case StatusValue::Kind::Text:
        return fromLatin1(value.text);
    case StatusValue::Kind::Numbers:
        return numbers(value.numbers);
    case StatusValue::Kind::Mutes:
        return {{"video", value.video}, {"audio", value.audio}};
    case StatusValue::Kind::Lamps:
        return {{"lamps_lit", numbers(value.numbers)}, {"mode", fromLatin1(value.text)}};
    }
    return nullptr;
}

std::string hexBytes(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

Json answerJson(const Answer& answer) {
    return {{"name", answer.name},
            {"frame", fromLatin1(answer.exchanged.frame)},
            {"outcome", outcomeName(answer.exchanged.outcome)},
            {"reply", fromLatin1(traceText(answer.exchanged.received))},
            {"hex", hexBytes(answer.exchanged.received)}};
}

Json failureJson(const char* outcome, const Message& why) {
    return {{"outcome", outcome}, {"error", why.english()}};
}

Json statusJson(const std::vector<Answer>& answers) {
    Json status = Json::object();
    for (const Answer& a : answers) {
        Json one = answerJson(a);
        one.erase("name");
        one.erase("frame");
        one["text"] = a.statusText ? Json(fromLatin1(*a.statusText)) : Json(nullptr);
        one["value"] = toJson(statusValue(a.key->key, a.exchanged.received));
        status[std::string(a.key->key)] = std::move(one);
    }
    return status;
}

std::string compact(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

} // namespace q7
