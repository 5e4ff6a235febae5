// SPDX-License-Identifier: MIT
#pragma once
// PJLink (classes 1 and 2) as a projector speaks it: a command line read, a reply line, the authentication's
// random and digest, and the UDP search's answer and the status notifications. What a command does is the
// projector's (bridge/pjlink_front.h); the connection's rules are the session's (pjlink/session.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace q7::pjlink {

inline constexpr int kPort = 4352;
// A command line, "%" to CR, not counting a digest in front of it.
inline constexpr std::size_t kLongestCommand = 136;
inline constexpr std::size_t kDigestChars = 32;
inline constexpr std::size_t kLongestPassword = 32;
// A connection without a command for this long is closed.
inline constexpr int kIdleMs = 30000;

struct Command {
    char pjClass = '1'; // '1' or '2', as the request said it; the reply says it again
    std::string body;   // four characters, upper case: "POWR"
    std::string param;  // what follows the blank: "1", "?", "?31"
};

// "%1POWR=OK\r"
std::string replyLine(const Command& command, std::string_view value);

// MD5 as 32 lower-case hex digits.
std::string md5Hex(std::string_view text);
// A connection's random: 8 lower-case hex digits from the system's secure source.
std::string newRandom();

// A locally administered unicast MAC address for a projector, the same for every start of the bridge:
// "0A:1B:2C:3D:4E:5F".
std::string macAddress(std::string_view bridgeId, std::string_view line, std::string_view projector);
// Whether a datagram is a search ("%2SRCH" and CR).
bool isSearch(std::string_view datagram);
// "%2ACKN=0A:1B:2C:3D:4E:5F\r"
std::string searchAnswer(std::string_view mac);
// "%2POWR=1\r", "%2LKUP=0A:1B:2C:3D:4E:5F\r"
std::string notification(std::string_view body, std::string_view value);

} // namespace q7::pjlink
