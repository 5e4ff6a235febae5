// SPDX-License-Identifier: MIT
#include "display/status_decoder.h"

#include "display/number_reader.h"
#include "protocol/frame.h"

#include <array>
#include <span>

namespace q7 {
namespace {

// The codes are slices of the RXD line, so they are written in its trace form: " 0 0" is the reply "00".
struct StatusCode {
    std::string_view code;
    std::string_view text;
};

enum class Decoding {
    CodeTable,    // the slice looked up in codes
    LampHours,    // the slice followed by " Hour Use"
    Temperatures, // two slices, S1 and S2
    FreeText,     // the whole RXD text
    Pressure,     // the whole RXD text read as a number
};

struct StatusQuery {
    std::string_view command;
    Decoding decoding;
    std::size_t slice; // leading characters of the RXD text used by CodeTable and LampHours
    std::span<const StatusCode> codes;
};

// The texts are what operators have always read on the STATUS line, spellings and double blanks included.
// clang-format off
constexpr std::array kOperatingState = std::to_array<StatusCode>({
    {" 0 0", " Power ON"},
    {" 8 0", " Stand by"},
    {" 4 0", " Count down"},
    {" 2 0", " Cooling down"},
    {" 1 0", " Power Fail"},
    {" 0 8", " Temperature Warning(Power ON)"},
    {" 0 2", " NO Key input "},
    {" 0 4", " Lamp OFF by PWR Management"},
    {" 2 8", " Temperature Warning & cooling down"},
    {" 2 4", " Lamp OFF & Tempereture Warning by PWR Management"},
    {" 8 8", " Temperature Warning and recoverd"},
    {" 2 1", " Cooling down (All Lamp FAIL)"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)"},
});

constexpr std::array kInputMode = std::to_array<StatusCode>({
    {" 1", " Input mode 1"},
    {" 2", " Input mode 2"},
    {" 3", " Input mode 3"},
    {" 4", " Input mode 4"},
});

constexpr std::array kPictureReversal = std::to_array<StatusCode>({
    {" 1 1", " Normally"},
    {" 1 0", " Top/Bottom reversal"},
    {" 0 1", " Left/Right reversal"},
    {" 0 0", " Top/Bottom , Left/Right reversal"},
});

constexpr std::array kMuteAndSignal = std::to_array<StatusCode>({
    {" 0 0", " Video & Audio mute OFF"},
    {" 0 1", " Video mute ON"},
    {" 0 2", " Audio mute ON"},
    {" 0 3", " Video & Audio mute ON"},
    {" 8 0", " No signal"},
    {" F F", " Stand by"},
});

constexpr std::array kLampMode = std::to_array<StatusCode>({
    {" 0 0", " All OFF : 2 Lamp mode"},
    {" 0 1", " No1 ON  : 2 Lamp mode"},
    {" 0 2", " No2 ON  : 2 Lamp mode"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)"},
});

// Tested in this order; a reply answers the first query whose frame is the last one sent.
constexpr std::array kStatusQueries = std::to_array<StatusQuery>({
    {"CR0",         Decoding::CodeTable,    4,  kOperatingState},
    {"CR1",         Decoding::CodeTable,    2,  kInputMode},
    {"CR4",         Decoding::CodeTable,    4,  kPictureReversal},
    {"CR3",         Decoding::LampHours,    38, {}},
    {"CR6",         Decoding::Temperatures, 0,  {}},
    {"CRA",         Decoding::CodeTable,    4,  kMuteAndSignal},
    {"CR9",         Decoding::FreeText,     0,  {}},
    {"CR PRESSURE", Decoding::Pressure,     0,  {}},
    {"CR7",         Decoding::CodeTable,    4,  kLampMode},
});
// clang-format on

// S1 is the leading blank and received characters 1 to 5; S2 received characters 8 to 11.
constexpr std::size_t kFirstTemperatureLength = 10;
constexpr std::size_t kSecondTemperatureStart = 14; // position 15, counted from 1
constexpr std::size_t kSecondTemperatureLength = 8;

constexpr bool tablesAreConsistent() {
    for (std::size_t q = 0; q < kStatusQueries.size(); ++q) {
        const StatusQuery& query = kStatusQueries[q];
        for (std::size_t other = q + 1; other < kStatusQueries.size(); ++other)
            if (kStatusQueries[other].command == query.command) return false;
        if ((query.decoding == Decoding::CodeTable) == query.codes.empty()) return false;
        for (std::size_t c = 0; c < query.codes.size(); ++c) {
            // a code of another length could never equal the slice
            if (query.codes[c].code.size() != query.slice) return false;
            for (std::size_t other = c + 1; other < query.codes.size(); ++other)
                if (query.codes[other].code == query.codes[c].code) return false;
        }
    }
    return true;
}
static_assert(tablesAreConsistent(), "each query once; codes unique and as long as their slice");

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

std::optional<std::string> decode(const StatusQuery& query, std::string_view rxdText,
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
    for (const StatusQuery& query : kStatusQueries)
        if (frameCommand(addressPrefix, query.command) == outgoingCommand)
            return decode(query, rxdText, pressureValue);
    return std::nullopt;
}

bool isCodeTableText(std::string_view text) {
    for (const StatusQuery& query : kStatusQueries)
        for (const StatusCode& row : query.codes)
            if (row.text == text) return true;
    return false;
}

} // namespace q7
