// SPDX-License-Identifier: MIT
// The discovery as Home Assistant reads it: every state template rendered by Jinja2 against state payloads as
// the bridge publishes them, each result what its entity compares with ("ON", "OFF", a value, or "None" for
// unknown); and the options Home Assistant checks.

#include "bridge/discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>

namespace q7::test {
namespace {

// Renders each template with each payload as value_json; one line of renders, " | " between, per template.
constexpr const char* kRender = R"(
import json, sys, jinja2
job = json.load(sys.stdin)
env = jinja2.Environment()
for name, source in job["templates"]:
    renders = [env.from_string(source).render(value_json=p).strip() for p in job["payloads"]]
    print(name + ": " + " | ".join(renders))
)";

TEST(Discovery, HomeAssistantReadsEveryStateAsItsEntityCompares) {
    const char* const kPayloads[] = {
        R"({"power":{"value":"on"},"input":{"value":2},"mute":{"value":{"video":false,"audio":true}},)"
        R"("lamp_hours":{"value":1234},"temperatures":{"value":[35.2,41.8]},"pressure":{"value":1013},)"
        R"("lamp_mode":{"value":{"lamps_lit":[1],"mode":"lamp-1"}},"signal_type":{"value":"ANALOG"}})",
        R"({"power":{"value":"standby"},"input":{"value":1},"mute":{"value":"standby"},)"
        R"("lamp_hours":{"value":1234},"temperatures":{"value":[24,24]},"pressure":{"value":1013},)"
        R"("lamp_mode":{"value":{"lamps_lit":[],"mode":"2-lamps"}},"signal_type":{"value":"ANALOG"}})",
        R"({"power":{"value":"cooling-down"},"input":{"value":3},"mute":{"value":{"video":true,"audio":false}},)"
        R"("lamp_hours":{"value":1235},"temperatures":{"value":[40.5,52]},"pressure":{"value":1012},)"
        R"("lamp_mode":{"value":{"lamps_lit":[],"mode":"2-lamps"}},"signal_type":{"value":"DVI"}})",
        R"({"power":{"value":"count-down"},"input":{"value":1},"mute":{"value":"no-signal"},)"
        R"("lamp_hours":{"value":1235},"temperatures":{"value":[25,26]},"pressure":{"value":1013},)"
        R"("lamp_mode":{"value":{"lamps_lit":[1,2],"mode":"2-lamps"}},"signal_type":{"value":"ANALOG"}})",
        R"({"power":{"value":null},"input":{"value":null},"mute":{"value":null},"lamp_hours":{"value":null},)"
        R"("temperatures":{"value":null},"pressure":{"value":null},"lamp_mode":{"value":null},)"
        R"("signal_type":{"value":null}})",
    };
    const std::vector<DiscoveryEntity> entities = discoveryFor("homeassistant", "test", "hall", "001");
    QJsonArray templates, payloads;
    // As Home Assistant receives them.
    std::map<QString, QJsonObject> configs;
    for (const DiscoveryEntity& e : entities) {
        const QJsonObject c = QJsonDocument::fromJson(QByteArray::fromStdString(compact(e.config))).object();
        const QString topic = QString::fromStdString(e.topic);
        configs[c["unique_id"].toString()] = c;
        EXPECT_FALSE(c.contains("object_id")) << e.topic;
        EXPECT_TRUE(QRegularExpression("^" + topic.section('/', 1, 1) + "\\.q7_test_hall_001_[a-z0-9_]+$")
                        .match(c["default_entity_id"].toString())
                        .hasMatch())
            << c["default_entity_id"].toString().toStdString();
        EXPECT_EQ(c["origin"]["name"].toString(), "q7-bridge");
        if (c.contains("value_template"))
            templates.append(
                QJsonArray{c["unique_id"].toString().remove("q7_test_hall_001_"), c["value_template"]});
    }
    for (const char* p : kPayloads)
        payloads.append(QJsonDocument::fromJson(p).object());
    QProcess python;
    python.start("/usr/bin/python3", {"-c", kRender});
    python.write(QJsonDocument(QJsonObject{{"templates", templates}, {"payloads", payloads}}).toJson());
    python.closeWriteChannel();
    ASSERT_TRUE(python.waitForFinished(20000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).toStdString(),
              "power: ON | OFF | OFF | ON | None\n"
              "input: 2 | 1 | 3 | 1 | None\n"
              "sound_mute: ON | None | OFF | None | None\n"
              "no_show: OFF | None | ON | None | None\n"
              "lamp_select: lamp-1 | 2-lamps | 2-lamps | 2-lamps | None\n"
              "state: on | standby | cooling-down | count-down | None\n"
              "lamp_hours: 1234 | 1234 | 1235 | 1235 | None\n"
              "temperature_1: 35.2 | 24 | 40.5 | 25 | None\n"
              "temperature_2: 41.8 | 24 | 52 | 26 | None\n"
              "pressure: 1013 | 1013 | 1012 | 1013 | None\n"
              "lamp_mode: lamp-1 | 2-lamps | 2-lamps | 2-lamps | None\n"
              "signal_type: ANALOG | ANALOG | DVI | ANALOG | None\n");

    const auto config = [&](const char* id) { return configs[QString("q7_test_hall_001_") + id]; };
    EXPECT_EQ(config("power")["state_on"], "ON");
    EXPECT_EQ(config("power")["state_off"], "OFF");
    EXPECT_EQ(config("power")["default_entity_id"], "switch.q7_test_hall_001_power");
    EXPECT_EQ(config("lamp_hours")["state_class"], "total_increasing");
    EXPECT_EQ(config("state")["device_class"], "enum");
    EXPECT_TRUE(config("state")["options"].toArray().contains("cooling-down-lamp-failure"));
    EXPECT_EQ(config("image3")["name"], "Image3");
    EXPECT_EQ(config("poll")["payload_press"], "status");
    EXPECT_EQ(config("input_2_s-video")["default_entity_id"], "button.q7_test_hall_001_input_2_s_video");
}

} // namespace
} // namespace q7::test
