// SPDX-License-Identifier: MIT
#include "qt/bridge/bridge_app.h"

#include "bridge/line_worker.h"
#include "display/trace.h"
#include "log/session_log.h"
#include "qt/bridge/discovery.h"
#include "qt/bridge/mqtt_client.h"
#include "qt/core/process_end.h"
#include "qt/core/qt_line.h"
#include "qt/core/qt_timer.h"
#include "qt/core/translation.h"
#include "qt/ctl/json.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>

namespace q7 {
namespace {

constexpr int kLongestRemoteHoldS = 60;
// What a result repeats of a command that is no object.
constexpr qsizetype kEchoedBytes = 64;

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A payload: a name, {"send": TEXT} or {"hold": NAME, "seconds": S}, and nothing else.
Result<Request> commandFrom(const QByteArray& payload) {
    if (!payload.trimmed().startsWith('{')) {
        const NamedButton* button = findButton(payload.toStdString());
        if (!button) {
            const Result<Request> asWords = parseRequest({payload.toStdString()});
            return failure(
                asWords ? Message(Text::q7tr("%1 is no button's name"), {quoted(payload.toStdString())})
                        : asWords.error());
        }
        Request request;
        request.kind = Request::Kind::Button;
        request.button = button;
        return request;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (!document.isObject())
        return failure(
            Message(Text::q7tr("a command is a name, {\"send\": TEXT} or {\"hold\": NAME, \"seconds\": S}")));
    const QJsonObject object = document.object();
    if (object.keys() == QStringList{"send"} && object["send"].isString())
        return parseRequest({"send", object["send"].toString().toLatin1().toStdString()});
    if (object.keys() == QStringList{"hold", "seconds"} && object["hold"].isString() &&
        object["seconds"].isDouble())
        return parseRequest({"hold", object["hold"].toString().toStdString(),
                             QString::number(object["seconds"].toDouble()).toStdString()},
                            kLongestRemoteHoldS);
    return failure(
        Message(Text::q7tr("a command object has \"send\" alone, or \"hold\" with \"seconds\"; not %1"),
                {quoted(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString())}));
}

class Bridge final : public QObject, private LineWorker::Events {
  public:
    Bridge(BridgeConfig config, MqttSettings settings, std::map<std::string, SessionLog*> logs)
        : config_(std::move(config)), mqtt_(std::move(settings)), logs_(std::move(logs)) {
        LineWorker::Events& events = *this;
        for (const BridgeLine& line : config_.lines) {
            auto qtLine = std::make_unique<QtLine>();
            qtLine->setCloseDrainMs(0);
            Traffic traffic;
            if (SessionLog* log = logOf(line.name))
                traffic = [log, port = line.port](bool sent, const std::string& bytes) {
                    if (!bytes.empty())
                        log->write(port, sent ? SessionLog::Direction::TX : SessionLog::Direction::RX,
                                   traceText(bytes), bytes);
                };
            workers_.push_back(std::make_unique<LineWorker>(line, *qtLine, timers_,
                                                            config_.pollSeconds * 1000, events, traffic));
            lines_.push_back(std::move(qtLine));
        }
        connect(&mqtt_, &MqttClient::connected, this, [this] {
            tell(Message(Text::q7tr("connected to the broker %1"), {Message::verbatim(config_.broker)}));
            onConnected();
        });
        connect(&mqtt_, &MqttClient::disconnected, this, [this] {
            tell(Message(Text::q7tr("the broker %1 went away; connecting again"),
                         {Message::verbatim(config_.broker)}));
        });
        connect(&mqtt_, &MqttClient::message, this, &Bridge::onMessage);
        connect(&mqtt_, &MqttClient::connectFailed, this, [this](const QString& why) {
            tell(Message(Text::q7tr("the broker %1 cannot be reached: %2"),
                         {Message::verbatim(config_.broker), Message::verbatim(why.toStdString())}));
        });
        connect(&mqtt_, &MqttClient::oversize, this, [this](const QString& topic, qsizetype bytes) {
            if (topic.endsWith("/command"))
                result(topic,
                       failureJson("usage",
                                   Message(Text::q7tr("a payload of %1 bytes is too large; it was dropped"),
                                           {Message::number(bytes)})));
        });
        // Only the lines served here: a venue runs several bridges on one broker, and a command for another
        // bridge's line is that bridge's to answer.
        for (const BridgeLine& line : config_.lines)
            mqtt_.subscribe(QString("q7/%1/+/command").arg(qs(line.name)));
        mqtt_.subscribe(QString::fromStdString(config_.discoveryPrefix) + "/status");
        mqtt_.subscribe(bridgeTopic("lines"));
    }

    Result<> start() {
        std::string lines;
        for (const BridgeLine& line : config_.lines) {
            lines += (lines.empty() ? "" : ", ") + line.name + " (" + line.port + ":";
            for (const std::string& projector : line.projectors)
                lines += " " + projector;
            lines += ")";
        }
        tell(Message(
            Text::q7tr("serving %1 on the broker %2 as %3"),
            {Message::verbatim(lines), Message::verbatim(config_.broker), Message::verbatim(config_.id)}));
        if (Result<> started = mqtt_.start(); !started) return started;
        for (const auto& worker : workers_)
            worker->start();
        return {};
    }

    void stop() {
        for (const auto& worker : workers_) {
            worker->stop();
            for (const std::string& projector : worker->config().projectors)
                keep(QString("q7/%1/%2/availability").arg(qs(worker->config().name), qs(projector)),
                     "offline");
        }
        mqtt_.publish(bridgeTopic("availability"), "offline", true);
        mqtt_.stop();
    }

  private:
    SessionLog* logOf(const std::string& line) const {
        const auto it = logs_.find(line);
        return it == logs_.end() ? nullptr : it->second;
    }
    void logEvent(const std::string& line, const std::string& what) {
        if (SessionLog* log = logOf(line))
            for (const BridgeLine& l : config_.lines)
                if (l.name == line) log->write(l.port, SessionLog::Direction::Event, what, {});
    }

    QString bridgeTopic(const char* what) const {
        return QString("q7/bridge/%1/%2").arg(qs(config_.id), what);
    }

    // Everything retained, again after every connection: the broker may have lost it.
    void onConnected() {
        mqtt_.publish(bridgeTopic("availability"), "online", true);
        publishDiscovery();
        for (const auto& [topic, payload] : retained_)
            mqtt_.publish(topic, payload, true);
        QJsonObject lines;
        for (const BridgeLine& line : config_.lines) {
            QJsonArray projectors;
            for (const std::string& p : line.projectors)
                projectors.append(qs(p));
            lines.insert(qs(line.name), projectors);
        }
        mqtt_.publish(bridgeTopic("lines"), compact(lines), true);
    }

    void publishDiscovery() {
        for (const BridgeLine& line : config_.lines)
            for (const std::string& projector : line.projectors)
                for (const DiscoveryEntity& e :
                     discoveryFor(qs(config_.discoveryPrefix), qs(config_.id), qs(line.name), qs(projector)))
                    mqtt_.publish(e.topic, compact(e.config), true);
    }

    // The lines this bridge served before, as it left them retained: those gone from the configuration lose
    // their entities.
    void forgetRemoved(const QByteArray& payload) {
        const QJsonObject before = QJsonDocument::fromJson(payload).object();
        for (auto it = before.begin(); it != before.end(); ++it) {
            const bool kept = std::any_of(config_.lines.begin(), config_.lines.end(),
                                          [&](const BridgeLine& l) { return qs(l.name) == it.key(); });
            if (kept) continue;
            for (const QJsonValue projector : it.value().toArray())
                for (const DiscoveryEntity& e : discoveryFor(qs(config_.discoveryPrefix), qs(config_.id),
                                                             it.key(), projector.toString()))
                    mqtt_.publish(e.topic, QByteArray(), true);
        }
    }

    void onMessage(const QString& topic, const QByteArray& payload, bool retained, int mid, int qos) {
        if (topic == QString::fromStdString(config_.discoveryPrefix) + "/status") {
            if (payload == "online") publishDiscovery();
            return;
        }
        if (topic == bridgeTopic("lines")) {
            if (retained) forgetRemoved(payload);
            return;
        }
        const QStringList levels = topic.split('/');
        if (levels.size() != 4 || levels[3] != "command" || retained) return;
        // A QoS 1 message delivered again keeps its id: it runs once.
        if (qos > 0) {
            if (std::find(recentIds_.begin(), recentIds_.end(), std::pair(topic, mid)) != recentIds_.end())
                return;
            recentIds_.emplace_back(topic, mid);
            if (recentIds_.size() > 256) recentIds_.pop_front();
        }
        LineWorker* worker = nullptr;
        for (const auto& w : workers_)
            if (qs(w->config().name) == levels[1]) worker = w.get();
        const std::string projector = levels[2].toStdString();
        // A line served elsewhere is not this bridge's to answer for.
        if (!worker) return;
        if ((projector != "all" &&
             std::find(worker->config().projectors.begin(), worker->config().projectors.end(), projector) ==
                 worker->config().projectors.end()) ||
            (projector == "all" && worker->config().projectors.front() == "single"))
            return result(topic,
                          failureJson("usage", Message(Text::q7tr("no projector %1 is served on the line %2"),
                                                       {Message::verbatim(levels[2].toStdString()),
                                                        Message::verbatim(levels[1].toStdString())})),
                          payload);
        const Result<Request> request = commandFrom(payload);
        if (!request) return result(topic, failureJson("usage", request.error()), payload);
        worker->command(
            projector, *request,
            [this, topic, payload, line = worker->config().name](const Answers& answers) {
                logEvent(line, answers ? answers->front().name + ": " +
                                             std::string(outcomeName(answers->front().exchanged.outcome))
                                       : "failed: " + answers.error().english());
                result(topic, answers ? answerJson(answers->front()) : failureJson("failed", answers.error()),
                       payload);
            });
    }

    // Each result names the command it answers: the object sent, or the name (its start, for a long one).
    void result(const QString& commandTopic, QJsonObject outcome, const QByteArray& command = {}) {
        const QJsonDocument sent = QJsonDocument::fromJson(command);
        if (outcome.contains("error"))
            tell(Message(Text::q7tr("a command on %1 was not run: %2"),
                         {Message::verbatim(commandTopic.toStdString()),
                          Message::verbatim(outcome["error"].toString().toStdString())}));
        if (!command.isEmpty())
            outcome.insert("command", sent.isObject()
                                          ? QJsonValue(sent.object())
                                          : QJsonValue(QString::fromUtf8(command.left(kEchoedBytes))));
        mqtt_.publish(commandTopic.chopped(QString("command").size()) + "result", compact(outcome), false);
    }

    // One line on standard error for each thing that happens, for the journal.
    static void tell(const Message& what) {
        std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(what).c_str());
        std::fflush(stderr);
    }

    void lineAway(const std::string& line, const Message& why) override {
        tell(Message(Text::q7tr("the line %1 is away: %2"), {Message::verbatim(line), why}));
    }
    void lineBack(const std::string& line) override {
        tell(Message(Text::q7tr("the line %1 is open"), {Message::verbatim(line)}));
    }

    void availability(const std::string& line, const std::string& projector, bool online) override {
        logEvent(line, projector + (online ? ": online" : ": offline"));
        keep(QString("q7/%1/%2/availability").arg(qs(line), qs(projector)), online ? "online" : "offline");
    }

    void polled(const std::string& line, const std::string& projector,
                const std::vector<Answer>& answers) override {
        for (const Answer& a : answers)
            logEvent(line, projector + " " + a.name + ": " + std::string(outcomeName(a.exchanged.outcome)));
        keep(QString("q7/%1/%2/state").arg(qs(line), qs(projector)), compact(statusJson(answers)));
    }

    // Published retained now, and again after a reconnection.
    void keep(const QString& topic, const QByteArray& payload) {
        retained_[topic] = payload;
        mqtt_.publish(topic, payload, true);
    }

    BridgeConfig config_;
    MqttClient mqtt_;
    QtTimers timers_;
    std::vector<std::unique_ptr<QtLine>> lines_;
    std::vector<std::unique_ptr<LineWorker>> workers_;
    std::map<QString, QByteArray> retained_;
    std::deque<std::pair<QString, int>> recentIds_;
    std::map<std::string, SessionLog*> logs_; // by line
};

const char* const kBridgeHelp = Text::q7tr(
    "Usage: q7ctl bridge --broker mqtt://HOST[:PORT] --line NAME=PORT[,speed=9600][,projectors=001+002]\n"
    "                    [--line ...] [--poll SECONDS] [--id ID] [--ca-file FILE] [--discovery-prefix "
    "PREFIX]\n"
    "       q7ctl bridge --config FILE\n"
    "Puts the projectors of every line on an MQTT broker, with Home Assistant's discovery.\n"
    "Defaults: speed 19200, projectors single, a poll every 30 s, the host name as the id, the prefix\n"
    "homeassistant. mqtts:// connects with TLS. The user name and password come from the configuration file\n"
    "or from Q7_MQTT_USERNAME and Q7_MQTT_PASSWORD.\n"
    "\n"
    "Topics, for each LINE and PROJECTOR (single, 001 to 004; all for commands only):\n"
    "  q7/LINE/PROJECTOR/availability  online or offline, retained\n"
    "  q7/LINE/PROJECTOR/state         after every poll, retained: what q7ctl status --json prints\n"
    "  q7/LINE/PROJECTOR/command       a name, {\"send\": TEXT} or {\"hold\": NAME, \"seconds\": S} (at most "
    "60)\n"
    "  q7/LINE/PROJECTOR/result        the outcome as q7ctl --json prints it, failures too:\n"
    "                                  {\"outcome\": \"failed\" or \"usage\", \"error\": TEXT}\n"
    "  q7/bridge/ID/availability       online while the bridge runs, offline when it has ended\n");

} // namespace

int runBridge(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    installTranslations(app);
    const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(translatedText(Message(kBridgeHelp)).c_str(), stdout);
        return 0;
    }
    const Result<BridgeConfig> config = parseBridgeArguments(args);
    if (!config) {
        std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(config.error()).c_str());
        return 2;
    }
    Result<MqttSettings> settings = parseBrokerUrl(config->broker);
    if (!settings) {
        std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(settings.error()).c_str());
        return 2;
    }
    settings->caFile = config->caFile;
    settings->username = config->username;
    settings->password = config->password;
    settings->clientId = "q7-bridge-" + config->id;
    settings->willTopic = "q7/bridge/" + config->id + "/availability";
    settings->willPayload = "offline";
    // One log a file, whichever lines share it; a log that cannot be written is refused before anything runs.
    std::map<std::string, std::unique_ptr<SessionLog>> files;
    std::map<std::string, SessionLog*> logs;
    for (const BridgeLine& line : config->lines) {
        if (line.log.empty()) continue;
        if (!files.count(line.log)) {
            Result<std::unique_ptr<SessionLog>> opened =
                SessionLog::open(line.log, config->logBytes, [](const Message& why) {
                    std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(why).c_str());
                });
            if (!opened) {
                std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(opened.error()).c_str());
                return 1;
            }
            files[line.log] = std::move(*opened);
        }
        logs[line.name] = files[line.log].get();
    }
    Bridge bridge(*config, *settings, logs);
    QtLine nothing;
    ProcessEnd processEnd(nothing);
    QObject::connect(&processEnd, &ProcessEnd::endRequested, &processEnd, [&] {
        bridge.stop();
        QCoreApplication::exit(0);
    });
    if (Result<> started = bridge.start(); !started) {
        std::fprintf(stderr, "q7ctl bridge: %s\n", translatedText(started.error()).c_str());
        return 1;
    }
    return QCoreApplication::exec();
}

} // namespace q7
