// SPDX-License-Identifier: MIT
// The MQTT client against a fake broker, for what a real one never sends and for the bytes it sends itself,
// and against a private mosquitto for a stop without a will, a command not held back, and TLS. Real time:
// every bound is generous.

#include "broker.h"
#include "qt/bridge/mqtt_client.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <utility>
#include <vector>

// Readable failures: texts as they are, bytes in hex.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QVariant& value, std::ostream* out) {
    *out << (value.typeId() == QMetaType::QByteArray ? "0x" + value.toByteArray().toHex().toStdString()
                                                     : value.toString().toStdString());
}

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

// A broker that accepts MQTT 5 (or, when the first attempt gets garbage, 3.1.1) and keeps what it receives.
struct Fake {
    explicit Fake(const QByteArray& answer, bool v311 = false) {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this, answer, v311, n = 0]() mutable {
            QTcpSocket* s = server.nextPendingConnection();
            const QByteArray first = v311 && ++n == 1 ? QByteArray(64, '\xff') : answer;
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, first, answered = false]() mutable {
                received += s->readAll();
                if (!std::exchange(answered, true)) s->write(first);
            });
        });
    }
    bool receives(const QByteArray& bytes) {
        return QTest::qWaitFor([&] { return received.contains(bytes); }, 5000);
    }
    QTcpServer server;
    QByteArray received;
};

const QByteArray kConnack5 = QByteArray::fromHex("2003000000"), kConnack311 = QByteArray::fromHex("20020000");

// Garbage ends a broker's first MQTT 5 attempt; the next offers 3.1.1, which knows no limit, so the client
// drops a message over it itself.
TEST(MqttFake, GarbageIsSurvivedAndAMessageOverTheLimitDropped) {
    Fake fake(kConnack311 + QByteArray::fromHex("30d30f000174") + QByteArray(2000, 'x') +
                  QByteArray::fromHex("30050001746f6b"),
              true);
    Client c(fake.server.serverPort());
    ASSERT_TRUE(c.receive(1));
    EXPECT_EQ(c.got[0].mid(0, 2), (QVariantList{"t", QByteArray("ok")}));
    EXPECT_EQ(c.big.size() == 1 ? c.big[0] : QVariantList(), (QVariantList{"t", qsizetype(2000)}));
}

TEST(MqttFake, ResponseTopicAndCorrelationDataReachTheOwner) {
    // PUBLISH "t" "on" with response topic "r/1" and correlation data AB CD; then "t" "ok" with none.
    Fake fake(kConnack5 + QByteArray::fromHex("3011000174 0b 080003722f31 090002abcd 6f6e") +
              QByteArray::fromHex("300600017400 6f6b"));
    Client c(fake.server.serverPort());
    ASSERT_TRUE(c.receive(2));
    EXPECT_EQ(c.got[0], (QVariantList{"t", QByteArray("on"), false, "r/1", QByteArray("\xab\xcd")}));
    EXPECT_EQ(c.got[1], (QVariantList{"t", QByteArray("ok"), false, "", QByteArray()}));
}

// Correlation data goes out over MQTT 5 only; a subscription is at the QoS asked for.
TEST(MqttFake, CorrelationDataGoesOutOverMqtt5OnlyAndSubscriptionsAtTheirQos) {
    Fake five(kConnack5);
    Client c5(five.server.serverPort());
    c5.mqtt.subscribe("q7/a/+/command", 2);
    // SUBSCRIBE, message id 1, no properties, the pattern, options 2 (QoS 2).
    EXPECT_TRUE(five.receives(QByteArray::fromHex("8214 0001 00 000e 71372f612f2b2f636f6d6d616e64 02")));
    EXPECT_TRUE(c5.mqtt.publish("t", "ok", false, 0, "\xab\xcd"));
    EXPECT_TRUE(five.receives(QByteArray::fromHex("300b000174 05 090002abcd 6f6b")));
    EXPECT_TRUE(c5.mqtt.publish("t", "ok", false, 0));
    EXPECT_TRUE(five.receives(QByteArray::fromHex("300600017400 6f6b")));

    Fake three(kConnack311, true);
    Client c3(three.server.serverPort());
    EXPECT_TRUE(c3.mqtt.publish("t", "ok", false, 0, "\xab\xcd"));
    EXPECT_TRUE(three.receives(QByteArray::fromHex("30050001746f6b")));
    EXPECT_FALSE(three.received.contains(QByteArray::fromHex("abcd")));
}

