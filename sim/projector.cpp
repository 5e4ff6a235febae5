// SPDX-License-Identifier: MIT
#include "projector.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace q7sim {

namespace {

constexpr double kAmbient = 24.0;
constexpr double kIntakeRise = 9.0;
constexpr double kExhaustRise = 24.0;

bool isUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
int hexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// clang-format off
constexpr std::array<std::string_view, 7> kPictures{"STAND", "REAL", "CINEMA", "IMAGE1", "IMAGE2", "IMAGE3",
                                                    "IMAGE4"};
constexpr std::array<std::string_view, 8> kSignals{"DIGITAL", "ANALOG", "VIDEO", "YPBPR", "YCBCR", "S-VIDEO",
                                                   "YC", "HD-SDI"};
constexpr std::array<std::string_view, 2> kFanSpeeds{"MAX", "NOR"};
// clang-format on

template <std::size_t N> bool oneOf(const std::array<std::string_view, N>& words, std::string_view word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

std::string withCr(std::string text) {
    return text + '\r';
}

Millis scaled(Millis duration, double speed) {
    return Millis(static_cast<Millis::rep>(std::llround(static_cast<double>(duration.count()) / speed)));
}

} // namespace

Projector::Projector(std::string id, const ProjectorSettings& settings, Millis now)
    : id_(std::move(id)), settings_(settings), clock_(now) {}

void Projector::runFor(double ms) {
    if (ms <= 0) return;
    const double scaledMs = ms * settings_.speed;
    if (lampsLit()) lampMs_ += scaledMs;
    // Exact for any split of the interval, so the temperatures do not depend on how often they are asked.
    const double target = lampsLit() ? 1.0 : 0.0;
    const double tau = static_cast<double>(settings_.heatTimeConstant.count());
    heat_ = target + (heat_ - target) * std::exp(-scaledMs / tau);
}

void Projector::advance(Millis now) {
    while ((power_ == Power::CountDown || power_ == Power::Cooling) && transitionAt_ <= now) {
        runFor(static_cast<double>((transitionAt_ - clock_).count()));
        clock_ = std::max(clock_, transitionAt_);
        power_ = power_ == Power::CountDown ? Power::On : Power::Standby;
    }
    if (now > clock_) {
        runFor(static_cast<double>((now - clock_).count()));
        clock_ = now;
    }
}

Power Projector::power(Millis now) {
    advance(now);
    return power_;
}

double Projector::intakeTemperature(Millis now) {
    advance(now);
    return kAmbient + kIntakeRise * heat_;
}

double Projector::exhaustTemperature(Millis now) {
    advance(now);
    return kAmbient + kExhaustRise * heat_;
}

int Projector::lampHours(Millis now) {
    advance(now);
    return settings_.lampHours + static_cast<int>(lampMs_ / 3'600'000.0);
}

std::optional<std::string> Projector::answer(std::string_view command, Millis now) {
    advance(now);
    if (command.empty()) return std::nullopt;
    if (command.size() == 3 && command[0] == 'C' && isUpperHex(command[1]) && isUpperHex(command[2]))
        return operate(hexValue(command[1]) * 16 + hexValue(command[2]), now);
    if (command.starts_with("CF ")) return setting(command.substr(3));
    if (command.starts_with("CR")) {
        if (auto reply = query(command.substr(2), now)) return reply;
    }
    return std::string(kNakReply);
}

std::string Projector::operate(int code, Millis now) {
    switch (code) {
    case 0x00:
        if (power_ == Power::Standby) {
            power_ = Power::CountDown;
            transitionAt_ = now + scaled(settings_.countDown, settings_.speed);
        }
        break;
    case 0x01:
        if (lampsLit()) {
            power_ = Power::Cooling;
            transitionAt_ = now + scaled(settings_.coolDown, settings_.speed);
        }
        break;
    case 0x05:
    case 0x06:
    case 0x07:
        input_ = code - 0x04;
        break;
    case 0x0B:
    case 0x0C:
        audioMute_ = code == 0x0B;
        break;
    case 0x0D:
    case 0x0E:
        videoMute_ = code == 0x0D;
        break;
    case 0x70:
        lampMode_ = LampMode::TwoLamps;
        break;
    case 0x71:
        lampMode_ = LampMode::Lamp1Only;
        break;
    case 0x72:
        lampMode_ = LampMode::Lamp2Only;
        break;
    default:
        break; // picture, lens and menu operations change nothing that can be asked back
    }
    return std::string(kAckReply);
}

std::string Projector::setting(std::string_view command) {
    const auto blank = command.find(' ');
    if (blank == std::string_view::npos) return std::string(kNakReply);
    const std::string_view object = command.substr(0, blank);
    const std::string_view value = command.substr(blank + 1);
    if (object == "IMAGE" && oneOf(kPictures, value)) return std::string(kAckReply);
    if (object == "FANSPEED" && oneOf(kFanSpeeds, value)) return std::string(kAckReply);
    if (object.size() == 6 && object.starts_with("INPUT") && object[5] >= '1' && object[5] <= '3' &&
        oneOf(kSignals, value)) {
        signalType_[static_cast<std::size_t>(object[5] - '1')] = std::string(value);
        return std::string(kAckReply);
    }
    return std::string(kNakReply);
}

std::optional<std::string> Projector::query(std::string_view what, Millis now) {
    if (what == "0") {
        switch (power_) {
        case Power::Standby:
            return withCr("80");
        case Power::CountDown:
            return withCr("40");
        case Power::On:
            return withCr("00");
        case Power::Cooling:
            return withCr("20");
        }
    }
    if (what == "1") return withCr(std::to_string(input_));
    if (what == "3") return withCr(std::to_string(lampHours(now)));
    if (what == "4") return withCr("11"); // the picture is neither flipped nor mirrored
    if (what == "6") {
        // Two fixed-width fields "TTT.T,TTT.T": the panel shows the five characters of the first and the
        // last four of the second, which is all of it below 100 degrees.
        char text[32];
        std::snprintf(text, sizeof text, "%05.1f,%05.1f", intakeTemperature(now), exhaustTemperature(now));
        return withCr(text);
    }
    if (what == "7") {
        const bool lit = lampsLit();
        switch (lampMode_) {
        case LampMode::TwoLamps:
            return withCr(lit ? "03" : "00");
        case LampMode::Lamp1Only:
            return withCr(lit ? "11" : "10");
        case LampMode::Lamp2Only:
            return withCr(lit ? "22" : "20");
        }
    }
    if (what == "9") return withCr(signalType_[static_cast<std::size_t>(input_ - 1)]);
    if (what == "A") {
        if (!lampsLit()) return withCr("FF");
        const int mutes = (videoMute_ ? 1 : 0) + (audioMute_ ? 2 : 0);
        if (mutes == 0 && !settings_.signalPresent[static_cast<std::size_t>(input_ - 1)]) return withCr("80");
        // Two characters rather than "0" + std::to_string(), which GCC 12 misreads at -O3 (-Wrestrict).
        return withCr({'0', static_cast<char>('0' + mutes)});
    }
    if (what == " PRESSURE") return withCr(std::to_string(settings_.pressureReading));
    if (what == " INFPFAIL") return withCr("00"); // no power failure recorded
    return std::nullopt;
}

} // namespace q7sim
