// SPDX-License-Identifier: MIT
#include "link/line_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
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

} // namespace

Result<LineSettings> parseLineSettings(std::string_view text) {
    LineSettings line;
    const std::vector<std::string_view> fields = splitFields(text);
    if (fields.size() != 4)
        return failure(
            Message(Text::q7tr("expected speed,parity,data bits,stop bits as in \"19200,N,8,1\"")));

    const std::optional<int> speed = parseNumber(fields[0]);
    if (!speed || *speed <= 0)
        return failure(Message(Text::q7tr("the speed must be a number of bits per second")));
    line.speed = *speed;

    const std::size_t parity = fields[1].size() == 1 ? kParityLetters.find(static_cast<char>(std::toupper(
                                                           static_cast<unsigned char>(fields[1].front()))))
                                                     : std::string_view::npos;
    if (parity == std::string_view::npos)
        return failure(Message(Text::q7tr("the parity must be one letter: N, E, O, M or S")));
    line.parity = static_cast<Parity>(parity);

    const std::optional<int> dataBits = parseNumber(fields[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8)
        return failure(Message(Text::q7tr("the data bits must be 5, 6, 7 or 8")));
    line.dataBits = *dataBits;

    if (fields[3] == "1")
        line.stopBits = StopBits::One;
    else if (fields[3] == "2")
        line.stopBits = StopBits::Two;
    else if (fields[3] == "1.5")
        line.stopBits = StopBits::OneAndHalf;
    else
        return failure(Message(Text::q7tr("the stop bits must be 1, 1.5 or 2")));
    return line;
}

std::string settingsText(const LineSettings& line) {
    const char* stop = line.stopBits == StopBits::Two          ? "2"
                       : line.stopBits == StopBits::OneAndHalf ? "1.5"
                                                               : "1";
    return std::to_string(line.speed) + "," + kParityLetters[static_cast<std::size_t>(line.parity)] + "," +
           std::to_string(line.dataBits) + "," + stop;
}

long long microsecondsPerCharacter(const LineSettings& line) {
    const int bits =
        1 + line.dataBits + (line.parity == Parity::None ? 0 : 1) + (line.stopBits == StopBits::One ? 1 : 2);
    return std::max(1LL, 1'000'000LL * bits / std::max(1, line.speed));
}

} // namespace q7
