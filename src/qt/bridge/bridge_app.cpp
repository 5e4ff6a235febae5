// SPDX-License-Identifier: MIT
#include "qt/bridge/bridge_app.h"

#include "bridge/fronts.h"
#include "bridge/topics.h"
#include "bridge/venue.h"
#include "qt/bridge/mqtt_client.h"
#include "qt/bridge/net_front.h"
#include "qt/core/log_file.h"
#include "qt/core/option_parser.h"
#include "qt/core/process_end.h"
#include "qt/core/qt_line.h"
#include "qt/core/qt_timer.h"
#include "qt/core/translation.h"
#include "session/logged_line.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>

namespace q7 {
namespace {

// The venue's broker, on libmosquitto; or none, for a bridge of fronts alone.
class MqttBroker final : public Broker {
  public:
    explicit MqttBroker(MqttClient* client) : client_(client) {}
    void publish(const std::string& topic, const std::string& payload, bool retain,
                 const std::string& correlation) override {
        if (client_)
            client_->publish(QString::fromStdString(topic), QByteArray::fromStdString(payload), retain, 1,
                             QByteArray::fromStdString(correlation));
    }
    void subscribe(const std::string& pattern, int qos) override {
        if (client_) client_->subscribe(QString::fromStdString(pattern), qos);
    }

  private:
    MqttClient* client_;
};

// Every line on standard error says whose it is; one for each thing that happens, for the journal.
void tell(const Message& what) {
    std::fprintf(stderr, "q7-bridge: %s\n", translatedText(what).c_str());
    std::fflush(stderr);
}

class Bridge final : public QObject {
  public:
    Bridge(const BridgeConfig& config, std::optional<MqttSettings> settings,
           std::map<std::string, SessionLog*> logs)
        : config_(config), mqtt_(settings ? std::make_unique<MqttClient>(std::move(*settings)) : nullptr),
          broker_(mqtt_.get()), venue_(config, broker_, qtLines(config, logs), timers_, logs, tell),
          fronts_(config_, venue_, timers_), udp_(fronts_) {
        if (!mqtt_) return;
        connect(mqtt_.get(), &MqttClient::connected, this, [this] { venue_.connected(); });
        connect(mqtt_.get(), &MqttClient::disconnected, this, [this] { venue_.disconnected(); });
        connect(mqtt_.get(), &MqttClient::connectFailed, this,
                [this](const QString& why) { venue_.unreachable(why.toStdString()); });
        connect(mqtt_.get(), &MqttClient::message, this,
                [this](const QString& topic, const QByteArray& payload, bool retained,
                       const QString& responseTopic, const QByteArray& correlation) {
                    venue_.message({topic.toStdString(), payload.toStdString(), retained,
                                    responseTopic.toStdString(), correlation.toStdString()});
                });
        connect(mqtt_.get(), &MqttClient::oversize, this, [this](const QString& topic, qsizetype bytes) {
            venue_.oversize(topic.toStdString(), static_cast<std::size_t>(bytes));
        });
    }

    // The fronts listen before anything else runs: an address that cannot be had ends the start.
    Result<> start() {
        for (const Fronts::Listening& front : fronts_.listening()) {
            tcp_.push_back(std::make_unique<TcpFront>(*front.service));
            if (Result<> listening = tcp_.back()->listen(front.at.host, front.at.port); !listening)
                return listening;
            tell(Message(Text::q7tr("%1 listens on %2"),
                         {Message::verbatim(front.what), Message::verbatim(front.at.text())}));
        }
        const std::vector<std::string> hosts = fronts_.pjlinkHosts();
        if (config_.pjlinkUdpPort != 0 && !hosts.empty()) {
            if (Result<> bound = udp_.bind(hosts, config_.pjlinkUdpPort); !bound) return bound;
            fronts_.start(&udp_);
        }
        venue_.start();
        return mqtt_ ? mqtt_->start() : Result<>();
    }

    void stop() {
        venue_.stop();
        if (mqtt_) mqtt_->stop();
    }

