// SPDX-License-Identifier: MIT
#include "bridge/venue.h"

#include "bridge/discovery.h"
#include "bridge/topics.h"

#include <algorithm>
#include <cstdio>

namespace q7 {
namespace {

// What a result repeats of a command that is no object.
constexpr std::size_t kEchoedBytes = 64;

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// A payload: a name, {"send": TEXT} or {"hold": NAME, "seconds": S}, and nothing else.
Result<Request> commandFrom(const std::string& payload) {
    if (payload.size() > Venue::kLongestCommandBytes)
        return failure(Message(Text::q7tr("a command of %1 bytes is too long; a command has at most %2"),
                               {Message::number(static_cast<std::int64_t>(payload.size())),
                                Message::number(static_cast<std::int64_t>(Venue::kLongestCommandBytes))}));
    const std::size_t start = payload.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || payload[start] != '{') {
        if (const NamedButton* button = findButton(payload)) {
            Request request;
            request.kind = Request::Kind::Button;
            request.button = button;
            return request;
        }
        if (payload == "status") {
            Request request;
            request.kind = Request::Kind::Status;
            return request;
        }
        const Result<Request> asWords = parseRequest({payload});
        return failure(asWords ? Message(Text::q7tr("%1 is no button's name"), {quoted(payload)})
                               : asWords.error());
    }
    const Json object = Json::parse(payload, nullptr, false);
    if (!object.is_object())
        return failure(
            Message(Text::q7tr("a command is a name, {\"send\": TEXT} or {\"hold\": NAME, \"seconds\": S}")));
    if (object.size() == 1 && object.contains("send") && object["send"].is_string())
        return parseRequest({"send", toLatin1(object["send"].get<std::string>())});
    if (object.size() == 2 && object.contains("hold") && object["hold"].is_string() &&
        object.contains("seconds") && object["seconds"].is_number())
        return parseRequest(
            {"hold", object["hold"].get<std::string>(), secondsText(object["seconds"].get<double>())},
            Venue::kLongestRemoteHoldS);
    return failure(
        Message(Text::q7tr("a command object has \"send\" alone, or \"hold\" with \"seconds\"; not %1"),
                {quoted(compact(object).substr(0, kEchoedBytes))}));
}

// What the session log says of a command's run.
std::string ranText(const Answers& answers) {
    return answers
               ? answers->front().name + ": " + std::string(outcomeName(answers->front().exchanged.outcome))
               : "failed: " + answers.error().english();
}

// Where a result may go besides the command's own result topic: a topic of the venue's, where nothing reads
// it as a command or as a bridge's own message.
bool answerable(const std::string& topic) {
    const std::string bridges = std::string(kTopicRoot).append(kBridgeLevel) + "/";
    return topic.starts_with(kTopicRoot) && !topic.starts_with(bridges) &&
           topic.find_first_of("+#") == std::string::npos && !topic.ends_with("/command");
}

} // namespace

struct Venue::Served {
    std::unique_ptr<LineWorker> worker;
    std::string leftTo; // the bridge this line is left to, while both serve it
    const BridgeLine& config() const { return worker->config(); }
    bool serves(const std::string& projector) const {
        const std::vector<std::string>& projectors = config().projectors;
        return projector == "all"
                   ? projectors.front() != "single"
                   : std::find(projectors.begin(), projectors.end(), projector) != projectors.end();
    }
};

Venue::Venue(BridgeConfig config, Broker& broker, const std::vector<Line*>& lines, TimerFactory& timers,
             std::map<std::string, SessionLog*> logs, Journal journal)
    : config_(std::move(config)), broker_(broker), logs_(std::move(logs)), journal_(std::move(journal)) {
    LineWorker::Events& events = *this;
    for (std::size_t i = 0; i < config_.lines.size() && i < lines.size(); ++i) {
        auto served = std::make_unique<Served>();
        served->worker = std::make_unique<LineWorker>(config_.lines[i], *lines[i], timers,
                                                      config_.pollSeconds * 1000, events);
        lines_.push_back(std::move(served));
    }
}

Venue::~Venue() = default;

