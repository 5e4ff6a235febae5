// SPDX-License-Identifier: MIT
#pragma once
// What a bridge serves: one broker, one or many lines, each a device or a serial device server with its speed
// and its projectors. From the command line or from a TOML file; every value is checked at start, and a
// file's faults name the file and the line.

#include "base/message.h"
#include "protocol/frame.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace q7 {

// Where a front listens: a numeric IPv4 or IPv6 address and a port.
struct Endpoint {
    std::string host;
    int port = 0;
    // "10.0.5.21:4352", "[::1]:4001"
    std::string text() const;
    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

struct PjlinkAddress {
    std::string projector;
    Endpoint at;
};

struct BridgeLine {
    std::string name; // unique in a venue: lower-case letters, digits, - and _ (a name must not reach into
                      // other topics)
    std::string port; // a device or a socket:// or rfc2217:// URL
    std::string settings = std::string(kSpeedOptions[0].settings);
    std::vector<std::string> projectors{"single"};    // "single", or some of 001 to 004
    std::string log;                                  // a session log of the line, if wanted
    std::vector<PjlinkAddress> pjlink{};              // a PJLink server for some of its projectors
    std::map<std::string, std::string> pjlinkNames{}; // NAME's answer by projector, else "LINE PROJECTOR"
    std::array<std::string, 3> pjlinkInputs{"11", "21", "31"}; // PJLink's input for input modes 1 to 3
    std::optional<Endpoint> passthrough{};                     // raw frames from TCP clients
    std::string pjlinkName(const std::string& projector) const;
};

struct BridgeConfig {
    std::string broker; // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    std::string caFile;
    std::string username, password; // never from the command line: from the file or the environment
    std::string id; // the bridge's own name in topics and unique ids; the host name by default
    std::string discoveryPrefix = "homeassistant";
    int pollSeconds = 30;
    std::uint64_t logBytes = 10 * 1024 * 1024; // each line's log, before it is rotated
    std::vector<BridgeLine> lines;
    // The PJLink fronts': the same password for all of them (none: no authentication), the hosts told
    // of changes on UDP, its port (0: no UDP), and the answers of INF1, INF2 and INFO.
    std::string pjlinkPassword;
    std::vector<std::string> pjlinkNotify;
    int pjlinkUdpPort = 4352;
    std::string pjlinkManufacturer, pjlinkModel, pjlinkInfo;
    bool hasFronts() const;
};

// The flags of the keys that the command line may give, each with a value: --broker URL,
// --line NAME=PORT[,speed=9600][,projectors=001+002] (again for each line), --poll SECONDS, --id ID,
// --ca-file FILE, --discovery-prefix PREFIX, --pjlink LINE/PROJECTOR=ADDRESS[:PORT] and
// --passthrough LINE=ADDRESS:PORT (after the line or before it), --pjlink-udp-port PORT,
// --pjlink-notify HOST (again for each host).
std::vector<std::string_view> bridgeFlags();
// The values of those flags in the order given, checked as the file's keys are.
using FlagValues = std::vector<std::pair<std::string, std::string>>;
Result<BridgeConfig> configFromFlags(const FlagValues& given);
Result<BridgeConfig> loadBridgeConfig(const std::string& path);
// A configuration file's text; its faults name path and the line.
Result<BridgeConfig> parseBridgeConfig(const std::string& content, const std::string& path);

// Every field between the separators, empty ones too: "a++b" by '+' is "a", "", "b".
std::vector<std::string> split(const std::string& text, char by);

// The topic level of a projector: "single", "001" ... "004", or "all" for commands to every one.
std::string projectorPrefix(const std::string& projector);

} // namespace q7