// Nagle's algorithm on the client's socket would hold a command behind an earlier packet not yet
// acknowledged.
TEST(MqttFake, NagleIsOff) {
    Fake fake(kConnack5);
    Client c(fake.server.serverPort());
    int found = 0, nodelay = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) != 0 || peer.sin_family != AF_INET ||
            ntohs(peer.sin_port) != fake.server.serverPort())
            continue;
        ++found;
        socklen_t length = sizeof nodelay;
        ::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nodelay, &length);
    }
    ASSERT_EQ(found, 1);
    EXPECT_NE(nodelay, 0);
}

// A client that subscribes to what it publishes last gets it back as it stops; closing a socket with data
// unread resets the connection, and a broker that sees the reset before the DISCONNECT sends the will.
TEST(MqttBroker, AStopRightAfterAPublishLeavesNoWill) {
    if (!Broker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    Broker broker;
    ASSERT_TRUE(broker.running());
    Client watcher(broker.port());
    watcher.mqtt.subscribe("q7/bridge/b/availability", 1);
    QTest::qWait(200);
    for (int i = 0; i < 20; ++i) {
        Client bridge(broker.port(), "q7/bridge/b/availability");
        bridge.mqtt.subscribe("q7/bridge/+/availability", 1);
        QTest::qWait(20);
        EXPECT_TRUE(bridge.mqtt.publish("q7/bridge/b/availability", "offline", false));
        bridge.mqtt.stop();
    }
    QTest::qWait(500);
    QStringList payloads;
    for (const QVariantList& message : watcher.got)
        payloads.push_back(message[1].toString());
    EXPECT_EQ(payloads, QStringList(20, "offline")) << "the will is \"gone\"";
}

// mosquitto leaves Nagle's algorithm on for its clients by default: its next packet to a client waits until
// the client acknowledges the last one, which a client that has just sent (a result, here) would delay by
// 40 ms or more.
TEST(MqttBroker, ACommandIsNotHeldBehindAnAcknowledgementThisSideDelays) {
    if (!Broker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    Broker broker;
    ASSERT_TRUE(broker.running());
    Client bridge(broker.port()), dashboard(broker.port());
    bridge.mqtt.subscribe("q7/hall/+/command", 1);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            dashboard.mqtt.publish("q7/hall/001/command", "probe", false, 0);
            return QTest::qWaitFor([&] { return !bridge.got.isEmpty(); }, 100);
        },
        5000));
    QObject::connect(&bridge.mqtt, &MqttClient::message,
                     [&] { bridge.mqtt.publish("q7/hall/001/result", "{}", false, 1); });
    std::vector<double> ms;
    QElapsedTimer clock;
    for (int i = 0; i < 30; ++i) {
        QTest::qWait(10);
        clock.start();
        dashboard.mqtt.publish("q7/hall/001/command", "power on", false, 1);
        // Woken by the message itself, not by polling.
        ASSERT_TRUE(bridge.got.wait(5000));
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    EXPECT_LT(ms[ms.size() / 2], 10) << "median, ms";
}

