// SPDX-License-Identifier: MIT
// Any text as the bridge's configuration file, through the TOML reader and the checks behind it. A refusal
// gives a reason that names the file and, where it names a line, one the text has; a configuration taken
// holds everything the bridge relies on.
// Input: the file's text.

#include "bridge/config.h"
#include "link/line.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

const std::string kPath = "bridge.toml";

void check(bool ok, const char* what, const std::string& text) {
    if (ok) return;
    std::fprintf(stderr, "%s: [%s]\n", what, text.c_str());
    std::abort();
}

bool validName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

void checkRefusal(const std::string& why, const std::string& text) {
    check(why.starts_with(kPath + ":"), "a refusal that does not name the file", why);
    const char* const from = why.data() + kPath.size() + 1;
    std::size_t line = 0;
    const auto [end, ec] = std::from_chars(from, why.data() + why.size(), line);
    if (ec != std::errc()) return;
    check(*end == ':' && end[1] == ' ' && end[2] != '\0', "a line named without a reason", why);
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    check(line >= 1 && line <= lines, "a refusal that names a line the file does not have", why);
}

void checkTaken(const q7::BridgeConfig& config) {
    check(config.broker.starts_with("mqtt://") || config.broker.starts_with("mqtts://"), "a broker taken",
          config.broker);
    check(validName(config.id), "an id taken", config.id);
    check(config.pollSeconds >= 1 && config.pollSeconds <= 86400, "a poll taken",
          std::to_string(config.pollSeconds));
    check(!config.lines.empty(), "no line taken", "");
    std::set<std::string> names;
    for (const q7::BridgeLine& line : config.lines) {
        check(validName(line.name) && line.name != "bridge", "a line name taken", line.name);
        check(names.insert(line.name).second, "a line name taken twice", line.name);
        check(!line.port.empty(), "a line without a port taken", line.name);
        check(line.settings == "19200,N,8,1" || line.settings == "9600,N,8,1", "line settings taken",
              line.settings);
        const std::set<std::string> projectors(line.projectors.begin(), line.projectors.end());
        const std::set<std::string> ids{"001", "002", "003", "004"};
        check(projectors.size() == line.projectors.size() && !projectors.empty() &&
                  (line.projectors == std::vector<std::string>{"single"} ||
                   std::includes(ids.begin(), ids.end(), projectors.begin(), projectors.end())),
              "projectors taken", line.name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const q7::Result<q7::BridgeConfig> config = q7::parseBridgeConfig(text, kPath);
    if (config)
        checkTaken(*config);
    else
        checkRefusal(config.error().english(), text);
    return 0;
}
