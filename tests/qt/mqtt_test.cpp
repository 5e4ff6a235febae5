// SPDX-License-Identifier: MIT
// The MQTT client against a fake broker, for what a real one never sends (the bridge's test runs it against
// a real one). Real time: every bound is generous.

#include "qt/bridge/mqtt_client.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

namespace q7::test {
namespace {

// A client started and connected, its signals recorded.
struct Client {
    explicit Client(quint16 port, std::string will = {}, std::size_t max = 1024)
        : mqtt({.host = "127.0.0.1",
                .port = port,
                .willTopic = will,
                .willPayload = "gone",
                .maxPacketBytes = max}) {
        EXPECT_TRUE(mqtt.start() && up.wait(5000)) << "connected";
    }
    bool receive(int count) {
        return QTest::qWaitFor([&] { return got.size() >= count; }, 5000);
    }
    MqttClient mqtt;
    QSignalSpy up{&mqtt, &MqttClient::connected}, got{&mqtt, &MqttClient::message};
    QSignalSpy big{&mqtt, &MqttClient::oversize};
};

// Garbage ends a broker's first MQTT 5 attempt; the next offers 3.1.1, which knows no limit, so the client
// drops a message over it itself.
TEST(MqttFake, GarbageIsSurvivedAndAMessageOverTheLimitDropped) {
    QTcpServer fake;
    fake.listen(QHostAddress::LocalHost);
    const QByteArray connack = QByteArray::fromHex("20020000"), ok = QByteArray::fromHex("30050001746f6b");
    const QByteArray big = QByteArray::fromHex("30d30f000174") + QByteArray(2000, 'x');
    QObject::connect(&fake, &QTcpServer::newConnection, [&, n = 0]() mutable {
        QTcpSocket* s = fake.nextPendingConnection();
        const QByteArray answer = ++n == 1 ? QByteArray(64, '\xff') : connack + big + ok;
        QObject::connect(s, &QTcpSocket::readyRead, s, [s, answer] { s->readAll(), s->write(answer); });
    });
    Client c(fake.serverPort());
    ASSERT_TRUE(c.receive(1));
    EXPECT_EQ(c.got[0].mid(0, 2), (QVariantList{"t", QByteArray("ok")}));
    EXPECT_EQ(c.big.size() == 1 ? c.big[0] : QVariantList(), (QVariantList{"t", qsizetype(2000)}));
}

TEST(MqttUrl, ReadsSchemeHostAndPort) {
    for (const auto& [url, expected] : std::initializer_list<std::pair<const char*, const char*>>{
             {"mqtt://broker.local", "broker.local 1883"},
             {"mqtts://10.0.0.5", "10.0.0.5 8883 tls"},
             {"MQTT://h:1884", "h 1884"},
             {"mqtts://[fe80::1]:9999", "fe80::1 9999 tls"}}) {
        const auto s = parseBrokerUrl(url);
        EXPECT_EQ(s ? s->host + " " + std::to_string(s->port) + (s->tls ? " tls" : "") : "", expected) << url;
    }
    for (const char* url : {"http://h", "mqtt://", "mqtt://h:", "mqtt://h:0", "mqtt://h:65536",
                            "mqtt://h:12x", "mqtt://::1", "mqtt://[::1", "mqtt://h/x", "mqtt://user@h"})
        EXPECT_FALSE(parseBrokerUrl(url)) << url;
    EXPECT_EQ(parseBrokerUrl("mqtt://h:0").error().english(),
              "\"mqtt://h:0\": the port must be a number from 1 to 65535");
}

} // namespace
} // namespace q7::test
