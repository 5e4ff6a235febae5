// SPDX-License-Identifier: MIT
#include "bridge/discovery.h"

#include "bridge/topics.h"
#include "display/status_queries.h"
#include "protocol/names.h"

#include <algorithm>
#include <cctype>

namespace q7 {
namespace {

// The operating states in which the lamp is on or starting: the power switch shows on.
constexpr auto kLampOn =
    std::to_array<std::string_view>({"on", "count-down", "on-temperature-warning", "no-key-input"});
static_assert(std::all_of(kLampOn.begin(), kLampOn.end(),
                          [](std::string_view w) { return isStatusWord("power", w); }),
              "the power switch tests for words the power query gives");

// The lamp select's choices are the lamp-mode sensor's words, each sent as its button's name.
constexpr auto kLampChoices = std::to_array<std::pair<std::string_view, std::string_view>>(
    {{"2-lamps", "lamp select 2 lamp"}, {"lamp-1", "lamp select 1"}, {"lamp-2", "lamp select 2"}});
static_assert(std::all_of(kLampChoices.begin(), kLampChoices.end(),
                          [](const auto& c) { return isStatusWord("lamp_mode", c.first); }),
              "the lamp select offers words the lamp-mode query gives");

// A Jinja list of words: ['on', 'count-down'].
std::string jinjaList(auto words) {
    std::string list = "[";
    for (const std::string_view w : words)
        list.append(list.size() > 1 ? ", '" : "'").append(w) += '\'';
    return list + "]";
}

// Home Assistant compares a switch's rendered state with state_on and state_off, and takes "None" for
// unknown: a reading the projector did not give is never shown as off, nor as the last value it had.
std::string powerOn() {
    return "{{ None if value_json.power.value is none else 'ON' if value_json.power.value in " +
           jinjaList(kLampOn) + " else 'OFF' }}";
}

std::string lampChoice() {
    std::string map = "{{ {";
    for (const auto& [word, button] : kLampChoices)
        map.append(map.size() > 4 ? ", '" : "'").append(word).append("': '").append(button) += '\'';
    return map + "}[value] }}";
}

std::vector<std::string> lampWords() {
    std::vector<std::string> words;
    for (const auto& [word, button] : kLampChoices)
        words.emplace_back(word);
    return words;
}

// The mutes are read only while the projector reports them (not in standby, not without a signal).
const char* const kMuteOn =
    "{{ ('ON' if value_json.mute.value.%1 else 'OFF') if value_json.mute.value is mapping "
    "else None }}";

struct Entity {
    const char* component;
    const char* id;
    const char* name;
    Json config;
};

std::string replaced(std::string text, std::string_view marker, std::string_view with) {
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + with.size()))
        text.replace(at, marker.size(), with);
    return text;
}

// A select whose choice is sent as "WORDS CHOICE" and is not read back.
Json optimisticSelect(const std::string& words, const std::vector<std::string>& options) {
    return {{"options", options}, {"command_template", words + " {{ value }}"}, {"optimistic", true}};
}

Json onOff(const char* on, const char* off, const std::string& state) {
    return {{"payload_on", on},
            {"payload_off", off},
            {"state_on", "ON"},
            {"state_off", "OFF"},
            {"value_template", state}};
}

// A reading of the state's key, "None" when the reply gave none; path goes on from its value. The unit is
// the query's.
Json sensor(const std::string& key, const std::string& path = "", const char* deviceClass = nullptr,
            const char* stateClass = "measurement") {
    Json config{{"value_template", "{{ value_json." + key + ".value" + path + " if value_json." + key +
                                       ".value is not none else None }}"}};
    if (const std::string_view unit = findStatusKey(key)->unit; !unit.empty())
        config["unit_of_measurement"] = unit.substr(1);
    if (deviceClass) config["device_class"] = deviceClass, config["state_class"] = stateClass;
    return config;
}

// What Home Assistant names an entity by default: its component, a dot, and the unique id in the characters
// an entity id may hold.
std::string defaultEntityId(const std::string& component, const std::string& unique) {
    std::string id = unique;
    for (char& c : id) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) c = '_';
    }
    return component + "." + id;
}

} // namespace

