// SPDX-License-Identifier: MIT
// q7-bridge against a real mosquitto of the test's own and q7sim on its lines, watched by a client of the
// test's: discovery, state after a poll, a command and its frame, a response topic, a second bridge (started
// as q7ctl bridge), a line that goes and comes back, the broker restarted, the last will. Real time: every
// bound is generous.

#include "broker.h"
#include "qt/bridge/bridge_app.h"
#include "qt/bridge/mqtt_client.h"
#include "simulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace q7::test {
namespace {

// What a bridge is told to serve on its command line, refused with the reason at start.
TEST(BridgeConfig, TheCommandLineAndItsRefusals) {
    const Result<BridgeConfig> c = parseBridgeCommandLine(
        {"--broker", "mqtt://b:1884", "--line", "hall-a=socket://10.0.0.2:4001,speed=9600,projectors=001+003",
         "--line", "foyer_2=/dev/ttyUSB0", "--poll", "5", "--id", "x1"});
    ASSERT_TRUE(c.has_value()) << c.error().english();
    EXPECT_EQ(std::tuple(c->lines[0].settings, c->lines[0].projectors, c->lines[1].settings,
                         c->lines[1].projectors),
              std::tuple("9600,N,8,1", std::vector<std::string>{"001", "003"}, "19200,N,8,1",
                         std::vector<std::string>{"single"}));
    EXPECT_EQ(std::tuple(c->pollSeconds, c->id, c->discoveryPrefix), std::tuple(5, "x1", "homeassistant"));
    const std::pair<QStringList, const char*> refused[] = {
        {{"--broker", "mqtt://b", "--line", "Hall=/dev/ttyS0"}, "the line name \"Hall\" may hold only"},
        {{"--broker", "mqtt://b", "--line", "a/#=/dev/ttyS0"}, "the line name \"a/#\" may hold only"},
        {{"--broker", "mqtt://b", "--line", "bridge=/dev/ttyS0"}, "a line may not be named \"bridge\""},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0", "--line", "a=/dev/ttyS1"},
         "\"a\" is given twice"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,projectors=001+001"}, "each once"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,projectors=single+001"}, "each once"},
        {{"--broker", "mqtt://b", "--line", "a=/dev/ttyS0,speed=4800"}, "19200 or 9600"},
        {{"--broker", "mqtt://b", "--line", "a=socket://h:0"}, "from 1 to 65535"},
        {{"--broker", "http://b", "--line", "a=/dev/ttyS0"}, "mqtt://HOST[:PORT]"},
        {{"--broker", "mqtt://b", "--poll", "0", "--line", "a=/dev/ttyS0"}, "from 1 to 86400"},
        {{"--broker", "mqtt://b"}, "no line"},
        {{"--password", "x"}, "unknown option"},
        {{}, "nothing to serve: give --broker URL and --line NAME=PORT, or --config FILE"},
        {{"--config", "bridge.toml", "--poll", "5"}, "--config FILE stands alone"},
        {{"--broker", "mqtt://b", "--poll"}, "\"--poll\" needs a value"},
    };
    for (const auto& [args, error] : refused) {
        const Result<BridgeConfig> r = parseBridgeCommandLine(args);
        ASSERT_FALSE(r.has_value()) << error;
        EXPECT_NE(r.error().english().find(error), std::string::npos) << r.error().english();
    }
}

// Every message the broker passes on, the last one of each topic.
struct Watcher {
    explicit Watcher(quint16 port) : client(*parseBrokerUrl("mqtt://127.0.0.1:" + std::to_string(port))) {
        QObject::connect(&client, &MqttClient::message,
                         [this](const QString& topic, const QByteArray& payload) {
                             last[topic] = payload;
                             ++count[topic];
                         });
        client.subscribe("#");
        (void)client.start();
    }
    bool seen(const QString& topic, const QByteArray& payload, int ms = 15000) {
        return QTest::qWaitFor([&] { return last.count(topic) && last[topic] == payload; }, ms);
    }
    QJsonObject json(const QString& topic) {
        (void)QTest::qWaitFor([&] { return last.count(topic) > 0; }, 15000);
        return QJsonDocument::fromJson(last[topic]).object();
    }
    QJsonObject ask(const QString& topic, const QByteArray& payload, bool retain = false) {
        const QString result = QString(topic).replace("command", "result");
        last.erase(result);
        client.publish(topic, payload, retain);
        return json(result);
    }
    MqttClient client;
    std::map<QString, QByteArray> last;
    std::map<QString, int> count;
};

