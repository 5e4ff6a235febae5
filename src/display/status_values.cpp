// SPDX-License-Identifier: MIT
#include "display/status_values.h"

#include "display/number_reader.h"
#include "display/status_decoder.h"
#include "display/trace.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace q7 {
namespace {

constexpr auto kKeys = std::to_array<StatusKey>({
    {"power", "CR0"},
    {"input", "CR1"},
    {"picture_reversal", "CR4"},
    {"lamp_hours", "CR3"},
    {"temperatures", "CR6"},
    {"mute", "CRA"},
    {"signal_type", "CR9"},
    {"pressure", "CR PRESSURE"},
    {"lamp_mode", "CR7"},
});

// Codes as the status decoder reads them: the first characters of the reply's trace, " 0 0" for "00".
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

// The readings as they stand in the reply, wherever its separators put them: "035.2,041.8" is 35.2 and 41.8.
std::vector<double> numbersIn(std::string_view reply) {
    std::vector<double> numbers;
    for (std::size_t i = 0; i < reply.size();) {
        const std::size_t end = reply.find_first_not_of("0123456789.", i);
        const std::string_view token = reply.substr(i, end - i);
        if (!token.empty() && std::isdigit(static_cast<unsigned char>(token.front())))
            if (const std::optional<double> n = readNumber(token)) numbers.push_back(*n);
        i = end == std::string_view::npos ? reply.size() : end + 1;
    }
    return numbers;
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

const StatusKey* findStatusKey(std::string_view key) {
    const auto it =
        std::find_if(kKeys.begin(), kKeys.end(), [&](const StatusKey& k) { return k.key == key; });
    return it == kKeys.end() ? nullptr : &*it;
}

StatusValue statusValue(std::string_view key, std::string_view reply) {
    if (reply.empty()) return {};
    const std::string_view body = reply.substr(0, reply.find('\r'));
    const std::string trace = traceText(reply);
    const std::string_view code = std::string_view(trace).substr(0, 4);
    if (key == "power") return text(wordFor(kPower, code));
    if (key == "picture_reversal") return text(wordFor(kReversal, code));
    if (key == "mute") return mute(code);
    if (key == "lamp_mode") return lampMode(code);
    if (key == "signal_type") return text(body);
    if (key == "input")
        return !body.empty() && body.front() >= '1' && body.front() <= '4' ? number(body.front() - '0')
                                                                           : StatusValue{};
    const std::vector<double> numbers = numbersIn(body);
    if (key == "lamp_hours" && numbers.size() == 1) return number(numbers.front());
    if (key == "temperatures" && numbers.size() == 2) {
        StatusValue v;
        v.kind = StatusValue::Kind::Numbers;
        v.numbers = numbers;
        return v;
    }
    if (key == "pressure") {
        std::int16_t hpa = 0;
        const std::optional<std::string> shown = decodeStatusReply("CR PRESSURE\r", "", trace, hpa);
        if (shown && shown->ends_with(" hPa")) return number(hpa);
    }
    return {};
}

} // namespace q7
