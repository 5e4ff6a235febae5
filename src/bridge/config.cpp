// SPDX-License-Identifier: MIT
#include "bridge/config.h"

#include "bridge/topics.h"
#include "link/port_address.h"
#include "pjlink/pjlink.h"
#include "protocol/frame.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <string_view>
#include <toml++/toml.h>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <variant>

namespace q7 {
namespace {

// A value as given: the command line's text, or the file's text, number or list of texts.
using Pairs = std::vector<std::pair<std::string, std::string>>;
using Value = std::variant<std::string, std::int64_t, std::vector<std::string>, Pairs>;

// What the file writes for a key, where the command line writes text; a line's keys come in tables, and
// some of them in inline tables of texts. A line's setting on the command line names its line.
enum class Kind { Text, Seconds, Speed, Names, Tables, Pairs, ForLine };

// One key of the configuration or of a line: its name in the file, its flag on the command line (or its
// setting in --line's list) if it has one, what the file writes, what it stands for when not given, and the
// one check that takes a value in, whichever way it came. A default goes through the check too, so an
// empty one makes the key required.
template <class Target> struct Key {
    std::string_view name, flag;
    Kind kind;
    std::string fallback;
    Result<> (*take)(const Value&, Target&);
};

// A number as written: the command line's text, or the file's number.
std::string spelled(const Value& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
    const auto* text = std::get_if<std::string>(&value);
    return text ? *text : std::string();
}

template <class Target, std::string Target::*member> Result<> anyText(const Value& value, Target& into) {
    into.*member = spelled(value);
    return {};
}

bool validName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

std::string hostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    std::string id;
    for (const char c : std::string(name))
        id += (c >= 'A' && c <= 'Z')         ? static_cast<char>(c - 'A' + 'a')
              : validName(std::string(1, c)) ? c
                                             : '-';
    return id.empty() ? "bridge" : id;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool numericHost(const std::string& host) {
    in6_addr address;
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &address) == 1;
}

// ADDRESS[:PORT], with an IPv6 address in brackets; the port may be required.
Result<Endpoint> endpoint(const std::string& text, std::optional<int> defaultPort) {
    const auto refused = [&] {
        return failure(Message(defaultPort ? Text::q7tr("an address is written ADDRESS[:PORT] with a numeric "
                                                        "address ([ADDRESS] for IPv6), not %1")
                                           : Text::q7tr("an address is written ADDRESS:PORT with a numeric "
                                                        "address ([ADDRESS] for IPv6), not %1"),
                               {quoted(text)}));
    };
    Endpoint at;
    std::string port;
    if (text.starts_with("[")) {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) return refused();
        at.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return refused();
            port = text.substr(close + 2);
        }
        if (at.host.find(':') == std::string::npos) return refused();
    } else {
        const std::size_t colon = text.find(':');
        at.host = text.substr(0, colon);
        if (colon != std::string::npos) port = text.substr(colon + 1);
        if (at.host.find(':') != std::string::npos) return refused();
    }
    if (!numericHost(at.host)) return refused();
    if (port.empty() &&
        text.find(':', text.find(']') == std::string::npos ? 0 : text.find(']')) == std::string::npos) {
        if (!defaultPort) return refused();
        at.port = *defaultPort;
        return at;
    }
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), at.port);
    if (ec != std::errc() || end != port.data() + port.size() || at.port < 1 || at.port > 65535)
        return refused();
    return at;
}

// What a PJLink answer may hold: printable, and no longer than the protocol allows.
Result<> pjlinkText(const std::string& key, const std::string& text, std::size_t longest) {
    if (text.size() <= longest &&
        std::none_of(text.begin(), text.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }))
        return {};
    return failure(Message(Text::q7tr("%1 holds at most %2 bytes, without control characters"),
                           {quoted(key), Message::number(static_cast<std::int64_t>(longest))}));
}

Pairs pairs(const Value& value) {
    const auto* given = std::get_if<Pairs>(&value);
    return given ? *given : Pairs();
}

BridgeLine* lineNamed(BridgeConfig& config, const std::string& name) {
    for (BridgeLine& line : config.lines)
        if (line.name == name) return &line;
    return nullptr;
}

