// SPDX-License-Identifier: MIT
#pragma once
// A connection to an MQTT broker on libmosquitto, kept up by itself. The network runs on a thread of its own:
// name look-up, connecting, TLS and the waits between attempts never hold up the event loop. What happens
// there reaches the owner as signals, emitted on the client's thread.
//
// - Each connection is offered MQTT 5 first, with a maximum packet size of maxPacketBytes so that the broker
//   keeps larger messages back; a broker that ends the attempt without accepting is offered 3.1.1 next. A
//   payload over maxPacketBytes that arrives anyway is dropped and reported (oversize).
// - A lost or refused connection is tried again after 1 s, doubling up to 30 s; a broker that sends garbage
//   is only a lost connection. connected() follows every connection accepted.
// - The session is clean: the client keeps the patterns subscribed to and subscribes again on every
//   connection, but what was published is not kept. A publish while not connected is dropped, so the owner
//   publishes its retained state again on connected().
// - stop() (and the destructor) ends the connection with a DISCONNECT, so the broker does not send the will;
//   the will is for a program that ends without one, or a connection lost. The DISCONNECT waits up to a
//   second for what was published at QoS 1 or 2 to be acknowledged. Stopping waits at most kStopWaitMs: a
//   thread still in a connect that the network does not answer is left to end by itself.
// - Nagle's algorithm is off and every TCP acknowledgement leaves at once: a command waits neither for this
//   side's own earlier packet nor, on a broker with Nagle's algorithm on (mosquitto's default), for an
//   acknowledgement this side would delay.
// - Over MQTT 5 a message's response topic and correlation data reach the owner, and a reply carries its
//   correlation data back; over 3.1.1 there are none.

#include "base/message.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace q7 {

// Every member has a default, so that a designated initializer names only what it sets.
struct MqttSettings {
    std::string host{};
    int port = 1883;
    bool tls = false;
    std::string caFile{}; // with tls: the authorities to trust; empty: the system's
    std::string username{}, password{};
    std::string clientId{}; // empty: one the broker assigns
    std::string willTopic{}, willPayload{};
    bool willRetain = true;
    int keepAliveS = 30;
    std::size_t maxPacketBytes = 256 * 1024;
};

// mqtt://HOST[:PORT] (1883 by default) or mqtts://HOST[:PORT] (TLS, 8883); an IPv6 address in brackets. Sets
// host, port and tls.
Result<MqttSettings> parseBrokerUrl(std::string_view url);

class MqttClient final : public QObject {
    Q_OBJECT
  public:
    explicit MqttClient(MqttSettings settings, QObject* parent = nullptr);
    ~MqttClient() override;

    // Starts connecting, unless already started; fails only on settings that no attempt could get past.
    Result<> start();
    // Emits nothing, neither now nor later.
    void stop();
    bool isConnected() const;
    // False when not connected or refused by the library (a packet over the broker's maximum, say). The
    // correlation data (at most 65535 bytes) goes with the message over MQTT 5 only.
    bool publish(const QString& topic, const QByteArray& payload, bool retain, int qos = 1,
                 const QByteArray& correlation = {});
    // Kept for every later connection, and subscribed to at once if connected.
    void subscribe(const QString& pattern, int qos = 1);

    static constexpr int kStopWaitMs = 3000;

  signals:
    void connected();
    void disconnected();
    // An attempt that failed (no such host, refused, not authorised), as the library words it; a TLS failure
    // in the user's language, naming the broker and what did not pass: its certificate, its host name or
    // the authorities to trust.
    void connectFailed(const QString& why);
    // responseTopic and correlation are empty when the sender set none, and always over MQTT 3.1.1.
    void message(const QString& topic, const QByteArray& payload, bool retained, const QString& responseTopic,
                 const QByteArray& correlation);
    void oversize(const QString& topic, qsizetype bytes);

  private:
    struct Session;
    static void run(std::shared_ptr<Session> session);

    MqttSettings settings_;
    std::vector<std::pair<std::string, int>> subscriptions_;
    std::shared_ptr<Session> session_;
    std::thread thread_;
    // Tells events posted by a session since stopped from those of the one running.
    unsigned runs_ = 0;
};

} // namespace q7