std::vector<DiscoveryEntity> discoveryFor(const std::string& prefix, const std::string& bridgeId,
                                          const std::string& line, const std::string& projector) {
    const std::string device = "q7_" + bridgeId + "_" + line + "_" + projector;
    Json state = sensor("power");
    state["device_class"] = "enum";
    state["options"] = Json::array();
    for (const StatusCode& code : status::kOperatingState)
        state["options"].push_back(code.word);
    std::vector<Entity> entities = {
        {"switch", "power", "Power", onOff("power on", "power off", powerOn())},
        {"select",
         "input",
         "Input",
         {{"options", {"1", "2", "3"}},
          {"command_template", "input mode set {{ value }}"},
          {"value_template",
           "{{ value_json.input.value | int | string if value_json.input.value in [1, 2, 3] else None }}"}}},
        {"switch", "sound_mute", "Sound mute",
         onOff("sound mute on", "sound mute off", replaced(kMuteOn, "%1", "audio"))},
        {"switch", "no_show", "No show",
         onOff("no show on", "no show off", replaced(kMuteOn, "%1", "video"))},
        {"switch",
         "freeze",
         "Freeze",
         {{"payload_on", "freeze on"}, {"payload_off", "freeze off"}, {"optimistic", true}}},
        {"select", "av_size", "AV size", optimisticSelect("av size", {"regular", "wide"})},
        {"select",
         "lamp_select",
         "Lamp select",
         {{"options", lampWords()},
          {"command_template", lampChoice()},
          {"value_template", sensor("lamp_mode", ".mode")["value_template"]}}},
        {"select", "fan_speed", "Fan speed", optimisticSelect("fan speed", {"max", "nor"})},
        {"sensor", "state", "Operating state", state},
        {"sensor", "lamp_hours", "Lamp hours", sensor("lamp_hours", "", "duration", "total_increasing")},
        {"sensor", "temperature_1", "Temperature 1", sensor("temperatures", "[0]", "temperature")},
        {"sensor", "temperature_2", "Temperature 2", sensor("temperatures", "[1]", "temperature")},
        {"sensor", "pressure", "Air pressure", sensor("pressure", "", "atmospheric_pressure")},
        {"sensor", "lamp_mode", "Lamp mode", sensor("lamp_mode", ".mode")},
        {"sensor", "signal_type", "Signal type", sensor("signal_type")},
        // Polls at once, rather than at the next poll.
        {"button", "poll", "Poll now", {{"payload_press", "status"}}},
    };
    // The picture presets and the input-signal matrix: a button each.
    std::vector<std::pair<std::string, std::string>> buttons;
    for (const NamedButton& b : namedButtons())
        if (b.oneShot &&
            (b.oneShot->group == "Picture presets" || b.oneShot->group == catalogue::kInputSignals))
            buttons.emplace_back(b.name, replaced(std::string(b.name), " ", "_"));
    std::vector<DiscoveryEntity> out;
    const Json availability = Json::array({{{"topic", bridgeTopic(bridgeId, "availability")}},
                                           {{"topic", projectorTopic(line, projector, "availability")}}});
    const Json deviceInfo{{"identifiers", Json::array({device})},
                          {"name", "Q7 " + line + " " + projector},
                          {"manufacturer", "q7panel"},
                          {"model", "Q7 / Q7L"}};
    const Json origin{
        {"name", "q7-bridge"}, {"sw_version", Q7_VERSION}, {"support_url", "https://q7panel.org/"}};
    const auto add = [&](const std::string& component, const std::string& id, std::string name, Json config) {
        const std::string unique = device + "_" + id;
        config["unique_id"] = unique;
        config["default_entity_id"] = defaultEntityId(component, unique);
        // Entity names in one case: the buttons' are written in lower case, as scripts write them.
        if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        config["name"] = name;
        config["origin"] = origin;
        config["device"] = deviceInfo;
        config["availability"] = availability;
        config["availability_mode"] = "all";
        if (component != "sensor") config["command_topic"] = projectorTopic(line, projector, "command");
        if (config.contains("value_template"))
            config["state_topic"] = projectorTopic(line, projector, "state");
        out.push_back({prefix + "/" + component + "/" + unique + "/config", std::move(config)});
    };
    for (const Entity& e : entities)
        add(e.component, e.id, e.name, e.config);
    for (const auto& [name, id] : buttons)
        add("button", id, name, {{"payload_press", name}});
    return out;
}

} // namespace q7