Result<> addPjlinkFront(BridgeLine& line, const std::string& projector, const std::string& at) {
    if (std::any_of(line.pjlink.begin(), line.pjlink.end(),
                    [&](const PjlinkAddress& front) { return front.projector == projector; }))
        return failure(Message(Text::q7tr("the projector %1 of the line %2 has one PJLink address only"),
                               {quoted(projector), quoted(line.name)}));
    const Result<Endpoint> endpointGiven = endpoint(at, pjlink::kPort);
    if (!endpointGiven) return failure(endpointGiven.error());
    line.pjlink.push_back({projector, *endpointGiven});
    return {};
}

// LINE=REST or LINE/PROJECTOR=REST, for a line given on the command line.
Result<> forLine(BridgeConfig& config, const std::string& flag, const std::string& text, bool projector,
                 const std::function<Result<>(BridgeLine&, const std::string&, const std::string&)>& take) {
    const std::size_t equals = text.find('=');
    const std::string target = text.substr(0, equals);
    const std::size_t slash = target.find('/');
    if (equals == std::string::npos || (slash != std::string::npos) != projector)
        return failure(Message(projector ? Text::q7tr("%1 is written LINE/PROJECTOR=ADDRESS[:PORT], not %2")
                                         : Text::q7tr("%1 is written LINE=ADDRESS:PORT, not %2"),
                               {Message::verbatim(flag), quoted(text)}));
    BridgeLine* line = lineNamed(config, target.substr(0, slash));
    if (!line)
        return failure(Message(Text::q7tr("%1: there is no line %2 (give it with --line)"),
                               {Message::verbatim(flag), quoted(target.substr(0, slash))}));
    const Result<> ok =
        take(*line, projector ? target.substr(slash + 1) : std::string(), text.substr(equals + 1));
    return ok ? ok : failure(Message(Text::q7tr("%1: %2"), {Message::verbatim(flag), ok.error()}));
}

