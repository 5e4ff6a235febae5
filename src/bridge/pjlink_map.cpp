// SPDX-License-Identifier: MIT
#include "bridge/pjlink_map.h"

#include "display/status_values.h"

#include <algorithm>

namespace q7 {
namespace {

StatusValue valueOf(const std::vector<Answer>& poll, std::string_view key) {
    for (const Answer& answer : poll)
        if (answer.key && answer.key->key == key) return statusValue(key, answer.exchanged.received);
    return {};
}

// The lamp hours as PJLink counts them, to 99999 at most: digits alone and CR, however many.
std::optional<std::string> lampHours(const std::vector<Answer>& poll) {
    for (const Answer& answer : poll) {
        const std::string& reply = answer.exchanged.received;
        if (!answer.key || answer.key->key != "lamp_hours" || reply.size() < 2 || !reply.ends_with('\r'))
            continue;
        const std::string digits = reply.substr(0, reply.size() - 1);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const std::size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
        return digits.size() - first > 5 ? std::string("99999") : digits.substr(first);
    }
    return std::nullopt;
}

} // namespace

PjlinkState pjlinkState(const std::vector<Answer>& poll, const std::array<std::string, 3>& inputs) {
    PjlinkState state;
    const StatusValue power = valueOf(poll, "power");
    const auto row = std::find_if(kPjlinkPower.begin(), kPjlinkPower.end(),
                                  [&](const PjlinkPowerRow& r) { return r.word == power.text; });
    if (power.kind == StatusValue::Kind::Text && row != kPjlinkPower.end()) {
        state.power = row->power;
        // A dark lamp while the other is lit, in the mode that lights both, is a warning.
        const StatusValue lamps = valueOf(poll, "lamp_mode");
        const bool lampDark = row->power == '1' && lamps.kind == StatusValue::Kind::Lamps &&
                              lamps.text == "2-lamps" && lamps.numbers.size() == 1;
        state.errors = std::string{'0', lampDark ? '1' : row->lamp, row->temperature, '0', '0', row->other};
    }
    if (const StatusValue input = valueOf(poll, "input"); input.kind == StatusValue::Kind::Number) {
        const int mode = static_cast<int>(input.number);
        if (mode >= 1 && mode <= 3)
            state.input = inputs[static_cast<std::size_t>(mode - 1)];
        else if (mode == 4)
            state.input = std::string(kInputModeFour);
    }
    if (const std::optional<std::string> hours = lampHours(poll))
        state.lamp = *hours + (state.power == '1' || state.power == '3' ? " 1" : " 0");
    const StatusValue mutes = valueOf(poll, "mute");
    if (mutes.kind == StatusValue::Kind::Mutes)
        state.mutes = std::string(mutes.video && mutes.audio ? "31"
                                  : mutes.video              ? "11"
                                  : mutes.audio              ? "21"
                                                             : "30");
    else if (mutes.kind == StatusValue::Kind::Text && mutes.text == "standby")
        state.mutes = "";
    state.noSignal = mutes.kind == StatusValue::Kind::Text && mutes.text == "no-signal";
    return state;
}

} // namespace q7
