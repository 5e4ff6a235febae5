// SPDX-License-Identifier: MIT
#include "bridge/config.h"

#include "bridge/topics.h"
#include "link/line.h"
#include "link/port_address.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <string_view>
#include <toml++/toml.h>
#include <unistd.h>
#include <utility>

namespace q7 {
namespace {

bool validName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

Result<int> number(const std::string& text, int least, int most) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < least || value > most)
        return failure(Message(Text::q7tr("%1 is no number from %2 to %3"),
                               {quoted(text), Message::number(least), Message::number(most)}));
    return value;
}

Result<std::string> speedSettings(const std::string& speed) {
    if (speed == "19200") return std::string(kSettings19200);
    if (speed == "9600") return std::string(kSettings9600);
    return failure(Message(Text::q7tr("the speed must be 19200 or 9600, not %1"), {quoted(speed)}));
}

Result<> checkProjectors(const std::vector<std::string>& projectors) {
    const std::set<std::string> distinct(projectors.begin(), projectors.end());
    const bool ids = std::all_of(projectors.begin(), projectors.end(), [](const std::string& p) {
        return p == "001" || p == "002" || p == "003" || p == "004";
    });
    if (projectors.empty() || distinct.size() != projectors.size() ||
        !(ids || (projectors.size() == 1 && projectors[0] == "single")))
        return failure(
            Message(Text::q7tr("the projectors are single, or some of 001, 002, 003 and 004, each once")));
    return {};
}