std::vector<Key<BridgeConfig>> configKeys() {
    return {
        // None: a bridge of PJLink and passthrough fronts alone.
        {"broker", "--broker", Kind::Text, "",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.broker = spelled(value);
             if (config.broker.empty() || config.broker.starts_with("mqtt://") ||
                 config.broker.starts_with("mqtts://"))
                 return {};
             return failure(Message(
                 Text::q7tr("the broker is written mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not %1"),
                 {quoted(config.broker)}));
         }},
        {"id", "--id", Kind::Text, hostName(),
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.id = spelled(value);
             if (validName(config.id)) return {};
             return failure(
                 Message(Text::q7tr("the bridge's id %1 may hold only lower-case letters, digits, - and _"),
                         {quoted(config.id)}));
         }},
        {"poll", "--poll", Kind::Seconds, std::to_string(BridgeConfig{}.pollSeconds),
         [](const Value& value, BridgeConfig& config) -> Result<> {
             const std::string text = spelled(value);
             int seconds = 0;
             const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
             if (ec != std::errc() || end != text.data() + text.size() || seconds < 1 || seconds > 86400)
                 return failure(Message(Text::q7tr("poll must be a number of seconds from 1 to 86400")));
             config.pollSeconds = seconds;
             return {};
         }},
        {"discovery_prefix", "--discovery-prefix", Kind::Text, BridgeConfig{}.discoveryPrefix,
         anyText<BridgeConfig, &BridgeConfig::discoveryPrefix>},
        {"ca_file", "--ca-file", Kind::Text, "", anyText<BridgeConfig, &BridgeConfig::caFile>},
        // Never on the command line, where other users see them.
        {"username", "", Kind::Text, environment("Q7_MQTT_USERNAME"),
         anyText<BridgeConfig, &BridgeConfig::username>},
        {"password", "", Kind::Text, environment("Q7_MQTT_PASSWORD"),
         anyText<BridgeConfig, &BridgeConfig::password>},
        {"pjlink_password", "", Kind::Text, environment("Q7_PJLINK_PASSWORD"),
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.pjlinkPassword = spelled(value);
             if (config.pjlinkPassword.size() <= pjlink::kLongestPassword &&
                 std::all_of(config.pjlinkPassword.begin(), config.pjlinkPassword.end(),
                             [](char c) { return c > 0x20 && c < 0x7F; }))
                 return {};
             return failure(Message(Text::q7tr("the PJLink password is at most %1 ASCII characters without "
                                               "blanks"),
                                    {Message::number(static_cast<std::int64_t>(pjlink::kLongestPassword))}));
         }},
        {"pjlink_udp_port", "--pjlink-udp-port", Kind::Seconds, std::to_string(pjlink::kPort),
         [](const Value& value, BridgeConfig& config) -> Result<> {
             const std::string text = spelled(value);
             const auto [end, ec] =
                 std::from_chars(text.data(), text.data() + text.size(), config.pjlinkUdpPort);
             if (ec == std::errc() && end == text.data() + text.size() && config.pjlinkUdpPort >= 0 &&
                 config.pjlinkUdpPort <= 65535)
                 return {};
             return failure(
                 Message(Text::q7tr("pjlink_udp_port must be a port from 1 to 65535, or 0 for no UDP")));
         }},
        // Again for each host on the command line.
        {"pjlink_notify", "--pjlink-notify", Kind::Names, "",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             const auto* list = std::get_if<std::vector<std::string>>(&value);
             if (list) config.pjlinkNotify.clear();
             for (const std::string& host : list ? *list : std::vector<std::string>{spelled(value)}) {
                 if (host.empty() && !list) continue;
                 if (!numericHost(host))
                     return failure(Message(Text::q7tr("pjlink_notify takes numeric addresses, not %1"),
                                            {quoted(host)}));
                 config.pjlinkNotify.push_back(host);
             }
             return {};
         }},
        {"pjlink_manufacturer", "", Kind::Text, "VELM",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.pjlinkManufacturer = spelled(value);
             return pjlinkText("pjlink_manufacturer", config.pjlinkManufacturer, 32);
         }},
        {"pjlink_model", "", Kind::Text, "Q7/Q7L",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.pjlinkModel = spelled(value);
             return pjlinkText("pjlink_model", config.pjlinkModel, 32);
         }},
        {"pjlink_info", "", Kind::Text, "q7-bridge " Q7_VERSION,
         [](const Value& value, BridgeConfig& config) -> Result<> {
             config.pjlinkInfo = spelled(value);
             return pjlinkText("pjlink_info", config.pjlinkInfo, 32);
         }},
        // A line's fronts on the command line, once every line is known.
        {"", "--pjlink", Kind::ForLine, "",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             if (spelled(value).empty()) return {};
             return forLine(config, "--pjlink", spelled(value), true,
                            [](BridgeLine& line, const std::string& projector, const std::string& at) {
                                return addPjlinkFront(line, projector, at);
                            });
         }},
        {"", "--passthrough", Kind::ForLine, "",
         [](const Value& value, BridgeConfig& config) -> Result<> {
             if (spelled(value).empty()) return {};
             return forLine(config, "--passthrough", spelled(value), false,
                            [](BridgeLine& line, const std::string&, const std::string& at) -> Result<> {
                                if (line.passthrough)
                                    return failure(Message(Text::q7tr("the line %1 has one passthrough only"),
                                                           {quoted(line.name)}));
                                const Result<Endpoint> given = endpoint(at, std::nullopt);
                                if (!given) return failure(given.error());
                                line.passthrough = *given;
                                return {};
                            });
         }},
        // Lines come as tables of their own keys; none at all is refused as a default would be.
        {"line", "--line", Kind::Tables, "",
         [](const Value&, BridgeConfig&) -> Result<> {
             return failure(Message(Text::q7tr("no line to serve: give at least one")));
         }},
    };
}

