// SPDX-License-Identifier: MIT
#include "qt/bridge/discovery.h"

#include "protocol/names.h"

#include <QJsonArray>

namespace q7 {
namespace {

// The operating states in which the lamp is on or starting: the power switch shows on.
const char* const kPowerOn =
    "{{ 'ON' if value_json.power.value in ['on', 'count-down', 'on-temperature-warning', "
    "'no-key-input'] else 'OFF' }}";

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

QJsonObject sensor(const char* value, const char* unit = nullptr, const char* deviceClass = nullptr) {
    QJsonObject config{{"value_template", QString("{{ value_json.%1 }}").arg(value)}};
    if (unit) config.insert("unit_of_measurement", unit);
    if (deviceClass) config.insert("device_class", deviceClass), config.insert("state_class", "measurement");
    return config;
}

} // namespace

std::vector<DiscoveryEntity> discoveryFor(const QString& prefix, const QString& bridgeId, const QString& line,
                                          const QString& projector) {
    const QString base = QString("q7/%1/%2/").arg(line, projector);
    const QString device = QString("q7_%1_%2_%3").arg(bridgeId, line, projector);
    std::vector<Entity> entities = {
        {"switch",
         "power",
         "Power",
         {{"payload_on", "power on"}, {"payload_off", "power off"}, {"value_template", kPowerOn}}},
        {"select",
         "input",
         "Input",
         {{"options", strings({"1", "2", "3"})},
          {"command_template", "input mode set {{ value }}"},
          {"value_template",
           "{{ value_json.input.value | int | string if value_json.input.value in [1, 2, 3] else None }}"}}},
        {"switch",
         "sound_mute",
         "Sound mute",
         {{"payload_on", "sound mute on"},
          {"payload_off", "sound mute off"},
          {"value_template", "{{ 'ON' if value_json.mute.value.audio is true else 'OFF' }}"}}},
        {"switch",
         "no_show",
         "No show",
         {{"payload_on", "no show on"},
          {"payload_off", "no show off"},
          {"value_template", "{{ 'ON' if value_json.mute.value.video is true else 'OFF' }}"}}},
        {"switch",
         "freeze",
         "Freeze",
         {{"payload_on", "freeze on"}, {"payload_off", "freeze off"}, {"optimistic", true}}},
        {"select", "av_size", "AV size", optimisticSelect("av size", {"regular", "wide"})},
        {"select", "lamp_select", "Lamp select", optimisticSelect("lamp select", {"2 lamp", "1", "2"})},
        {"select", "fan_speed", "Fan speed", optimisticSelect("fan speed", {"max", "nor"})},
        {"sensor", "state", "Operating state", sensor("power.value")},
        {"sensor", "lamp_hours", "Lamp hours", sensor("lamp_hours.value", "h", "duration")},
        {"sensor", "temperature_1", "Temperature 1", sensor("temperatures.value[0]", "°C", "temperature")},
        {"sensor", "temperature_2", "Temperature 2", sensor("temperatures.value[1]", "°C", "temperature")},
        {"sensor", "pressure", "Air pressure", sensor("pressure.value", "hPa", "atmospheric_pressure")},
        {"sensor", "lamp_mode", "Lamp mode", sensor("lamp_mode.value.mode")},
        {"sensor", "signal_type", "Signal type", sensor("signal_type.value")},
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
    const auto add = [&](const QString& component, const QString& id, const QString& name,
                         QJsonObject config) {
        const QString unique = device + "_" + id;
        config.insert("unique_id", unique);
        config.insert("object_id", unique);
        config.insert("name", name);
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
