// SPDX-License-Identifier: MIT
#include "display/status_values.h"

#include "display/number_reader.h"
#include "display/status_decoder.h"
#include "protocol/frame.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace q7 {
namespace {

StatusValue text(std::string_view t) {
    StatusValue v;
    if (!t.empty()) v.kind = StatusValue::Kind::Text, v.text = t;
    return v;
}

StatusValue number(double n) {
    StatusValue v;
    v.kind = StatusValue::Kind::Number;
    v.number = n;
    return v;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits alone, no sign nor point, up to max.
std::optional<std::uint32_t> wholeNumber(std::string_view text, std::uint32_t max) {
    std::uint32_t n = 0;
    if (!allDigits(text)) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (error != std::errc() || n > max) return std::nullopt;
    return n;
}

// Digits, with at most one point and digits on both sides of it: "035.2".
std::optional<double> reading(std::string_view text) {
    const std::size_t point = text.find('.');
    if (!allDigits(text.substr(0, point)) || (point != text.npos && !allDigits(text.substr(point + 1))))
        return std::nullopt;
    return readNumber(text);
}

// The value of a code the table holds: its word, or what its digits carry.
StatusValue codeValue(const StatusKey& key, const StatusCode& row) {
    StatusValue v;
    switch (key.form) {
    case ValueForm::Digit:
        return number(row.code[1] - '0');
    case ValueForm::Mutes:
        if (!row.word.empty()) return text(row.word);
        v.kind = StatusValue::Kind::Mutes;
        v.video = (row.code[3] - '0') & 1;
        v.audio = (row.code[3] - '0') & 2;
        return v;
    case ValueForm::Lamps:
        v.kind = StatusValue::Kind::Lamps;
        v.text = row.word;
        for (const int lamp : {1, 2})
            if ((row.code[3] - '0') & lamp) v.numbers.push_back(lamp);
        return v;
    default:
        return text(row.word);
    }
}

} // namespace

// A value only from a reply of its query's form, CR included: the decoder's looser reading would take a NAK
// to the pressure query for 106 hPa, and "-1" for one lamp hour.
StatusValue statusValue(std::string_view keyName, std::string_view reply) {
    const StatusKey* key = findStatusKey(keyName);
    if (!key || !reply.ends_with('\r')) return {};
    const std::string_view body = reply.substr(0, reply.size() - 1);
    switch (key->form) {
    case ValueForm::Word:
    case ValueForm::Digit:
    case ValueForm::Mutes:
    case ValueForm::Lamps: {
        // A character a code, with the blank the trace puts before it.
        if (body.size() * 2 != key->slice) return {};
        std::string code;
        for (const char c : body)
            code.append({' ', c});
        for (const StatusCode& row : key->codes)
            if (row.code == code) return codeValue(*key, row);
        return {};
    }
    case ValueForm::Count: {
        const std::optional<std::uint32_t> count = wholeNumber(body, 99999);
        return count ? number(*count) : StatusValue{};
    }
    case ValueForm::Readings: {
        const std::size_t comma = body.find(',');
        if (comma == body.npos) return {};
        const std::optional<double> first = reading(body.substr(0, comma)),
                                    second = reading(body.substr(comma + 1));
        if (!first || !second) return {};
        StatusValue v;
        v.kind = StatusValue::Kind::Numbers;
        v.numbers = {*first, *second};
        return v;
    }
    case ValueForm::Text:
        return std::all_of(body.begin(), body.end(), [](char c) { return c >= ' ' && c <= '~'; })
                   ? text(body)
                   : StatusValue{};
    case ValueForm::Pressure:
        // The sensor gives 0 to 1023; up to 6553, five times a reading fits the decoder's 16 bits.
        if (wholeNumber(body, 6553)) {
            std::int16_t hpa = 0;
            const std::optional<std::string> shown =
                decodeStatusReply(frameCommand("", key->command), "", body, hpa);
            if (shown && shown->ends_with(" hPa")) return number(hpa);
        }
        return {};
    }
    return {};
}

} // namespace q7