void Venue::start() {
    std::string lines;
    for (const BridgeLine& line : config_.lines) {
        lines += (lines.empty() ? "" : ", ") + line.name + " (" + line.port + ":";
        for (const std::string& projector : line.projectors)
            lines += " " + projector;
        lines += ")";
    }
    if (config_.broker.empty())
        journal_(Message(Text::q7tr("serving %1 without a broker, as %2"),
                         {Message::verbatim(lines), Message::verbatim(config_.id)}));
    else
        journal_(Message(
            Text::q7tr("serving %1 on the broker %2 as %3"),
            {Message::verbatim(lines), Message::verbatim(config_.broker), Message::verbatim(config_.id)}));
    for (const auto& line : lines_)
        broker_.subscribe(projectorTopic(line->config().name, "+", "command"), 2);
    broker_.subscribe(config_.discoveryPrefix + "/status", 1);
    broker_.subscribe(bridgeTopic("+", "lines"), 1);
    broker_.subscribe(bridgeTopic("+", "availability"), 1);
    started_ = true;
    for (const auto& line : lines_)
        line->worker->start();
}

void Venue::stop() {
    for (const auto& line : lines_) {
        if (!line->leftTo.empty()) continue;
        line->worker->stop();
        for (const std::string& projector : line->config().projectors)
            keep(projectorTopic(line->config().name, projector, "availability"), "offline");
    }
    started_ = false;
    broker_.publish(bridgeTopic(config_.id, "availability"), "offline", true);
}

// Everything retained, again after every connection: the broker may have lost it.
void Venue::connected() {
    journal_(Message(Text::q7tr("connected to the broker %1"), {Message::verbatim(config_.broker)}));
    broker_.publish(bridgeTopic(config_.id, "availability"), "online", true);
    for (const auto& line : lines_)
        if (line->leftTo.empty()) publishDiscovery(*line, true);
    for (const auto& [topic, payload] : retained_)
        broker_.publish(topic, payload, true);
    Json lines = Json::object();
    for (const BridgeLine& line : config_.lines)
        lines[line.name] = line.projectors;
    broker_.publish(bridgeTopic(config_.id, "lines"), compact(lines), true);
    publishStatus();
}

void Venue::disconnected() {
    journal_(Message(Text::q7tr("the broker %1 went away; connecting again"),
                     {Message::verbatim(config_.broker)}));
}

void Venue::unreachable(const std::string& why) {
    journal_(Message(Text::q7tr("the broker %1 cannot be reached: %2"),
                     {Message::verbatim(config_.broker), Message::verbatim(why)}));
}

Venue::Served* Venue::served(const std::string& line) {
    for (const auto& s : lines_)
        if (s->config().name == line) return s.get();
    return nullptr;
}

void Venue::message(const BrokerMessage& message) {
    if (message.topic == config_.discoveryPrefix + "/status") {
        if (message.payload == "online")
            for (const auto& line : lines_)
                if (line->leftTo.empty()) publishDiscovery(*line, true);
        return;
    }
    const std::vector<std::string> level = split(message.topic, '/');
    if (level.size() != 4 || level[0] + "/" != kTopicRoot) return;
    if (level[1] == kBridgeLevel) return claimed(level[2], level[3], message);
    // A retained command is an old one: it never runs at a start.
    if (level[3] != "command" || message.retained) return;
    Served* line = served(level[1]);
    // A line served elsewhere is not this bridge's to answer for.
    if (!line || !line->leftTo.empty()) return;
    command(*line, level[2], message);
}

void Venue::command(Served& line, const std::string& projector, const BrokerMessage& message) {
    const std::string& name = line.config().name;
    if (!line.serves(projector))
        return result(message,
                      failureJson("usage", Message(Text::q7tr("no projector %1 is served on the line %2"),
                                                   {Message::verbatim(projector), Message::verbatim(name)})));
    const Result<Request> request = commandFrom(message.payload);
    if (!request) return result(message, failureJson("usage", request.error()));
    if (request->kind == Request::Kind::Status) {
        if (projector == "all")
            return result(
                message,
                failureJson("usage", Message(Text::q7tr("status is asked of one projector at a time"))));
        return line.worker->refresh(projector, [this, message, name](const Answers& answers) {
            result(message, answers ? statusJson(*answers) : failureJson("failed", answers.error()));
        });
    }
    line.worker->command(projector, *request, [this, message, name](const Answers& answers) {
        logEvent(name, ranText(answers));
        result(message, answers ? answerJson(answers->front()) : failureJson("failed", answers.error()));
    });
}