std::vector<Key<BridgeLine>> lineKeys() {
    return {
        {"name", "", Kind::Text, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             line.name = spelled(value);
             if (!validName(line.name))
                 return failure(
                     Message(Text::q7tr("the line name %1 may hold only lower-case letters, digits, - and _"),
                             {quoted(line.name)}));
             if (line.name == kBridgeLevel)
                 return failure(
                     Message(Text::q7tr("a line may not be named \"bridge\": q7/bridge/ holds the bridges' "
                                        "own topics")));
             return {};
         }},
        {"port", "", Kind::Text, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             line.port = spelled(value);
             if (line.port.empty()) return failure(Message(Text::q7tr("no port given")));
             const Result<PortAddress> port = parsePortAddress(line.port);
             return port ? Result<>() : failure(port.error());
         }},
        {"speed", "speed", Kind::Speed, std::string(kSpeedOptions[0].baud),
         [](const Value& value, BridgeLine& line) -> Result<> {
             const SpeedOption* speed = findSpeed(spelled(value));
             if (!speed)
                 return failure(Message(Text::q7tr("the speed must be %1, not %2"),
                                        {eitherOf(speedNames()), quoted(spelled(value))}));
             line.settings = speed->settings;
             return {};
         }},
        // One projector without an address, or some of a chain's: 001+002 on the command line.
        {"projectors", "projectors", Kind::Names, std::string(kSingleProjector),
         [](const Value& value, BridgeLine& line) -> Result<> {
             const auto* list = std::get_if<std::vector<std::string>>(&value);
             line.projectors = list ? *list : split(spelled(value), '+');
             const std::set<std::string_view> distinct(line.projectors.begin(), line.projectors.end());
             const std::vector<std::string_view> chain = projectorNames(true);
             const bool ids = std::all_of(distinct.begin(), distinct.end(), [&](std::string_view p) {
                 return std::find(chain.begin(), chain.end(), p) != chain.end();
             });
             if (distinct.size() == line.projectors.size() &&
                 (ids || (distinct.size() == 1 && line.projectors[0] == kSingleProjector)) &&
                 !distinct.empty())
                 return {};
             return failure(Message(Text::q7tr("the projectors are %1, or some of %2, each once"),
                                    {Message::verbatim(std::string(kSingleProjector)), allOf(chain)}));
         }},
        {"log", "", Kind::Text, "", anyText<BridgeLine, &BridgeLine::log>},
        // PJLink servers by projector: { "001" = "10.0.5.21", "002" = "10.0.5.22:4353" }.
        {"pjlink", "", Kind::Pairs, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             for (const auto& [projector, at] : pairs(value))
                 if (Result<> ok = addPjlinkFront(line, projector, at); !ok) return ok;
             return {};
         }},
        {"pjlink_name", "", Kind::Pairs, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             for (const auto& [projector, name] : pairs(value)) {
                 if (Result<> ok = pjlinkText("pjlink_name", name, 64); !ok) return ok;
                 line.pjlinkNames[projector] = name;
             }
             return {};
         }},
        // Input modes 1 to 3 as PJLink's inputs of class 1: { "1" = "31" }.
        {"pjlink_inputs", "", Kind::Pairs, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             for (const auto& [mode, input] : pairs(value)) {
                 const bool known = mode.size() == 1 && mode[0] >= '1' && mode[0] <= '3';
                 if (!known || input.size() != 2 || input[0] < '1' || input[0] > '5' || input[1] < '1' ||
                     input[1] > '9' || input == "41")
                     return failure(Message(
                         Text::q7tr("pjlink_inputs maps the input modes \"1\" to \"3\" to PJLink's inputs 11 "
                                    "to 59 (41 is input mode 4), not %1 = %2"),
                         {quoted(mode), quoted(input)}));
                 line.pjlinkInputs[static_cast<std::size_t>(mode[0] - '1')] = input;
             }
             const std::set<std::string> distinct(line.pjlinkInputs.begin(), line.pjlinkInputs.end());
             if (distinct.size() == line.pjlinkInputs.size()) return {};
             return failure(Message(Text::q7tr("pjlink_inputs gives one PJLink input to two input modes")));
         }},
        {"passthrough", "", Kind::Text, "",
         [](const Value& value, BridgeLine& line) -> Result<> {
             if (spelled(value).empty()) return {};
             const Result<Endpoint> given = endpoint(spelled(value), std::nullopt);
             if (!given) return failure(given.error());
             line.passthrough = *given;
             return {};
         }},
    };
}

template <class Target>
const Key<Target>* find(const std::vector<Key<Target>>& keys, std::string_view name,
                        std::string_view Key<Target>::*by) {
    for (const Key<Target>& key : keys)
        if (!name.empty() && key.*by == name) return &key;
    return nullptr;
}

// The names or the flags of the keys, for a message that lists them; [[line]] tables are named apart.
template <class Target>
std::vector<std::string_view> spellings(const std::vector<Key<Target>>& keys,
                                        std::string_view Key<Target>::*by) {
    std::vector<std::string_view> names;
    for (const Key<Target>& key : keys)
        if (!(key.*by).empty() && (key.kind != Kind::Tables || by == &Key<Target>::flag))
            names.push_back(key.*by);
    return names;
}

// What a key not given stands for, through the same check as a value given.
template <class Target>
Result<> takeDefaults(const std::vector<Key<Target>>& keys, const std::set<std::string_view>& given,
                      Target& into) {
    for (const Key<Target>& key : keys)
        if (key.take && !given.count(key.name))
            if (Result<> ok = key.take(key.fallback, into); !ok) return ok;
    return {};
}

