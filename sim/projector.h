// SPDX-License-Identifier: MIT
#pragma once
// One simulated projector: its power cycle, input, mutes, lamps, lamp hours, temperatures and air pressure,
// and the reply it gives to one command. Time is passed in by the caller, so the model runs on any clock.

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace q7sim {

using Millis = std::chrono::milliseconds;

inline constexpr char kAck = '\x06';
inline constexpr char kNak = '\x15';
// Operations and settings that were understood, and everything that was not: both end with CR like every
// other reply, so a listener can always split the line at CR.
inline constexpr std::string_view kAckReply = "\x06\r";
inline constexpr std::string_view kNakReply = "\x15\r";

enum class Power { Standby, CountDown, On, Cooling };
enum class LampMode { TwoLamps, Lamp1Only, Lamp2Only };

struct ProjectorSettings {
    double speed = 1.0;       // 60 makes a minute of the projector's life pass in a second
    Millis countDown{30'000}; // lamp ignition to picture, at speed 1
    Millis coolDown{60'000};  // fans after switch-off, at speed 1
    Millis heatTimeConstant{180'000};
    int lampHours = 1234;
    int pressureReading = 853; // 1013 hPa as the panel converts it
    std::array<bool, 3> signalPresent{true, true, true};
};

class Projector {
  public:
    Projector(std::string id, const ProjectorSettings& settings, Millis now);

    const std::string& id() const { return id_; }

    // The reply to a command (without address and CR), CR included; nothing for an empty command, which a
    // projector takes for line noise.
    std::optional<std::string> answer(std::string_view command, Millis now);

    Power power(Millis now);
    int input() const { return input_; }
    double intakeTemperature(Millis now);
    double exhaustTemperature(Millis now);
    int lampHours(Millis now);

  private:
    void advance(Millis now);
    void runFor(double ms);
    bool lampsLit() const { return power_ == Power::CountDown || power_ == Power::On; }
    std::string operate(int code, Millis now);
    std::string setting(std::string_view command);
    std::optional<std::string> query(std::string_view what, Millis now);

    std::string id_;
    ProjectorSettings settings_;
    Millis clock_;
    Power power_ = Power::Standby;
    Millis transitionAt_{0};
    int input_ = 1;
    bool audioMute_ = false;
    bool videoMute_ = false;
    LampMode lampMode_ = LampMode::TwoLamps;
    double lampMs_ = 0; // projector time with the lamps lit, already scaled by the speed
    double heat_ = 0;   // 0 cold, 1 after a long time with the lamps lit
    std::array<std::string, 3> signalType_{"ANALOG", "DIGITAL", "VIDEO"};
};

} // namespace q7sim