// Everything that both ways of configuring must hold, with the defaults filled in.
Result<BridgeConfig> checked(BridgeConfig config) {
    if (!config.broker.starts_with("mqtt://") && !config.broker.starts_with("mqtts://"))
        return failure(
            Message(Text::q7tr("the broker is written mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not %1"),
                    {quoted(config.broker)}));
    if (config.lines.empty()) return failure(Message(Text::q7tr("no line to serve: give at least one")));
    std::set<std::string> names;
    for (const BridgeLine& line : config.lines) {
        if (!validName(line.name))
            return failure(
                Message(Text::q7tr("the line name %1 may hold only lower-case letters, digits, - and _"),
                        {quoted(line.name)}));
        if (line.name == kBridgeLevel)
            return failure(
                Message(Text::q7tr("a line may not be named \"bridge\": q7/bridge/ holds the bridges' "
                                   "own topics")));
        if (!names.insert(line.name).second)
            return failure(Message(Text::q7tr("the line name %1 is given twice"), {quoted(line.name)}));
        if (const Result<PortAddress> port = parsePortAddress(line.port); !port || line.port.empty())
            return failure(
                Message(Text::q7tr("line %1: %2"),
                        {quoted(line.name), port ? Message(Text::q7tr("no port given")) : port.error()}));
    }
    if (!validName(config.id))
        return failure(
            Message(Text::q7tr("the bridge's id %1 may hold only lower-case letters, digits, - and _"),
                    {quoted(config.id)}));
    if (const char* user = std::getenv("Q7_MQTT_USERNAME"); user && config.username.empty())
        config.username = user;
    if (const char* password = std::getenv("Q7_MQTT_PASSWORD"); password && config.password.empty())
        config.password = password;
    return config;
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

Result<BridgeLine> parseLine(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        return failure(
            Message(Text::q7tr("--line is written NAME=PORT[,speed=9600][,projectors=001+002], not %1"),
                    {quoted(text)}));
    BridgeLine line;
    line.name = text.substr(0, equals);
    const std::vector<std::string> fields = split(text.substr(equals + 1), ',');
    line.port = fields[0];
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::size_t is = fields[i].find('=');
        const std::string key = fields[i].substr(0, is),
                          value = is == std::string::npos ? "" : fields[i].substr(is + 1);
        if (key == "speed") {
            const Result<std::string> settings = speedSettings(value);
            if (!settings)
                return failure(Message(Text::q7tr("line %1: %2"), {quoted(line.name), settings.error()}));
            line.settings = *settings;
        } else if (key == "projectors") {
            line.projectors = split(value, '+');
            if (const Result<> ok = checkProjectors(line.projectors); !ok)
                return failure(Message(Text::q7tr("line %1: %2"), {quoted(line.name), ok.error()}));
        } else {
            return failure(Message(Text::q7tr("line %1: unknown setting %2; there are speed and projectors"),
                                   {quoted(line.name), quoted(key)}));
        }
    }
    return line;
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
            for (i += 3;;) {
                if (i >= text.size()) return std::nullopt;
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
                if (text[i] == '\n') return std::nullopt;
                if (c == '"' && text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n') ++i;
                beyondAscii = beyondAscii || wide(text[i]);
            }
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

} // namespace

std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::string projectorPrefix(const std::string& projector) {
    if (projector == "single") return "";
    if (projector == "all") return "AFFF";
    return "A" + projector;
}

Result<BridgeConfig> parseBridgeArguments(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[0] == "--config") return loadBridgeConfig(args[1]);
    if (args.empty())
        return failure(
            Message(Text::q7tr("nothing to serve: give --broker URL and --line NAME=PORT, or --config "
                               "FILE (q7-bridge --help)")));
    if (std::find(args.begin(), args.end(), "--config") != args.end())
        return failure(Message(Text::q7tr("--config FILE stands alone: the other settings are written in the "
                                          "file")));
    BridgeConfig config;
    config.id = hostName();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (i + 1 >= args.size())
            return failure(Message(Text::q7tr("%1 needs a value (q7-bridge --help)"), {quoted(option)}));
        const std::string& value = args[++i];
        if (option == "--broker") {
            config.broker = value;
        } else if (option == "--line") {
            const Result<BridgeLine> line = parseLine(value);
            if (!line) return failure(line.error());
            config.lines.push_back(*line);
        } else if (option == "--poll") {
            const Result<int> seconds = number(value, 1, 86400);
            if (!seconds) return failure(Message(Text::q7tr("--poll: %1"), {seconds.error()}));
            config.pollSeconds = *seconds;
        } else if (option == "--id") {
            config.id = value;
        } else if (option == "--ca-file") {
            config.caFile = value;
        } else if (option == "--discovery-prefix") {
            config.discoveryPrefix = value;
        } else {
            return failure(Message(
                Text::q7tr("unknown option %1 (--config FILE alone, or --broker, --line, --poll, --id, "
                           "--ca-file, --discovery-prefix)"),
                {quoted(option)}));
        }
    }
    return checked(config);
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
    toml::table file;
    try {
        file = toml::parse(content, path);
    } catch (const toml::parse_error& error) {
        // The reader's own words stay as they are, inside a sentence of ours.
        return failure(Message(Text::q7tr("%1:%2: %3"),
                               {Message::verbatim(path), Message::number(error.source().begin.line),
                                Message(Text::q7tr("this is not valid TOML: %1"),
                                        {Message::verbatim(std::string(error.description()))})}));
    }
    const auto at = [&](const toml::node& node, const Message& why) {
        return failure(Message(Text::q7tr("%1:%2: %3"),
                               {Message::verbatim(path), Message::number(node.source().begin.line), why}));
    };
    BridgeConfig config;
    config.id = hostName();
    const auto text = [&](const toml::node& node, const std::string& key, std::string& into) -> Result<> {
        const std::optional<std::string> value = node.value<std::string>();
        if (!value) return at(node, Message(Text::q7tr("%1 must be a text in quotes"), {quoted(key)}));
        into = *value;
        return {};
    };
    for (const auto& [key, node] : file) {
        const std::string name(key.str());
        Result<> ok;
        if (name == "broker")
            ok = text(node, name, config.broker);
        else if (name == "id")
            ok = text(node, name, config.id);
        else if (name == "ca_file")
            ok = text(node, name, config.caFile);
        else if (name == "username")
            ok = text(node, name, config.username);
        else if (name == "password")
            ok = text(node, name, config.password);
        else if (name == "discovery_prefix")
            ok = text(node, name, config.discoveryPrefix);
        else if (name == "poll") {
            const std::optional<std::int64_t> seconds = node.value<std::int64_t>();
            if (!seconds || *seconds < 1 || *seconds > 86400)
                return at(node, Message(Text::q7tr("poll must be a number of seconds from 1 to 86400")));
            config.pollSeconds = static_cast<int>(*seconds);
        } else if (name == "line" && node.is_array_of_tables()) {
            for (const toml::node& entry : *node.as_array()) {
                BridgeLine line;
                for (const auto& [lineKey, value] : *entry.as_table()) {
                    const std::string field(lineKey.str());
                    if (field == "name")
                        ok = text(value, field, line.name);
                    else if (field == "port")
                        ok = text(value, field, line.port);
                    else if (field == "log")
                        ok = text(value, field, line.log);
                    else if (field == "speed") {
                        if (!value.is_integer())
                            return at(value, Message(Text::q7tr("speed must be a number, 19200 or 9600, "
                                                                "without quotes")));
                        const Result<std::string> settings =
                            speedSettings(std::to_string(value.value<std::int64_t>().value_or(0)));
                        if (!settings) return at(value, settings.error());
                        line.settings = *settings;
                    } else if (field == "projectors" && value.is_array()) {
                        line.projectors.clear();
                        for (const toml::node& p : *value.as_array())
                            line.projectors.push_back(p.value<std::string>().value_or("?"));
                        if (const Result<> fine = checkProjectors(line.projectors); !fine)
                            return at(value, fine.error());
                    } else {
                        return at(
                            value,
                            Message(Text::q7tr(
                                        "unknown key %1 in a line; there are name, port, speed, projectors "
                                        "and log"),
                                    {quoted(field)}));
                    }
                    if (!ok) return failure(ok.error());
                }
                config.lines.push_back(line);
            }
        } else {
            return at(
                node,
                Message(Text::q7tr("unknown key %1; there are broker, id, poll, discovery_prefix, ca_file, "
                                   "username, password and [[line]] tables"),
                        {quoted(name)}));
        }
        if (!ok) return failure(ok.error());
    }
    const Result<BridgeConfig> fine = checked(config);
    if (!fine) return failure(Message(Text::q7tr("%1: %2"), {Message::verbatim(path), fine.error()}));
    return fine;
}

} // namespace q7