Result<> addLine(BridgeConfig& config, BridgeLine line) {
    for (const BridgeLine& other : config.lines)
        if (other.name == line.name)
            return failure(Message(Text::q7tr("the line name %1 is given twice"), {quoted(line.name)}));
    config.lines.push_back(std::move(line));
    return {};
}

// NAME=PORT[,speed=9600][,projectors=001+002]: the name, then every key a line's faults are told under.
Result<BridgeLine> lineArgument(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        return failure(
            Message(Text::q7tr("--line is written NAME=PORT[,speed=9600][,projectors=001+002], not %1"),
                    {quoted(text)}));
    const std::vector<Key<BridgeLine>> keys = lineKeys();
    BridgeLine line;
    if (Result<> ok = find(keys, "name", &Key<BridgeLine>::name)->take(text.substr(0, equals), line); !ok)
        return failure(ok.error());
    std::vector<std::string> fields = split(text.substr(equals + 1), ',');
    std::set<std::string_view> given{"name", "port"};
    Result<> ok = find(keys, "port", &Key<BridgeLine>::name)->take(fields[0], line);
    for (std::size_t i = 1; ok && i < fields.size(); ++i) {
        const std::size_t is = fields[i].find('=');
        const std::string setting = fields[i].substr(0, is);
        const Key<BridgeLine>* key = find(keys, setting, &Key<BridgeLine>::flag);
        if (!key)
            return failure(Message(
                Text::q7tr("line %1: unknown setting %2; there are %3"),
                {quoted(line.name), quoted(setting), allOf(spellings(keys, &Key<BridgeLine>::flag))}));
        given.insert(key->name);
        ok = key->take(is == std::string::npos ? "" : fields[i].substr(is + 1), line);
    }
    if (ok) ok = takeDefaults(keys, given, line);
    if (!ok) return failure(Message(Text::q7tr("line %1: %2"), {quoted(line.name), ok.error()}));
    return line;
}

// The reader turns a float into an integer without a range check, undefined past 64 bits: a float is taken
// here only as a whole number within range.
std::optional<std::int64_t> wholeNumber(const toml::node& node) {
    if (const toml::value<std::int64_t>* integer = node.as_integer()) return integer->get();
    const toml::value<double>* real = node.as_floating_point();
    const double limit = std::ldexp(1.0, 63);
    if (real && real->get() >= -limit && real->get() < limit && real->get() == std::trunc(real->get()))
        return static_cast<std::int64_t>(real->get());
    return std::nullopt;
}

// The file's types where the command line has text. A value of another type is refused here, in the
// file's words; a number or a list that is none reaches the key's check as nothing, which says what it takes.
Result<Value> fileValue(std::string_view name, Kind kind, const toml::node& node) {
    if (kind == Kind::Text) {
        if (const std::optional<std::string> text = node.value<std::string>()) return *text;
        return failure(Message(Text::q7tr("%1 must be a text in quotes"), {quoted(std::string(name))}));
    }
    if (kind == Kind::Speed && !node.is_integer())
        return failure(
            Message(Text::q7tr("speed must be a number, %1, without quotes"), {eitherOf(speedNames())}));
    if (kind == Kind::Pairs) {
        const toml::table* table = node.as_table();
        if (!table)
            return failure(Message(Text::q7tr("%1 must be a table of texts in braces, such as { \"001\" = "
                                              "\"10.0.5.21\" }"),
                                   {quoted(std::string(name))}));
        Pairs given;
        for (const auto& [key, each] : *table) {
            const std::optional<std::string> text = each.value<std::string>();
            if (!text)
                return failure(
                    Message(Text::q7tr("%1 must be a table of texts in braces, such as { \"001\" = "
                                       "\"10.0.5.21\" }"),
                            {quoted(std::string(name))}));
            given.emplace_back(std::string(key.str()), *text);
        }
        return given;
    }
    if (kind == Kind::Names) {
        std::vector<std::string> names;
        if (const toml::array* list = node.as_array())
            for (const toml::node& each : *list)
                names.push_back(each.value<std::string>().value_or("?"));
        return names;
    }
    const std::optional<std::int64_t> number = wholeNumber(node);
    return number ? Value(*number) : Value(std::string());
}

