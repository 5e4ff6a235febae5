// SPDX-License-Identifier: MIT
#include "display/status_decoder.h"

#include "display/number_reader.h"
#include "display/status_queries.h"
#include "protocol/frame.h"

namespace q7 {
namespace {

// S1 is the leading blank and received characters 1 to 5; S2 received characters 8 to 11.
constexpr std::size_t kFirstTemperatureLength = 10;
constexpr std::size_t kSecondTemperatureStart = 14; // position 15, counted from 1
constexpr std::size_t kSecondTemperatureLength = 8;

// A reading that the 16-bit arithmetic cannot carry (it does not round into a 16-bit integer, or five times
// it does not fit one) has no pressure: the raw RXD text is shown instead, so the operator sees what came
// rather than a wrong number, and PressureValue keeps its last pressure.
std::string decodePressure(std::string_view rxdText, std::int16_t& pressureValue) {
    const std::string raw(rxdText);
    const std::optional<double> reading = readNumber(rxdText);
    if (!reading) return raw;
    const double rounded = roundHalfEven(*reading);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) return raw;
    const int product = static_cast<int>(rounded) * 5;
    if (product < -32768 || product > 32767) return raw;
    const double pressure = roundHalfEven((product / 1024.0 - 0.204) / 0.00459 + 150.0);
    pressureValue = static_cast<std::int16_t>(pressure); // within -6865..7077 for every product above
    return std::to_string(pressureValue) + " hPa";
}

std::optional<std::string> decode(const StatusKey& query, std::string_view rxdText,
                                  std::int16_t& pressureValue) {
    switch (query.decoding) {
    case Decoding::CodeTable:
        for (const StatusCode& row : query.codes)
            if (row.code == rxdText.substr(0, query.slice)) return std::string(row.text);
        return std::nullopt;
    case Decoding::LampHours:
        return std::string(rxdText.substr(0, query.slice)) + " Hour Use";
    case Decoding::Temperatures: {
        const std::string_view second =
            rxdText.size() > kSecondTemperatureStart
                ? rxdText.substr(kSecondTemperatureStart, kSecondTemperatureLength)
                : std::string_view();
        std::string text = "  S1=";
        text.append(rxdText.substr(0, kFirstTemperatureLength)).append(" C  ,   S2= ").append(second) += " C";
        return text;
    }
    case Decoding::FreeText:
        return std::string(rxdText);
    case Decoding::Pressure:
        return decodePressure(rxdText, pressureValue);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> decodeStatusReply(std::string_view outgoingCommand, std::string_view addressPrefix,
                                             std::string_view rxdText, std::int16_t& pressureValue) {
    // The prefix in force now, not the one the query went out with: a reply that arrives after the operator
    // has chosen another projector is not taken for that projector's answer.
    for (const StatusKey& query : statusKeys())
        if (frameCommand(addressPrefix, query.command) == outgoingCommand)
            return decode(query, rxdText, pressureValue);
    return std::nullopt;
}

bool isCodeTableText(std::string_view text) {
    for (const StatusKey& query : statusKeys())
        for (const StatusCode& row : query.codes)
            if (row.text == text) return true;
    return false;
}

} // namespace q7
