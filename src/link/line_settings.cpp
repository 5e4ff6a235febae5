// SPDX-License-Identifier: MIT
#include "link/line_settings.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <utility>
#include <vector>

namespace q7 {

namespace {

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

std::optional<int> parseNumber(std::string_view field) {
    int value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc() || end != field.data() + field.size() || field.empty() || field.front() == '-')
        return std::nullopt;
    return value;
}

constexpr std::pair<char, Parity> kParities[] = {
    {'N', Parity::None}, {'E', Parity::Even}, {'O', Parity::Odd}, {'M', Parity::Mark}, {'S', Parity::Space}};

} // namespace

ParsedLineSettings parseLineSettings(std::string_view text) {
    ParsedLineSettings result;
    const auto refuse = [](const char* why) { return ParsedLineSettings{LineSettings{}, why}; };
    const std::vector<std::string_view> fields = splitFields(text);
    if (fields.size() != 4) return refuse("expected speed,parity,data bits,stop bits as in \"19200,N,8,1\"");

    const std::optional<int> speed = parseNumber(fields[0]);
    if (!speed || *speed <= 0) return refuse("the speed must be a number of bits per second");
    result.line.speed = *speed;

    bool parityKnown = false;
    if (fields[1].size() == 1)
        for (const auto& [letter, parity] : kParities)
            if (std::toupper(static_cast<unsigned char>(fields[1].front())) == letter) {
                result.line.parity = parity;
                parityKnown = true;
            }
    if (!parityKnown) return refuse("the parity must be one letter: N, E, O, M or S");

    const std::optional<int> dataBits = parseNumber(fields[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8) return refuse("the data bits must be 5, 6, 7 or 8");
    result.line.dataBits = *dataBits;

    if (fields[3] == "1")
        result.line.stopBits = StopBits::One;
    else if (fields[3] == "2")
        result.line.stopBits = StopBits::Two;
    else if (fields[3] == "1.5")
        result.line.stopBits = StopBits::OneAndHalf;
    else
        return refuse("the stop bits must be 1, 1.5 or 2");
    return result;
}

} // namespace q7
