// SPDX-License-Identifier: MIT
#include "qt/bridge/mqtt_client.h"

#include "link/port_address.h"
#include "qt/core/translation.h"

#include <QMetaObject>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace q7 {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFirstRetry = std::chrono::seconds(1);
constexpr auto kLastRetry = std::chrono::seconds(30);
// A DISCONNECT that cannot leave within this is given up: the broker is gone anyway.
constexpr auto kDisconnectWait = std::chrono::seconds(2);
constexpr int kLoopMs = 1000;
constexpr auto kLoopWait = std::chrono::milliseconds(kLoopMs);

// The library's global state (OpenSSL's among it), once per process.
void initialiseLibrary() {
    static const struct Library {
        Library() { mosquitto_lib_init(); }
        ~Library() { mosquitto_lib_cleanup(); }
    } library;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// 0, or why the file cannot be read: the library says only that its arguments are invalid.
int unreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat status {};
    const int error = ::fstat(fd, &status) != 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
    ::close(fd);
    return error;
}

std::string hostPort(const MqttSettings& settings) {
    const bool v6 = settings.host.find(':') != std::string::npos;
    return (v6 ? "[" + settings.host + "]" : settings.host) + ":" + std::to_string(settings.port);
}

Message authorities(const MqttSettings& settings) {
    return settings.caFile.empty() ? Message(Text::q7tr("the system's authorities"))
                                   : Message(Text::q7tr("the authorities in %1"), {quoted(settings.caFile)});
}

} // namespace