void Venue::oversize(const std::string& topic, std::size_t bytes) {
    const std::vector<std::string> level = split(topic, '/');
    if (level.size() != 4 || level[3] != "command") return;
    if (Served* line = served(level[1]); line && line->leftTo.empty())
        result({topic, {}},
               failureJson("usage", Message(Text::q7tr("a payload of %1 bytes is too large; it was dropped"),
                                            {Message::number(static_cast<std::int64_t>(bytes))})));
}

// Each result names the command it answers: the object sent, or the name (its start, for a long one).
void Venue::result(const BrokerMessage& command, Json outcome) {
    if (outcome.contains("error"))
        journal_(Message(
            Text::q7tr("a command on %1 was not run: %2"),
            {Message::verbatim(command.topic), Message::verbatim(outcome["error"].get<std::string>())}));
    if (!command.payload.empty()) {
        Json sent = command.payload.size() <= kLongestCommandBytes
                        ? Json::parse(command.payload, nullptr, false)
                        : Json();
        outcome["command"] = sent.is_object() ? sent : Json(command.payload.substr(0, kEchoedBytes));
    }
    const std::string text = compact(outcome);
    const std::string topic =
        command.topic.substr(0, command.topic.size() - std::string_view("command").size()) + "result";
    const bool responding = !command.responseTopic.empty() && answerable(command.responseTopic);
    if (!responding || command.responseTopic != topic) broker_.publish(topic, text, false);
    if (responding) broker_.publish(command.responseTopic, text, false, command.correlation);
}

void Venue::publishDiscovery(const Served& line, bool present) {
    for (const std::string& projector : line.config().projectors)
        for (const DiscoveryEntity& e :
             discoveryFor(config_.discoveryPrefix, config_.id, line.config().name, projector))
            broker_.publish(e.topic, present ? compact(e.config) : std::string(), true);
}

// The lines this bridge served before, as it left them retained: those gone from the configuration lose their
// entities.
void Venue::forgetRemoved(const std::string& payload) {
    const Json before = Json::parse(payload, nullptr, false);
    if (!before.is_object()) return;
    for (const auto& [name, projectors] : before.items()) {
        if (served(name) || !projectors.is_array()) continue;
        for (const Json& projector : projectors)
            if (projector.is_string())
                for (const DiscoveryEntity& e :
                     discoveryFor(config_.discoveryPrefix, config_.id, name, projector.get<std::string>()))
                    broker_.publish(e.topic, std::string(), true);
    }
}

void Venue::claimed(const std::string& id, const std::string& leaf, const BrokerMessage& message) {
    if (id == config_.id) {
        if (leaf == "lines" && message.retained) forgetRemoved(message.payload);
        return;
    }
    Other& other = others_[id];
    if (leaf == "availability") {
        other.online = message.payload == "online";
    } else if (leaf == "lines") {
        other.lines.clear();
        const Json lines = Json::parse(message.payload, nullptr, false);
        if (lines.is_object())
            for (const auto& [name, projectors] : lines.items())
                other.lines.insert(name);
    } else {
        return;
    }
    settleClaims();
}