// A table of the file: each key through its check, then those not given with their defaults. A fault
// names the line of its key; one of a default, the line of the table, or none for the file's top.
template <class Target>
Result<> fromTable(const toml::table& table, const toml::node* owner, const std::vector<Key<Target>>& keys,
                   Target& into, const std::string& path) {
    const auto at = [&](const toml::node* node, const Message& why) {
        if (!node) return failure(Message(Text::q7tr("%1: %2"), {Message::verbatim(path), why}));
        return failure(Message(Text::q7tr("%1:%2: %3"),
                               {Message::verbatim(path), Message::number(node->source().begin.line), why}));
    };
    constexpr bool top = std::is_same_v<Target, BridgeConfig>;
    std::set<std::string_view> given;
    for (const auto& [name, node] : table) {
        const Key<Target>* key = find(keys, name.str(), &Key<Target>::name);
        if (!key || (key->kind == Kind::Tables && !node.is_array_of_tables()))
            return at(
                &node,
                top ? Message(Text::q7tr("unknown key %1; there are %2 and [[line]] tables"),
                              {quoted(std::string(name.str())),
                               Message::verbatim(commaList(spellings(keys, &Key<Target>::name)))})
                    : Message(Text::q7tr("unknown key %1 in a line; there are %2"),
                              {quoted(std::string(name.str())), allOf(spellings(keys, &Key<Target>::name))}));
        given.insert(key->name);
        if constexpr (top) {
            if (key->kind == Kind::Tables) {
                for (const toml::node& entry : *node.as_array()) {
                    BridgeLine line;
                    if (Result<> ok = fromTable(*entry.as_table(), &entry, lineKeys(), line, path); !ok)
                        return ok;
                    if (Result<> ok = addLine(into, std::move(line)); !ok) return at(&entry, ok.error());
                }
                continue;
            }
        }
        const Result<Value> value = fileValue(key->name, key->kind, node);
        if (!value) return at(&node, value.error());
        if (const Result<> ok = key->take(*value, into); !ok) return at(&node, ok.error());
    }
    if (const Result<> ok = takeDefaults(keys, given, into); !ok) return at(owner, ok.error());
    return {};
}

// Read here rather than by the TOML reader, whose reasons for not reading a file are in English only.
Result<std::string> configText(const std::string& path) {
    std::string text;
    int error = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) error = errno;
    while (fd >= 0) {
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            if (got < 0) error = errno;
            ::close(fd);
            break;
        }
    }
    if (!error) return text;
    const Message why = error == ENOENT   ? Message(Text::q7tr("it does not exist"))
                        : error == EACCES ? Message(Text::q7tr("permission denied"))
                        : error == EISDIR ? Message(Text::q7tr("it is a folder"))
                                          : Message::verbatim(std::strerror(error));
    return failure(
        Message(Text::q7tr("Cannot read the configuration file %1: %2."), {Message::verbatim(path), why}));
}

// TOML allows a character beyond ASCII in a value in quotes and in a comment. The TOML reader of Debian 12
// (toml++ 3.3.0) asks of one anywhere else whether it is a blank, also in a key in quotes and after a
// backslash in a """ text, and for many (é, あ, ...) its answer is undefined behaviour
// (marzer/tomlplusplus#190): such a text is refused before the reader sees it. Anything else the reader is
// left to judge.
struct OutOfPlace {
    std::size_t line = 0;
    bool afterBackslash = false;
};