Result<MqttSettings> parseBrokerUrl(std::string_view url) {
    const auto fail = [url](const Message& why) {
        return failure(Message(Text::q7tr("%1: %2"), {quoted(std::string(url)), why}));
    };
    const Message form("a broker is written mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
    MqttSettings settings;
    std::string_view rest = url;
    if (startsWithIgnoringCase(rest, "mqtts://")) {
        settings.tls = true;
        settings.port = 8883;
        rest.remove_prefix(8);
    } else if (startsWithIgnoringCase(rest, "mqtt://")) {
        rest.remove_prefix(7);
    } else {
        return fail(form);
    }

    const Result<std::string> host = takeHost(rest, form);
    if (!host) return fail(host.error());
    if (!rest.empty()) {
        if (rest.front() != ':')
            return fail(Message(Text::q7tr("unexpected %1 after the host"), {quoted(std::string(rest))}));
        rest.remove_prefix(1);
        unsigned port = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
        if (ec != std::errc() || end != rest.data() + rest.size() || port == 0 || port > 65535)
            return fail(Message(Text::q7tr("the port must be a number from 1 to 65535")));
        settings.port = static_cast<int>(port);
    }
    settings.host = *host;
    return settings;
}

// What the client and its network thread share. The client calls the library only under the mutex and only
// while connected: the thread (re)connects only after clearing connected under the same mutex, and
// connecting rebuilds state that a concurrent publish would touch.
struct MqttClient::Session {
    explicit Session(MqttSettings s) : settings(std::move(s)) {}
    ~Session() {
        if (mosq) mosquitto_destroy(mosq);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs f on the owner's thread, unless the owner stopped this session in the meantime.
    template <class F> void post(F f) {
        std::lock_guard lock(mutex);
        if (!owner) return;
        QMetaObject::invokeMethod(
            owner,
            [owner = owner, run = run, f = std::move(f)] {
                if (owner->runs_ == run) f(*owner);
            },
            Qt::QueuedConnection);
    }

    bool isStopping() {
        std::lock_guard lock(mutex);
        return stopping;
    }

    // The library returns only MOSQ_ERR_TLS; which check failed, it tells its log alone.
    Message tlsFailure() {
        std::lock_guard lock(logMutex);
        const Message broker = Message::verbatim(hostPort(settings));
        switch (tlsFault) {
        case TlsFault::HostName:
            return Message(Text::q7tr("the certificate of the broker %1 is made out to another host name"),
                           {broker});
        case TlsFault::Certificate:
            return Message(
                Text::q7tr("the certificate of the broker %1 cannot be verified with %2: signed by "
                           "another authority, or out of date"),
                {broker, authorities(settings)});
        case TlsFault::Authorities:
            return Message(Text::q7tr("%1 cannot be used for the broker %2: %3"),
                           {authorities(settings), broker, Message::verbatim(tlsReason)});
        case TlsFault::None:
        case TlsFault::Other:
            break;
        }
        return Message(
            Text::q7tr("the TLS connection to the broker %1 failed: %2"),
            {broker, Message::verbatim(tlsReason.empty() ? mosquitto_strerror(MOSQ_ERR_TLS) : tlsReason)});
    }

    // One attempt, served until the connection ends; false if it never reached the broker.
    bool serve(bool v5) {
        mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, v5 ? MQTT_PROTOCOL_V5 : MQTT_PROTOCOL_V311);
        mosquitto_property* properties = nullptr;
        if (v5)
            mosquitto_property_add_int32(
                &properties, MQTT_PROP_MAXIMUM_PACKET_SIZE,
                static_cast<std::uint32_t>(std::min<std::size_t>(settings.maxPacketBytes,
                                                                 std::numeric_limits<std::uint32_t>::max())));
        accepted = false;
        tlsFailed = false;
        protocol5 = v5;
        {
            std::lock_guard lock(logMutex);
            tlsFault = TlsFault::None;
            tlsReason.clear();
        }
        int rc = mosquitto_connect_bind_v5(mosq, settings.host.c_str(), settings.port, settings.keepAliveS,
                                           nullptr, properties);
        mosquitto_property_free_all(&properties);
        if (rc == MOSQ_ERR_TLS) {
            tlsFailed = true;
            post([why = tlsFailure()](MqttClient& client) { emit client.connectFailed(translated(why)); });
            return false;
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            const QString why =
                QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc));
            post([why](MqttClient& client) { emit client.connectFailed(why); });
            return false;
        }
        std::optional<Clock::time_point> giveUp;
        while (rc == MOSQ_ERR_SUCCESS) {
            {
                std::lock_guard lock(mutex);
                // stop() may have come while this thread was still connecting, too early to disconnect.
                if (stopping && !giveUp) giveUp = Clock::now() + kDisconnectWait;
                if (stopping && !disconnecting &&
                    (unacknowledged.empty() || Clock::now() > *giveUp - kLoopWait)) {
                    mosquitto_disconnect(mosq);
                    disconnecting = true;
                }
            }
            if (giveUp && Clock::now() > *giveUp) break;
            rc = mosquitto_loop(mosq, kLoopMs, 1);
            // A broker with Nagle's algorithm on holds its next packet (a command) until this side
            // acknowledges the last; Linux would delay that by 40 ms or more, and leaves quick
            // acknowledgement by itself.
            if (const int fd = mosquitto_socket(mosq); fd >= 0) {
                const int on = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
            }
        }
        // The handshake runs in the loop, so a certificate refused ends the loop, not the connect.
        if (rc == MOSQ_ERR_TLS && !accepted) {
            tlsFailed = true;
            post([why = tlsFailure()](MqttClient& client) { emit client.connectFailed(translated(why)); });
        }
        std::lock_guard lock(mutex);
        connected = false;
        unacknowledged.clear();
        return true;
    }

    static Session& of(void* obj) { return *static_cast<Session*>(obj); }

    static void onConnect(mosquitto*, void* obj, int rc) {
        Session& s = of(obj);
        if (rc != 0) {
            const QString why =
                QString::fromUtf8(s.protocol5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc));
            s.post([why](MqttClient& client) { emit client.connectFailed(why); });
            return;
        }
        s.accepted = true;
        {
            std::lock_guard lock(s.mutex);
            s.connected = true;
            for (const auto& [pattern, qos] : s.subscriptions)
                mosquitto_subscribe(s.mosq, nullptr, pattern.c_str(), qos);
        }
        s.post([](MqttClient& client) { emit client.connected(); });
    }

    static void onDisconnect(mosquitto*, void* obj, int) {
        Session& s = of(obj);
        bool was = false;
        {
            std::lock_guard lock(s.mutex);
            was = std::exchange(s.connected, false);
        }
        if (was) s.post([](MqttClient& client) { emit client.disconnected(); });
    }

    static void onPublish(mosquitto*, void* obj, int mid) {
        Session& s = of(obj);
        std::lock_guard lock(s.mutex);
        std::erase(s.unacknowledged, mid);
        if (s.stopping && s.connected && !s.disconnecting && s.unacknowledged.empty()) {
            mosquitto_disconnect(s.mosq);
            s.disconnecting = true;
        }
    }

    static void onMessage(mosquitto*, void* obj, const mosquitto_message* m,
                          const mosquitto_property* props) {
        Session& s = of(obj);
        const QString topic = QString::fromUtf8(m->topic ? m->topic : "");
        const qsizetype bytes = std::max(m->payloadlen, 0);
        if (static_cast<std::size_t>(bytes) > s.settings.maxPacketBytes) {
            s.post([topic, bytes](MqttClient& client) { emit client.oversize(topic, bytes); });
            return;
        }
        const QByteArray payload(static_cast<const char*>(m->payload), bytes);
        QString responseTopic;
        if (char* text = nullptr;
            mosquitto_property_read_string(props, MQTT_PROP_RESPONSE_TOPIC, &text, false)) {
            responseTopic = QString::fromUtf8(text);
            std::free(text);
        }
        QByteArray correlation;
        void* data = nullptr;
        std::uint16_t length = 0;
        if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &length, false)) {
            correlation = QByteArray(static_cast<const char*>(data), length);
            std::free(data);
        }
        s.post([topic, payload, retained = m->retain, responseTopic, correlation](MqttClient& client) {
            emit client.message(topic, payload, retained, responseTopic, correlation);
        });
    }

    static void onLog(mosquitto*, void* obj, int level, const char* text) {
        if (level != MOSQ_LOG_ERR || !text) return;
        Session& s = of(obj);
        const std::string_view line(text);
        std::lock_guard lock(s.logMutex);
        if (line.find("host name verification failed") != std::string_view::npos) {
            s.tlsFault = TlsFault::HostName;
        } else if (line.find("Unable to load CA certificates") != std::string_view::npos) {
            s.tlsFault = TlsFault::Authorities;
        } else if (line.starts_with("OpenSSL Error[")) {
            // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed", the reason last.
            if (s.tlsReason.empty()) s.tlsReason = line.substr(line.rfind(':') + 1);
            if (s.tlsFault == TlsFault::None)
                s.tlsFault =
                    line.ends_with(":certificate verify failed") ? TlsFault::Certificate : TlsFault::Other;
        }
    }

    const MqttSettings settings;
    mosquitto* mosq = nullptr;
    // The network thread's alone; protocol5 is read by the client too while connected, when it cannot change.
    bool accepted = false, tlsFailed = false, protocol5 = true;

    // The library logs from the client's thread too, which may hold the mutex below.
    std::mutex logMutex;
    enum class TlsFault { None, HostName, Certificate, Authorities, Other } tlsFault = TlsFault::None;
    std::string tlsReason; // OpenSSL's words

    std::mutex mutex;
    std::condition_variable wake;
    MqttClient* owner = nullptr;
    unsigned run = 0;
    bool stopping = false, disconnecting = false, finished = false, connected = false;
    // Message ids published at QoS 1 or 2 and not yet acknowledged, this connection's. The DISCONNECT waits
    // for them: the broker sends the last one back to a client subscribed to it before its acknowledgement,
    // and a socket closed with data unread is reset, which a broker that sees it before the DISCONNECT
    // answers with the will.
    std::vector<int> unacknowledged;
    std::vector<std::pair<std::string, int>> subscriptions;
};

