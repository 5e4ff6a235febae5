// SPDX-License-Identifier: MIT
#include "qt/bridge/discovery.h"

#include "display/status_values.h"
#include "protocol/names.h"

#include <QJsonArray>

namespace q7 {
namespace {

// Home Assistant compares a switch's rendered state with state_on and state_off, and takes "None" for
// unknown: a reading the projector did not give is never shown as off, nor as the last value it had. The
// operating states in which the lamp is on or starting: the power switch shows on.
const char* const kPowerOn =
    "{{ None if value_json.power.value is none else 'ON' if value_json.power.value in "
    "['on', 'count-down', 'on-temperature-warning', 'no-key-input'] else 'OFF' }}";
// The mutes are read only while the projector reports them (not in standby, not without a signal).
const char* const kMuteOn =
    "{{ ('ON' if value_json.mute.value.%1 else 'OFF') if value_json.mute.value is mapping "
    "else None }}";

// The lamp select's words are the lamp-mode sensor's, each sent as its button's name.
const char* const kLampChoices = "{{ {'2-lamps': 'lamp select 2 lamp', 'lamp-1': 'lamp select 1', 'lamp-2': "
                                 "'lamp select 2'}[value] }}";

struct Entity {
    const char* component;
    const char* id;
    const char* name;
    QJsonObject config;
};

QJsonArray strings(std::initializer_list<const char*> texts) {
    QJsonArray out;
    for (const char* t : texts)
        out.append(t);
    return out;
}

// A select whose choice is sent as "WORDS CHOICE" and is not read back.
QJsonObject optimisticSelect(const char* words, std::initializer_list<const char*> options) {
    return {{"options", strings(options)},
            {"command_template", QString("%1 {{ value }}").arg(words)},
            {"optimistic", true}};
}

QJsonObject onOff(const char* on, const char* off, const QString& state) {
    return {{"payload_on", on},
            {"payload_off", off},
            {"state_on", "ON"},
            {"state_off", "OFF"},
            {"value_template", state}};
}

// A reading of the state's key, "None" when the reply gave none; path goes on from its value.
QJsonObject sensor(const char* key, const char* path = "", const char* unit = nullptr,
                   const char* deviceClass = nullptr, const char* stateClass = "measurement") {
    QJsonObject config{
        {"value_template",
         QString("{{ value_json.%1.value%2 if value_json.%1.value is not none else None }}").arg(key, path)}};
    if (unit) config.insert("unit_of_measurement", unit);
    if (deviceClass) config.insert("device_class", deviceClass), config.insert("state_class", stateClass);
    return config;
}

// What Home Assistant names an entity by default: its component, a dot, and the unique id in the characters
// an entity id may hold.
QString defaultEntityId(const QString& component, const QString& unique) {
    QString id = unique.toLower();
    for (QChar& c : id)
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_')) c = u'_';
    return component + "." + id;
}

} // namespace

std::vector<DiscoveryEntity> discoveryFor(const QString& prefix, const QString& bridgeId, const QString& line,
                                          const QString& projector) {
    const QString base = QString("q7/%1/%2/").arg(line, projector);
    const QString device = QString("q7_%1_%2_%3").arg(bridgeId, line, projector);
    QJsonObject state = sensor("power");
    QJsonArray states;
    for (const std::string_view word : operatingStates())
        states.append(QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size())));
    state.insert("device_class", "enum");
    state.insert("options", states);
    std::vector<Entity> entities = {
        {"switch", "power", "Power", onOff("power on", "power off", kPowerOn)},
        {"select",
         "input",
         "Input",
         {{"options", strings({"1", "2", "3"})},
          {"command_template", "input mode set {{ value }}"},
          {"value_template",
           "{{ value_json.input.value | int | string if value_json.input.value in [1, 2, 3] else None }}"}}},
        {"switch", "sound_mute", "Sound mute",
         onOff("sound mute on", "sound mute off", QString(kMuteOn).arg("audio"))},
        {"switch", "no_show", "No show", onOff("no show on", "no show off", QString(kMuteOn).arg("video"))},
        {"switch",
         "freeze",
         "Freeze",
         {{"payload_on", "freeze on"}, {"payload_off", "freeze off"}, {"optimistic", true}}},
        {"select", "av_size", "AV size", optimisticSelect("av size", {"regular", "wide"})},
        {"select",
         "lamp_select",
         "Lamp select",
         {{"options", strings({"2-lamps", "lamp-1", "lamp-2"})},
          {"command_template", kLampChoices},
          {"value_template", sensor("lamp_mode", ".mode")["value_template"].toString()}}},
        {"select", "fan_speed", "Fan speed", optimisticSelect("fan speed", {"max", "nor"})},
        {"sensor", "state", "Operating state", state},
        {"sensor", "lamp_hours", "Lamp hours", sensor("lamp_hours", "", "h", "duration", "total_increasing")},
        {"sensor", "temperature_1", "Temperature 1", sensor("temperatures", "[0]", "°C", "temperature")},
        {"sensor", "temperature_2", "Temperature 2", sensor("temperatures", "[1]", "°C", "temperature")},
        {"sensor", "pressure", "Air pressure", sensor("pressure", "", "hPa", "atmospheric_pressure")},
        {"sensor", "lamp_mode", "Lamp mode", sensor("lamp_mode", ".mode")},
        {"sensor", "signal_type", "Signal type", sensor("signal_type")},
    };
    // The picture presets and the input-signal matrix: a button each.
    std::vector<std::pair<QString, QString>> buttons;
    for (const NamedButton& b : namedButtons()) {
        const QString name = QString::fromUtf8(b.name.data(), static_cast<qsizetype>(b.name.size()));
        if (b.oneShot &&
            (b.oneShot->group == "Picture presets" || b.oneShot->group == catalogue::kInputSignals))
            buttons.emplace_back(name, QString(name).replace(' ', '_'));
    }
    std::vector<DiscoveryEntity> out;
    const QJsonArray availability{QJsonObject{{"topic", QString("q7/bridge/%1/availability").arg(bridgeId)}},
                                  QJsonObject{{"topic", base + "availability"}}};
    const QJsonObject deviceInfo{{"identifiers", QJsonArray{device}},
                                 {"name", QString("Q7 %1 %2").arg(line, projector)},
                                 {"manufacturer", "q7panel"},
                                 {"model", "Q7 / Q7L"}};
    const QJsonObject origin{
        {"name", "q7ctl bridge"}, {"sw_version", Q7_VERSION}, {"support_url", "https://q7panel.org/"}};
    const auto add = [&](const QString& component, const QString& id, const QString& name,
                         QJsonObject config) {
        const QString unique = device + "_" + id;
        config.insert("unique_id", unique);
        config.insert("default_entity_id", defaultEntityId(component, unique));
        // Entity names in one case: the buttons' are written in lower case, as scripts write them.
        config.insert("name", name.left(1).toUpper() + name.mid(1));
        config.insert("origin", origin);
        config.insert("device", deviceInfo);
        config.insert("availability", availability);
        config.insert("availability_mode", "all");
        if (component != "sensor") config.insert("command_topic", base + "command");
        if (component == "button") config.insert("payload_press", name);
        if (config.contains("value_template")) config.insert("state_topic", base + "state");
        out.push_back({QString("%1/%2/%3/config").arg(prefix, component, unique), config});
    };
    for (const Entity& e : entities)
        add(e.component, e.id, e.name, e.config);
    for (const auto& [name, id] : buttons)
        add("button", id, name, {});
    return out;
}

} // namespace q7