std::optional<OutOfPlace> beyondAsciiOutOfPlace(std::string_view text) {
    const auto wide = [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; };
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0, line = 1;
    std::string open; // the arrays and inline tables open, the innermost last
    bool header = false, lineStart = true, value = false;
    while (i < text.size()) {
        const char c = text[i];
        if (blank(c)) {
            ++i;
            continue;
        }
        const bool first = std::exchange(lineStart, c == '\n');
        if (c == '\n') {
            value = value && !open.empty();
            ++line, ++i;
        } else if (c == '=' || c == ',') {
            value = c == '=' || (!open.empty() && open.back() == '[');
            ++i;
        } else if (c == '#') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '[' && first && open.empty() && !header) {
            header = true, value = false, ++i;
        } else if (c == '[' || c == '{') {
            open += c, value = c == '[', ++i;
        } else if (c == ']' || c == '}') {
            if (!open.empty())
                open.pop_back(), value = true;
            else
                header = false;
            ++i;
        } else if ((c == '"' || c == '\'') && text.substr(i, 3) == std::string(3, c)) {
            // A text left open is not valid TOML, but the reader still runs over what is in it.
            bool beyondAscii = false;
            for (i += 3;;) {
                if (i >= text.size()) return beyondAscii ? std::optional(OutOfPlace{line}) : std::nullopt;
                beyondAscii = beyondAscii || wide(text[i]);
                if (text.substr(i, 3) == std::string(3, c)) {
                    for (i += 3; i < text.size() && text[i] == c;)
                        ++i;
                    break;
                }
                if (text[i] == '\n') ++line;
                if (c == '"' && text[i] == '\\') {
                    const std::size_t escaped = ++i;
                    for (; i < text.size() && (blank(text[i]) || std::string_view("\n\v\f").find(text[i]) !=
                                                                     std::string_view::npos);
                         ++i)
                        line += text[i] == '\n';
                    if (i < text.size() && wide(text[i])) return OutOfPlace{line, true};
                    if (i > escaped) continue;
                }
                ++i;
            }
        } else if (c == '"' || c == '\'') {
            const std::size_t start = line;
            bool beyondAscii = false;
            for (++i; i < text.size() && text[i] != c; ++i) {
                if (text[i] == '\n') return beyondAscii ? std::optional(OutOfPlace{start}) : std::nullopt;
                if (c == '"' && text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n') ++i;
                beyondAscii = beyondAscii || wide(text[i]);
            }
            if (i >= text.size() && beyondAscii) return OutOfPlace{start};
            ++i;
            std::size_t next = i;
            while (next < text.size() && blank(text[next]))
                ++next;
            const bool key = header || (next < text.size() && (text[next] == '=' || text[next] == '.'));
            if (key && beyondAscii) return OutOfPlace{start};
        } else if (c == '.') {
            ++i;
        } else {
            // A bare word (a key, a number, a date, true or false) runs, quotes and brackets in it included,
            // to where the reader takes a value to end, or a key.
            const std::string_view end = value ? "\n\v\f,]}#" : "\n\v\f,]}#=";
            do
                if (wide(text[i])) return OutOfPlace{line};
            while (++i < text.size() && !blank(text[i]) && end.find(text[i]) == std::string_view::npos);
        }
    }
    return std::nullopt;
}

// What needs the whole configuration: something to serve, fronts for projectors served, and no two fronts
// on one port of one address (the wildcard address shares its port with every other).
Result<> checkFronts(const BridgeConfig& config) {
    if (config.broker.empty() && !config.hasFronts())
        return failure(
            Message(Text::q7tr("nothing to serve: give a broker, or a line's PJLink or passthrough "
                               "front")));
    std::vector<std::pair<Endpoint, std::string>> fronts;
    for (const BridgeLine& line : config.lines) {
        for (const PjlinkAddress& front : line.pjlink) {
            if (std::find(line.projectors.begin(), line.projectors.end(), front.projector) ==
                line.projectors.end())
                return failure(Message(Text::q7tr("the line %1 serves no projector %2 for PJLink"),
                                       {quoted(line.name), quoted(front.projector)}));
            fronts.emplace_back(front.at, "PJLink " + line.name + "/" + front.projector);
        }
        for (const auto& [projector, name] : line.pjlinkNames)
            if (std::find(line.projectors.begin(), line.projectors.end(), projector) == line.projectors.end())
                return failure(Message(Text::q7tr("the line %1 serves no projector %2 to name"),
                                       {quoted(line.name), quoted(projector)}));
        if (line.passthrough) fronts.emplace_back(*line.passthrough, "passthrough " + line.name);
    }
    const auto wildcard = [](const std::string& host) { return host == "0.0.0.0" || host == "::"; };
    for (std::size_t i = 0; i < fronts.size(); ++i)
        for (std::size_t j = i + 1; j < fronts.size(); ++j) {
            const Endpoint &a = fronts[i].first, &b = fronts[j].first;
            if (a.port == b.port && (a.host == b.host || wildcard(a.host) || wildcard(b.host)))
                return failure(Message(Text::q7tr("%1 and %2 would both listen on %3"),
                                       {Message::verbatim(fronts[i].second),
                                        Message::verbatim(fronts[j].second), Message::verbatim(b.text())}));
        }
    return {};
}

} // namespace