  private:
    // Each line writes to its log, if it has one.
    std::vector<Line*> qtLines(const BridgeConfig& config, const std::map<std::string, SessionLog*>& logs) {
        std::vector<Line*> lines;
        for (const BridgeLine& line : config.lines) {
            lines_.push_back(std::make_unique<QtLine>());
            lines_.back()->setCloseDrainMs(0);
            const auto log = logs.find(line.name);
            logged_.push_back(
                std::make_unique<LoggedLine>(*lines_.back(), log != logs.end() ? log->second : nullptr));
            lines.push_back(logged_.back().get());
        }
        return lines;
    }

    const BridgeConfig& config_;
    std::unique_ptr<MqttClient> mqtt_;
    MqttBroker broker_;
    QtTimers timers_;
    std::vector<std::unique_ptr<QtLine>> lines_;
    std::vector<std::unique_ptr<LoggedLine>> logged_;
    Venue venue_;
    Fronts fronts_;
    // Before the fronts they serve go, the connections go.
    UdpFront udp_;
    std::vector<std::unique_ptr<TcpFront>> tcp_;
};

const char* const kBridgeHelp = Text::q7tr(
    "Usage: q7-bridge [--broker mqtt://HOST[:PORT]] --line NAME=PORT[,speed=9600][,projectors=001+002]\n"
    "                 [--line ...] [--poll SECONDS] [--id ID] [--ca-file FILE] [--discovery-prefix PREFIX]\n"
    "                 [--pjlink LINE/PROJECTOR=ADDRESS[:PORT]]... [--passthrough LINE=ADDRESS:PORT]...\n"
    "                 [--pjlink-udp-port PORT] [--pjlink-notify HOST]...\n"
    "       q7-bridge --config FILE\n"
    "       q7-bridge --help | --version\n"
    "Puts the projectors of every line on an MQTT broker, with Home Assistant's discovery, and answers "
    "PJLink\n"
    "and raw frames for them.\n"
    "Defaults: speed 19200, projectors single, a poll every 30 s, the host name as the id, the prefix\n"
    "homeassistant. mqtts:// connects with TLS. The user name and password come from the configuration file\n"
    "or from Q7_MQTT_USERNAME and Q7_MQTT_PASSWORD. Without --broker, the PJLink and passthrough fronts run\n"
    "alone.\n"
    "\n"
    "--pjlink: a PJLink server (classes 1 and 2) for the projector on ADDRESS, port 4352 by default; the\n"
    "password comes from the configuration file or from Q7_PJLINK_PASSWORD (none: no authentication). UDP\n"
    "answers PJLink's search on --pjlink-udp-port (4352; 0 for none) and tells each --pjlink-notify HOST of\n"
    "changes. --passthrough: the projectors' own frames, each ending with CR, on the line's queue; each\n"
    "client gets the replies to its frames.\n"
    "\n"
    "Topics, for each LINE and PROJECTOR (single, 001 to 004; all for commands only):\n"
    "  q7/LINE/PROJECTOR/availability  online or offline, retained\n"
    "  q7/LINE/PROJECTOR/state         after every poll, retained: what q7ctl status --json prints\n"
    "  q7/LINE/PROJECTOR/command       a name, {\"send\": TEXT}, {\"hold\": NAME, \"seconds\": S} (at most "
    "60),\n"
    "                                  or status (a poll at once); at most 4 KB\n"
    "  q7/LINE/PROJECTOR/result        the outcome as q7ctl --json prints it, failures too:\n"
    "                                  {\"outcome\": \"failed\" or \"usage\", \"error\": TEXT}; also to an "
    "MQTT 5\n"
    "                                  response topic under q7/, with the correlation data\n"
    "  q7/LINE/PROJECTOR/activity      what a PJLink or passthrough client caused, with its origin\n"
    "  q7/bridge/ID/availability       online while the bridge runs, offline when it has ended\n"
    "  q7/bridge/ID/lines              the lines served, retained\n"
    "  q7/bridge/ID/status             the lines left to another bridge that serves them too, retained\n");

} // namespace

Result<BridgeConfig> parseBridgeCommandLine(const QStringList& args) {
    if (args.isEmpty())
        return failure(
            Message(Text::q7tr("nothing to serve: give --broker URL and --line NAME=PORT, or --config "
                               "FILE (q7-bridge --help)")));
    QStringList listed;
    const QCommandLineOption config("config", {}, "FILE");
    QList<QCommandLineOption> options{config};
    for (const std::string_view flag : bridgeFlags()) {
        listed << QString::fromUtf8(flag.data(), static_cast<qsizetype>(flag.size()));
        options << QCommandLineOption(listed.back().mid(2), {}, "VALUE");
    }
    // Every option takes a value, and none is taken for one: "--poll --line ..." lacks the seconds.
    QCommandLineParser parser;
    if (const std::optional<OptionFault> fault = parseOptions(parser, options, args)) {
        if (fault->kind == OptionFault::Kind::MissingValue)
            return failure(Message(Text::q7tr("%1 needs a value (q7-bridge --help)"), {quoted(fault->text)}));
        if (fault->kind == OptionFault::Kind::Unknown)
            return failure(
                Message(Text::q7tr("unknown option %1 (--config FILE alone, or %2)"),
                        {quoted(fault->text), Message::verbatim(listed.join(", ").toStdString())}));
        return failure(Message::verbatim(fault->text));
    }
    if (parser.isSet(config)) {
        if (args.size() != 2)
            return failure(
                Message(Text::q7tr("--config FILE stands alone: the other settings are written in the "
                                   "file")));
        return loadBridgeConfig(parser.value(config).toStdString());
    }
    FlagValues given;
    for (const QString& flag : listed)
        for (const QString& value : parser.values(flag.mid(2)))
            given.emplace_back(flag.toStdString(), value.toStdString());
    return configFromFlags(given);
}

int runBridge(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    installTranslations(app);
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(translatedText(Message(kBridgeHelp)).c_str(), stdout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::fputs("q7-bridge " Q7_VERSION "\n", stdout);
        return 0;
    }
    const Result<BridgeConfig> config = parseBridgeCommandLine(app.arguments().mid(1));
    if (!config) {
        tell(config.error());
        return 2;
    }
    std::optional<MqttSettings> mqtt;
    if (!config->broker.empty()) {
        Result<MqttSettings> settings = parseBrokerUrl(config->broker);
        if (!settings) {
            tell(settings.error());
            return 2;
        }
        settings->caFile = config->caFile;
        settings->username = config->username;
        settings->password = config->password;
        settings->clientId = "q7-bridge-" + config->id;
        settings->willTopic = bridgeTopic(config->id, "availability");
        settings->willPayload = "offline";
        mqtt = std::move(*settings);
    }
    // One log a file, whichever lines share it; a log that cannot be written is refused before anything runs.
    std::map<std::string, std::unique_ptr<SessionLog>> files;
    std::map<std::string, SessionLog*> logs;
    for (const BridgeLine& line : config->lines) {
        if (line.log.empty()) continue;
        if (!files.count(line.log)) {
            // Said between the journal's other lines, not across them.
            Result<std::unique_ptr<SessionLog>> opened = openSessionLog(line.log, config->logBytes, tell);
            if (!opened) {
                tell(opened.error());
                return 1;
            }
            files[line.log] = std::move(*opened);
        }
        logs[line.name] = files[line.log].get();
    }
    Bridge bridge(*config, std::move(mqtt), logs);
    QtLine nothing;
    ProcessEnd processEnd(nothing);
    QObject::connect(&processEnd, &ProcessEnd::endRequested, &processEnd, [&] {
        bridge.stop();
        QCoreApplication::exit(0);
    });
    if (Result<> started = bridge.start(); !started) {
        tell(started.error());
        return 1;
    }
    return QCoreApplication::exec();
}

} // namespace q7