TEST(Bridge, AVenueOnTheBroker) {
    if (!Broker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    Broker broker;
    Simulator hall({"--tcp", "0", "--ids", "001,002"});
    Simulator foyer({});
    Watcher watch(broker.port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.client.isConnected(); }, 5000));
    // Left retained before the bridge starts: it must not fire at the start.
    watch.client.publish("q7/foyer/single/command", "power off", true);
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    bridge.start(Q7_BRIDGE_PATH, {"--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--line",
                                  "hall=" + hall.port + ",projectors=001+002", "--line",
                                  "foyer=" + foyer.port, "--poll", "1", "--id", "test"});
    EXPECT_TRUE(watch.seen("q7/bridge/test/availability", "online"));
    const QJsonObject power = watch.json("homeassistant/switch/q7_test_hall_002_power/config");
    EXPECT_EQ(power["command_topic"].toString(), "q7/hall/002/command");
    EXPECT_EQ(power["availability_mode"].toString(), "all");
    EXPECT_EQ(power["availability"].toArray().at(1).toObject()["topic"].toString(),
              "q7/hall/002/availability");
    EXPECT_EQ(
        watch.json("homeassistant/sensor/q7_test_foyer_single_lamp_hours/config")["unit_of_measurement"],
        "h");
    EXPECT_TRUE(watch.seen("q7/foyer/single/availability", "online"));
    EXPECT_EQ(watch.json("q7/hall/001/state")["lamp_hours"].toObject()["value"].toInt(), 1234);

    EXPECT_EQ(watch.ask("q7/hall/002/command", "power on")["outcome"].toString(), "ack");
    EXPECT_EQ(watch.ask("q7/foyer/single/command", R"({"send": "C44"})")["frame"].toString(), "C44\r");
    EXPECT_EQ(watch.ask("q7/hall/003/command", "power off"),
              (QJsonObject{{"outcome", "usage"},
                           {"error", "no projector 003 is served on the line hall"},
                           {"command", "power off"}}));
    EXPECT_EQ(
        watch.ask("q7/foyer/single/command", R"({"hold": "zoom +", "seconds": 61})")["command"].toObject(),
        (QJsonObject{{"hold", "zoom +"}, {"seconds", 61}}));
    // MQTT 5's request and response, as a client that knows nothing of this bridge asks.
    QProcess rr;
    rr.start("mosquitto_rr", {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-t",
                              "q7/hall/001/command", "-e", "q7/desk/replies", "-m", "image2", "-W", "10"});
    ASSERT_TRUE(rr.waitForFinished(15000));
    EXPECT_EQ(QJsonDocument::fromJson(rr.readAllStandardOutput()).object()["command"].toString(), "image2")
        << rr.readAllStandardError().toStdString();
    // A second bridge on the same broker: each answers for its own lines only, once; a line both claim is
    // left to the smaller id; stopped cleanly, its projectors are offline and no last will follows.
    Simulator lobby({});
    QProcess other;
    other.start(Q7CTL_PATH,
                {"bridge", "--broker", QString("mqtt://127.0.0.1:%1").arg(broker.port()), "--line",
                 "lobby=" + lobby.port, "--line", "hall=" + lobby.port + "0", "--id", "venue2"});
    EXPECT_TRUE(watch.seen("q7/lobby/single/availability", "online"));
    EXPECT_TRUE(watch.seen("q7/bridge/venue2/status", R"({"refused":{"hall":"served by the bridge test"}})"));
    EXPECT_EQ(watch.ask("q7/lobby/single/command", "image3")["outcome"].toString(), "ack");
    EXPECT_EQ(watch.ask("q7/hall/001/command", "image3")["command"].toString(), "image3");
    QTest::qWait(500);
    EXPECT_EQ(watch.count["q7/lobby/single/result"], 1);
    EXPECT_EQ(watch.count["q7/hall/001/result"], 2);
    other.terminate();
    ASSERT_TRUE(other.waitForFinished(10000));
    EXPECT_TRUE(watch.seen("q7/lobby/single/availability", "offline"));
    QTest::qWait(1000);
    EXPECT_EQ(watch.count["q7/bridge/venue2/availability"], 2) << "online, then offline once: no will";
    EXPECT_TRUE(QString::fromUtf8(other.readAllStandardError())
                    .contains("q7-bridge: WARNING: the bridge test serves the line hall as well; this bridge "
                              "leaves the line to it, as its id is the smaller\n"));
    EXPECT_EQ(hall.commands(), (QStringList{"A002C00", "A001CF IMAGE IMAGE2", "A001CF IMAGE IMAGE3"}));
    EXPECT_EQ(foyer.commands(), QStringList{"C44"}) << "nothing refused was sent, nor a retained command";

    // The line goes and comes back; the broker goes and comes back.
    const QString port = hall.port.section(':', -1);
    hall.signal(SIGUSR1);
    EXPECT_TRUE(watch.seen("q7/hall/001/availability", "offline"));
    Simulator again({"--tcp", port, "--ids", "001,002"});
    EXPECT_TRUE(watch.seen("q7/hall/001/availability", "online"));
    broker.restart();
    watch.last.clear();
    EXPECT_TRUE(watch.seen("q7/bridge/test/availability", "online", 40000));
    EXPECT_TRUE(watch.seen("q7/hall/002/availability", "online"));
    ::kill(static_cast<pid_t>(bridge.processId()), SIGKILL);
    EXPECT_TRUE(watch.seen("q7/bridge/test/availability", "offline"));
    // What a venue's journal shows of it all.
    const QString journal = QString::fromUtf8(bridge.readAllStandardError());
    for (const QString& told :
         {QString("q7-bridge: serving hall (%1: 001 002), foyer (%2: single)").arg(hall.port, foyer.port),
          QString("q7-bridge: connected to the broker mqtt://127.0.0.1:%1\n").arg(broker.port()),
          QString("q7-bridge: the line hall is away: "), QString("q7-bridge: the line hall is open\n"),
          QString("q7-bridge: a command on q7/hall/003/command was not run: no projector 003 is served"),
          QString("q7-bridge: WARNING: the bridge venue2 serves the line hall as well; this bridge keeps "
                  "it, as "
                  "its id is the smaller\n")})
        EXPECT_TRUE(journal.contains(told)) << told.toStdString() << "\n" << journal.toStdString();
}

} // namespace
} // namespace q7::test