std::string Endpoint::text() const {
    return (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + std::to_string(port);
}

std::string BridgeLine::pjlinkName(const std::string& projector) const {
    const auto named = pjlinkNames.find(projector);
    return named != pjlinkNames.end() ? named->second : name + " " + projector;
}

bool BridgeConfig::hasFronts() const {
    return std::any_of(lines.begin(), lines.end(),
                       [](const BridgeLine& line) { return !line.pjlink.empty() || line.passthrough; });
}

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::string projectorPrefix(const std::string& projector) {
    const ProjectorOption* option = findProjector(projector);
    return option ? std::string(option->prefix) : std::string();
}

std::vector<std::string_view> bridgeFlags() {
    return spellings(configKeys(), &Key<BridgeConfig>::flag);
}

Result<BridgeConfig> configFromFlags(const FlagValues& given) {
    const std::vector<Key<BridgeConfig>> keys = configKeys();
    BridgeConfig config;
    std::set<std::string_view> taken;
    // A line's settings once its line is there, whichever came first.
    FlagValues ordered;
    for (const bool forLines : {false, true})
        for (const auto& [flag, value] : given) {
            const Key<BridgeConfig>* key = find(keys, flag, &Key<BridgeConfig>::flag);
            if (!key || (key->kind == Kind::ForLine) == forLines) ordered.emplace_back(flag, value);
        }
    for (const auto& [flag, value] : ordered) {
        const Key<BridgeConfig>* key = find(keys, flag, &Key<BridgeConfig>::flag);
        if (!key) return failure(Message(Text::q7tr("unknown option: %1"), {Message::verbatim(flag)}));
        taken.insert(key->name);
        Result<> ok;
        if (key->kind != Kind::Tables)
            ok = key->take(value, config);
        else if (Result<BridgeLine> line = lineArgument(value))
            ok = addLine(config, std::move(*line));
        else
            ok = failure(line.error());
        if (!ok) return failure(ok.error());
    }
    if (Result<> ok = takeDefaults(keys, taken, config); !ok) return failure(ok.error());
    if (Result<> ok = checkFronts(config); !ok) return failure(ok.error());
    return config;
}

Result<BridgeConfig> loadBridgeConfig(const std::string& path) {
    const Result<std::string> content = configText(path);
    if (!content) return failure(content.error());
    return parseBridgeConfig(*content, path);
}

Result<BridgeConfig> parseBridgeConfig(const std::string& content, const std::string& path) {
    if (const std::optional<OutOfPlace> wrong = beyondAsciiOutOfPlace(content))
        return failure(Message(
            Text::q7tr("%1:%2: %3"),
            {Message::verbatim(path), Message::number(static_cast<long long>(wrong->line)),
             wrong->afterBackslash
                 ? Message(
                       Text::q7tr("in a text in \"\"\" quotes, what follows a backslash must start with an "
                                  "ASCII character"))
                 : Message(Text::q7tr("a character beyond ASCII outside a value in quotes or a comment"))}));
    // The reader's test for blanks beyond ASCII has undefined behaviour, and no model of its grammar above
    // foresees every path into it. So the file is read first with each byte beyond ASCII as '@', which TOML
    // takes nowhere but in texts and comments: only a file that passes is read as it is.
    std::string ascii = content;
    for (std::size_t i = content.starts_with("\xEF\xBB\xBF") ? 3 : 0; i < ascii.size(); ++i)
        if (static_cast<unsigned char>(ascii[i]) >= 0x80) ascii[i] = '@';
    toml::table file;
    try {
        (void)toml::parse(ascii, path);
        file = toml::parse(content, path);
    } catch (const toml::parse_error& error) {
        // The reader's own words stay as they are, inside a sentence of ours.
        return failure(Message(Text::q7tr("%1:%2: %3"),
                               {Message::verbatim(path), Message::number(error.source().begin.line),
                                Message(Text::q7tr("this is not valid TOML: %1"),
                                        {Message::verbatim(std::string(error.description()))})}));
    }
    BridgeConfig config;
    if (Result<> ok = fromTable(file, nullptr, configKeys(), config, path); !ok) return failure(ok.error());
    if (Result<> ok = checkFronts(config); !ok)
        return failure(Message(Text::q7tr("%1: %2"), {Message::verbatim(path), ok.error()}));
    return config;
}

} // namespace q7