// An authority, a broker's certificate for localhost that it signed, and an authority that signed nothing.
struct Certificates {
    Certificates() {
        QFile ext(dir.filePath("broker.ext"));
        ok = ext.open(QIODevice::WriteOnly) && ext.write("subjectAltName=DNS:localhost\n") > 0;
        ext.close();
        const QString key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        for (const QString& args :
             {"req -x509 -keyout ca.key -out ca.pem -days 2 -subj /CN=Q7-test-CA" + key,
              "req -x509 -keyout other.key -out other.pem -days 2 -subj /CN=Q7-other-CA" + key,
              "req -new -keyout broker.key -out broker.csr -subj /CN=localhost" + key,
              QString(
                  "x509 -req -in broker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out broker.pem -days 2 "
                  "-extfile broker.ext")}) {
            QProcess openssl;
            openssl.setWorkingDirectory(dir.path());
            openssl.start("openssl", args.split(' '));
            ok = ok && openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
                 openssl.exitCode() == 0;
        }
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    QString listener() const {
        return QString("cafile %1\ncertfile %2\nkeyfile %3\n")
            .arg(dir.filePath("ca.pem"), dir.filePath("broker.pem"), dir.filePath("broker.key"));
    }
    QTemporaryDir dir;
    bool ok = false;
};

// A client over TLS, started.
struct TlsClient {
    TlsClient(const char* host, quint16 port, std::string caFile)
        : mqtt({.host = host, .port = port, .tls = true, .caFile = std::move(caFile)}),
          started(mqtt.start()) {}
    QString firstFailure() {
        return QTest::qWaitFor([&] { return !failed.isEmpty(); }, 10000) ? failed[0][0].toString()
                                                                         : QString();
    }
    MqttClient mqtt;
    Result<> started;
    QSignalSpy up{&mqtt, &MqttClient::connected}, failed{&mqtt, &MqttClient::connectFailed};
};

TEST(MqttTls, EachFailureNamesWhatDidNotPassAndTheBroker) {
    if (!Broker::installed()) GTEST_SKIP() << "mosquitto is not installed";
    const Certificates certificates;
    ASSERT_TRUE(certificates.ok) << "openssl made the certificates";
    Broker broker(certificates.listener());
    ASSERT_TRUE(broker.running());
    const QString port = QString::number(broker.port());

    TlsClient trusted("localhost", broker.port(), certificates.path("ca.pem"));
    ASSERT_TRUE(trusted.started);
    EXPECT_TRUE(trusted.up.wait(10000))
        << "connected with the authority that signed the broker's certificate";
    EXPECT_TRUE(trusted.failed.isEmpty());

    TlsClient other("localhost", broker.port(), certificates.path("other.pem"));
    ASSERT_TRUE(other.started);
    EXPECT_EQ(other.firstFailure(), "the certificate of the broker localhost:" + port +
                                        " cannot be verified with the authorities in \"" +
                                        certificates.dir.filePath("other.pem") +
                                        "\": signed by another authority, or out of date");
    // The next attempt comes after a second, not at once over MQTT 3.1.1: a certificate has no protocol.
    QTest::qWait(500);
    EXPECT_EQ(other.failed.size(), 1);
    EXPECT_TRUE(other.up.isEmpty());

    Broker plain;
    ASSERT_TRUE(plain.running());
    QFile text(certificates.dir.filePath("text.pem"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("no certificate here\n") > 0);
    text.close();
    // Host, port, authorities, and what is said: the whole of it, or its start where the library's own words
    // follow ": ".
    const std::tuple<const char*, quint16, const char*, QString> failures[] = {
        {"127.0.0.1", broker.port(), "ca.pem",
         "the certificate of the broker 127.0.0.1:" + port + " is made out to another host name"},
        {"localhost", plain.port(), "ca.pem",
         "the TLS connection to the broker localhost:" + QString::number(plain.port()) + " failed: "},
        {"localhost", broker.port(), "text.pem",
         "the authorities in \"" + text.fileName() + "\" cannot be used for the broker localhost:" + port +
             ": "}};
    for (const auto& [host, at, authorities, failure] : failures) {
        TlsClient client(host, at, certificates.path(authorities));
        ASSERT_TRUE(client.started);
        const QString said = client.firstFailure();
        EXPECT_TRUE(said == failure || (failure.endsWith(": ") && said.startsWith(failure)))
            << said.toStdString();
    }
}

TEST(MqttTls, AnAuthoritiesFileThatCannotBeReadIsRefusedAtStart) {
    QTemporaryDir dir;
    for (const auto& [name, why] : std::initializer_list<std::pair<const char*, const char*>>{
             {"none.pem", "No such file or directory"}, {"", "Is a directory"}}) {
        const std::string path = dir.filePath(name).toStdString();
        MqttClient client({.host = "localhost", .tls = true, .caFile = path});
        const Result<> started = client.start();
        ASSERT_FALSE(started) << name;
        EXPECT_EQ(started.error().english(),
                  "the certificate authorities file \"" + path + "\" cannot be read: " + why);
    }
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