MqttClient::MqttClient(MqttSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)) {}

MqttClient::~MqttClient() {
    stop();
}

Result<> MqttClient::start() {
    if (session_) return {};
    initialiseLibrary();
    if (settings_.keepAliveS < 5 || settings_.keepAliveS > 65535)
        return failure(Message(Text::q7tr("the keep-alive must be from 5 to 65535 seconds")));
    if (settings_.tls && !settings_.caFile.empty())
        if (const int error = unreadable(settings_.caFile))
            return failure(Message(Text::q7tr("the certificate authorities file %1 cannot be read: %2"),
                                   {quoted(settings_.caFile), Message::verbatim(std::strerror(error))}));
    auto session = std::make_shared<Session>(settings_);
    session->mosq =
        mosquitto_new(settings_.clientId.empty() ? nullptr : settings_.clientId.c_str(), true, session.get());
    if (!session->mosq)
        return failure(Message(Text::q7tr("the MQTT client could not be made: %1"),
                               {Message::verbatim(std::strerror(errno))}));
    mosquitto* mosq = session->mosq;
    // The library's own thread is not used, but its calls from the client's thread are made safe alike.
    mosquitto_threaded_set(mosq, true);
    mosquitto_connect_callback_set(mosq, &Session::onConnect);
    mosquitto_disconnect_callback_set(mosq, &Session::onDisconnect);
    mosquitto_publish_callback_set(mosq, &Session::onPublish);
    mosquitto_message_v5_callback_set(mosq, &Session::onMessage);
    mosquitto_log_callback_set(mosq, &Session::onLog);
    mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
    if (!settings_.username.empty() &&
        mosquitto_username_pw_set(mosq, settings_.username.c_str(),
                                  settings_.password.empty() ? nullptr : settings_.password.c_str()) != 0)
        return failure(Message(Text::q7tr("the user name is not valid UTF-8")));
    if (!settings_.willTopic.empty() &&
        mosquitto_will_set(mosq, settings_.willTopic.c_str(), static_cast<int>(settings_.willPayload.size()),
                           settings_.willPayload.data(), 1, settings_.willRetain) != 0)
        return failure(
            Message(Text::q7tr("%1 is no topic to publish the will to"), {quoted(settings_.willTopic)}));
    if (settings_.tls) {
        const int rc = settings_.caFile.empty() ? mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                                                : mosquitto_tls_set(mosq, settings_.caFile.c_str(), nullptr,
                                                                    nullptr, nullptr, nullptr);
        if (rc != 0)
            return failure(Message(Text::q7tr("the certificate authorities in %1 cannot be used: %2"),
                                   {quoted(settings_.caFile), Message::verbatim(mosquitto_strerror(rc))}));
    }
    session->owner = this;
    session->run = ++runs_;
    session->subscriptions = subscriptions_;
    session_ = session;
    thread_ = std::thread(&MqttClient::run, std::move(session));
    return {};
}