// A line two bridges claim is left to the one with the smaller id, and both say so; it is taken up again when
// the other goes offline or claims it no more.
void Venue::settleClaims() {
    bool changed = false;
    for (const auto& line : lines_) {
        const std::string& name = line->config().name;
        std::string claimant;
        for (const auto& [id, other] : others_)
            if (other.online && other.lines.count(name)) {
                claimant = id;
                break;
            }
        std::erase_if(told_, [&](const auto& told) { return told.first == name && told.second != claimant; });
        const std::string leftTo = claimant < config_.id ? claimant : std::string();
        if (!claimant.empty() && told_.insert({name, claimant}).second)
            journal_(Message(leftTo.empty()
                                 ? Text::q7tr("WARNING: the bridge %2 serves the line %1 as well; this "
                                              "bridge keeps it, as its id is the smaller")
                                 : Text::q7tr("WARNING: the bridge %2 serves the line %1 as well; this "
                                              "bridge leaves the line to it, as its id is the smaller"),
                             {Message::verbatim(name), Message::verbatim(claimant)}));
        if (leftTo == line->leftTo) continue;
        changed = true;
        if (line->leftTo.empty()) {
            // Its topics are the other bridge's now: nothing of this one's is published there again.
            line->leftTo = leftTo;
            line->worker->stop();
            publishDiscovery(*line, false);
            const std::string mine = std::string(kTopicRoot) + name + "/";
            std::erase_if(retained_, [&](const auto& kept) { return kept.first.starts_with(mine); });
        } else if (leftTo.empty()) {
            line->leftTo.clear();
            journal_(
                Message(Text::q7tr("the line %1 is this bridge's alone again"), {Message::verbatim(name)}));
            publishDiscovery(*line, true);
            if (started_) line->worker->start();
        } else {
            line->leftTo = leftTo;
        }
    }
    if (changed) publishStatus();
}

void Venue::publishStatus() {
    Json refused = Json::object();
    for (const auto& line : lines_)
        if (!line->leftTo.empty()) refused[line->config().name] = "served by the bridge " + line->leftTo;
    broker_.publish(bridgeTopic(config_.id, "status"), compact({{"refused", refused}}), true);
}

void Venue::logEvent(const std::string& line, const std::string& what) {
    if (const auto log = logs_.find(line); log != logs_.end())
        for (const BridgeLine& l : config_.lines)
            if (l.name == line) log->second->write(l.port, SessionLog::Direction::Event, what, {});
}

LineWorker* Venue::worker(const std::string& line) {
    Served* s = served(line);
    return s ? s->worker.get() : nullptr;
}

void Venue::activity(const std::string& line, const std::string& projector, const std::string& origin,
                     const Answers& answers) {
    // A client's frame is its own: said too, without its CR.
    const std::string frame = answers ? answers->front().exchanged.frame : std::string();
    logEvent(line, origin + " " + frame.substr(0, frame.find('\r')) + ": " + ranText(answers));
    const Served* s = served(line);
    if (!s || !s->leftTo.empty()) return;
    Json payload = answers ? answerJson(answers->front()) : failureJson("failed", answers.error());
    payload["origin"] = origin;
    broker_.publish(projectorTopic(line, projector, "activity"), compact(payload), false);
}

void Venue::lineAway(const std::string& line, const Message& why) {
    if (watcher_) watcher_->lineAway(line, why);
    journal_(Message(Text::q7tr("the line %1 is away: %2"), {Message::verbatim(line), why}));
}

void Venue::lineBack(const std::string& line) {
    if (watcher_) watcher_->lineBack(line);
    journal_(Message(Text::q7tr("the line %1 is open"), {Message::verbatim(line)}));
}

void Venue::availability(const std::string& line, const std::string& projector, bool online) {
    if (watcher_) watcher_->availability(line, projector, online);
    logEvent(line, projector + (online ? ": online" : ": offline"));
    keep(projectorTopic(line, projector, "availability"), online ? "online" : "offline");
}

void Venue::polled(const std::string& line, const std::string& projector,
                   const std::vector<Answer>& answers) {
    if (watcher_) watcher_->polled(line, projector, answers);
    for (const Answer& a : answers)
        logEvent(line, projector + " " + a.name + ": " + std::string(outcomeName(a.exchanged.outcome)));
    keep(projectorTopic(line, projector, "state"), compact(statusJson(answers)));
}

// Published retained now, and again after a reconnection.
void Venue::keep(const std::string& topic, const std::string& payload) {
    retained_[topic] = payload;
    broker_.publish(topic, payload, true);
}

} // namespace q7
