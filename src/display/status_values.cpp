// SPDX-License-Identifier: MIT
#include "display/status_values.h"

#include "display/number_reader.h"
#include "display/status_decoder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace q7 {
namespace {

constexpr auto kKeys = std::to_array<StatusKey>({
    {"power", "CR0", ""},
    {"input", "CR1", ""},
    {"picture_reversal", "CR4", ""},
    {"lamp_hours", "CR3", " h"},
    {"temperatures", "CR6", " °C"},
    {"mute", "CRA", ""},
    {"signal_type", "CR9", ""},
    {"pressure", "CR PRESSURE", " hPa"},
    {"lamp_mode", "CR7", ""},
});

// Codes in the status decoder's form, " 0 0" for the reply "00".
struct Word {
    std::string_view code;
    std::string_view word;
};

// clang-format off
constexpr auto kPower = std::to_array<Word>({
    {" 0 0", "on"}, {" 8 0", "standby"}, {" 4 0", "count-down"}, {" 2 0", "cooling-down"}, {" 1 0", "power-fail"},
    {" 0 8", "on-temperature-warning"}, {" 0 2", "no-key-input"}, {" 0 4", "lamp-off-power-management"},
    {" 2 8", "cooling-down-temperature-warning"}, {" 2 4", "lamp-off-temperature-warning"},
    {" 8 8", "temperature-warning-recovered"}, {" 2 1", "cooling-down-lamp-failure"},
    {" 8 1", "standby-lamp-failure"},
});
constexpr auto kReversal = std::to_array<Word>({
    {" 1 1", "normal"}, {" 1 0", "top-bottom"}, {" 0 1", "left-right"}, {" 0 0", "both"},
});
// clang-format on

std::string_view wordFor(std::span<const Word> words, std::string_view code) {
    const auto it = std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.code == code; });
    return it == words.end() ? std::string_view() : it->word;
}

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

StatusValue mute(std::string_view code) {
    if (code == " 8 0") return text("no-signal");
    if (code == " F F") return text("standby");
    StatusValue v;
    if (code.size() != 4 || code[1] != '0' || code[3] < '0' || code[3] > '3') return v;
    v.kind = StatusValue::Kind::Mutes;
    v.video = (code[3] - '0') & 1;
    v.audio = (code[3] - '0') & 2;
    return v;
}

// The first digit is the mode (0 both lamps, 1 or 2 that lamp alone), the second the lamps lit (bit 0 lamp 1,
// bit 1 lamp 2); only the combinations the lamp table holds.
StatusValue lampMode(std::string_view code) {
    constexpr std::array<std::string_view, 8> kCodes = {" 0 0", " 0 1", " 0 2", " 0 3",
                                                        " 1 0", " 1 1", " 2 0", " 2 2"};
    StatusValue v;
    if (std::find(kCodes.begin(), kCodes.end(), code) == kCodes.end()) return v;
    const int mode = code[1] - '0', lit = code[3] - '0';
    v.kind = StatusValue::Kind::Lamps;
    v.text = mode == 0 ? "2-lamps" : mode == 1 ? "lamp-1" : "lamp-2";
    for (const int lamp : {1, 2})
        if (lit & lamp) v.numbers.push_back(lamp);
    return v;
}

} // namespace

std::span<const StatusKey> statusKeys() {
    return kKeys;
}

std::vector<std::string_view> operatingStates() {
    std::vector<std::string_view> words;
    for (const Word& w : kPower)
        words.push_back(w.word);
    return words;
}

const StatusKey* findStatusKey(std::string_view key) {
    const auto it =
        std::find_if(kKeys.begin(), kKeys.end(), [&](const StatusKey& k) { return k.key == key; });
    return it == kKeys.end() ? nullptr : &*it;
}

// A value only from a reply of its query's form, CR included: the decoder's looser reading would take a NAK
// to the pressure query for 106 hPa, and "-1" for one lamp hour.
StatusValue statusValue(std::string_view key, std::string_view reply) {
    if (!reply.ends_with('\r')) return {};
    const std::string_view body = reply.substr(0, reply.size() - 1);
    if (key == "power" || key == "picture_reversal" || key == "mute" || key == "lamp_mode") {
        if (body.size() != 2) return {};
        const std::string code = {' ', body[0], ' ', body[1]}; // as the tables write it
        if (key == "power") return text(wordFor(kPower, code));
        if (key == "picture_reversal") return text(wordFor(kReversal, code));
        return key == "mute" ? mute(code) : lampMode(code);
    }
    if (key == "input")
        return body.size() == 1 && body[0] >= '1' && body[0] <= '4' ? number(body[0] - '0') : StatusValue{};
    if (key == "lamp_hours") {
        const std::optional<std::uint32_t> hours = wholeNumber(body, 99999);
        return hours ? number(*hours) : StatusValue{};
    }
    if (key == "temperatures") {
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
    if (key == "signal_type")
        return std::all_of(body.begin(), body.end(), [](char c) { return c >= ' ' && c <= '~'; })
                   ? text(body)
                   : StatusValue{};
    // The sensor gives 0 to 1023; up to 6553, five times a reading fits the decoder's 16 bits.
    if (key == "pressure" && wholeNumber(body, 6553)) {
        std::int16_t hpa = 0;
        const std::optional<std::string> shown = decodeStatusReply("CR PRESSURE\r", "", body, hpa);
        if (shown && shown->ends_with(" hPa")) return number(hpa);
    }
    return {};
}

} // namespace q7