// The library's own loops (mosquitto_loop_forever, mosquitto_loop_start) give up for good on a failed name
// look-up or a protocol error; this one tries again whatever ended the connection. The library's connect
// blocks (an unanswered SYN holds it for about two minutes), which is why stop() may leave the thread behind.
void MqttClient::run(std::shared_ptr<Session> s) {
    auto delay = kFirstRetry;
    bool v5 = true;
    while (!s->isStopping()) {
        const bool reached = s->serve(v5);
        if (s->accepted) delay = kFirstRetry;
        // A broker without MQTT 5 ends the attempt without accepting it; 3.1.1 is offered at once, and MQTT 5
        // again the time after. A certificate refused is refused whatever the protocol.
        if (v5 && reached && !s->accepted && !s->tlsFailed) {
            v5 = false;
            continue;
        }
        v5 = true;
        std::unique_lock lock(s->mutex);
        if (s->wake.wait_for(lock, delay, [&] { return s->stopping; })) break;
        delay = std::min<std::chrono::seconds>(delay * 2, kLastRetry);
    }
    std::lock_guard lock(s->mutex);
    s->finished = true;
    s->wake.notify_all();
}

void MqttClient::stop() {
    if (!session_) return;
    ++runs_;
    {
        std::unique_lock lock(session_->mutex);
        session_->owner = nullptr;
        session_->stopping = true;
        // At once rather than at the thread's next turn, which may be a second away.
        if (session_->connected && session_->unacknowledged.empty()) {
            mosquitto_disconnect(session_->mosq);
            session_->disconnecting = true;
        }
        session_->wake.notify_all();
        if (!session_->wake.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                     [&] { return session_->finished; })) {
            lock.unlock();
            thread_.detach();
            session_.reset();
            return;
        }
    }
    thread_.join();
    session_.reset();
}

bool MqttClient::isConnected() const {
    if (!session_) return false;
    std::lock_guard lock(session_->mutex);
    return session_->connected;
}

bool MqttClient::publish(const QString& topic, const QByteArray& payload, bool retain, int qos,
                         const QByteArray& correlation) {
    if (!session_ || payload.size() > std::numeric_limits<int>::max() ||
        correlation.size() > std::numeric_limits<std::uint16_t>::max())
        return false;
    const QByteArray name = topic.toUtf8();
    std::lock_guard lock(session_->mutex);
    if (!session_->connected) return false;
    // A 3.1.1 connection takes no properties at all: the library would refuse the message.
    mosquitto_property* properties = nullptr;
    if (session_->protocol5 && !correlation.isEmpty())
        mosquitto_property_add_binary(&properties, MQTT_PROP_CORRELATION_DATA, correlation.constData(),
                                      static_cast<std::uint16_t>(correlation.size()));
    int mid = 0;
    const int rc =
        mosquitto_publish_v5(session_->mosq, &mid, name.constData(), static_cast<int>(payload.size()),
                             payload.constData(), qos, retain, properties);
    mosquitto_property_free_all(&properties);
    if (rc == MOSQ_ERR_SUCCESS && qos > 0) session_->unacknowledged.push_back(mid);
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::subscribe(const QString& pattern, int qos) {
    const std::string name = pattern.toStdString();
    const auto keep = [&](std::vector<std::pair<std::string, int>>& list) {
        const auto it =
            std::find_if(list.begin(), list.end(), [&](const auto& s) { return s.first == name; });
        if (it == list.end())
            list.emplace_back(name, qos);
        else
            it->second = qos;
    };
    keep(subscriptions_);
    if (!session_) return;
    std::lock_guard lock(session_->mutex);
    keep(session_->subscriptions);
    if (session_->connected) mosquitto_subscribe(session_->mosq, nullptr, name.c_str(), qos);
}

} // namespace q7
