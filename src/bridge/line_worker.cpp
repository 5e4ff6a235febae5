// SPDX-License-Identifier: MIT
#include "bridge/line_worker.h"

namespace q7 {

LineWorker::LineWorker(BridgeLine config, Line& line, TimerFactory& timers, int pollMs, Events& events)
    : config_(std::move(config)), events_(events), supervisor_(line, timers, *this),
      run_(line, timers, std::nullopt, {}), pollTimer_(timers.makeTimer(pollMs, [this] { poll(); })) {
    line.setAddress(config_.port);
    (void)line.applySettings(config_.settings);
}

void LineWorker::start() {
    for (const std::string& projector : config_.projectors)
        setOnline(projector, false);
    pollTimer_->setEnabled(true);
    const Result<Line::Opening> opening = supervisor_.open();
    if (!opening)
        openFailed(opening.error());
    else if (*opening == Line::Opening::Open)
        back();
}

void LineWorker::openFailed(const Message& why) {
    if (!std::exchange(away_, true)) events_.lineAway(config_.name, why);
    supervisor_.watch();
}

// Back, or open at last: a fresh poll at once, once the line is quiet, as a projector may be talking still.
void LineWorker::back() {
    up_ = true;
    if (std::exchange(away_, false)) events_.lineBack(config_.name);
    run_.opened(true);
    poll();
}

void LineWorker::lost(const Message& why) {
    up_ = false;
    if (!std::exchange(away_, true)) events_.lineAway(config_.name, why);
    run_.stop();
    failAll(
        Message(Text::q7tr("The serial device %1 went away: %2."), {Message::verbatim(config_.port), why}));
    for (const std::string& projector : config_.projectors)
        setOnline(projector, false);
}

// The command in flight first, then those waiting, in the order they came.
void LineWorker::failAll(const Message& why) {
    std::deque<Job> waiting;
    waiting.swap(commands_);
    polls_.clear();
    if (RequestRun::Done done = std::exchange(inFlight_, {})) done(failure(why));
    for (const Job& job : waiting)
        job.done(failure(why));
}

namespace {

Request pollRequest() {
    Request status;
    status.kind = Request::Kind::Status;
    status.untilUnanswered = true;
    for (const StatusKey& key : statusKeys())
        status.keys.push_back(&key);
    return status;
}

} // namespace

void LineWorker::poll() {
    if (!up_) return;
    for (const std::string& projector : config_.projectors)
        if (std::none_of(polls_.begin(), polls_.end(),
                         [&](const Job& j) { return j.projector == projector; }))
            polls_.push_back({projector, pollRequest(), {}, true});
    next();
}

void LineWorker::command(const std::string& projector, const Request& request, RequestRun::Done done) {
    queue({projector, request, std::move(done)});
}

void LineWorker::send(const std::string& frame, int windowMs, RequestRun::Done done) {
    Request request;
    request.kind = Request::Kind::Send;
    request.text = frame;
    request.windowMs = windowMs;
    queue({{}, request, std::move(done)});
}

void LineWorker::refresh(const std::string& projector, RequestRun::Done done) {
    queue({projector, pollRequest(), std::move(done), true});
}

void LineWorker::queue(Job job) {
    if (!up_)
        return job.done(
            failure(Message(Text::q7tr("The line %1 is away; the bridge opens it again by itself."),
                            {Message::verbatim(config_.name)})));
    if (commands_.size() >= kWaitingLimit)
        return job.done(
            failure(Message(Text::q7tr("%1 commands wait already on the line %2; this one is refused."),
                            {Message::number(kWaitingLimit), Message::verbatim(config_.name)})));
    commands_.push_back(std::move(job));
    next();
}

void LineWorker::next() {
    if (!up_ || run_.busy()) return;
    std::deque<Job>& from = commands_.empty() ? polls_ : commands_;
    if (from.empty()) return;
    Job job = std::move(from.front());
    from.pop_front();
    const std::string projector = job.projector;
    inFlight_ = job.done;
    run_.start(job.request, projectorPrefix(projector), [this, job](const Answers& answers) {
        if (job.poll && answers) {
            const bool answered = std::any_of(answers->begin(), answers->end(), [](const Answer& a) {
                return a.exchanged.outcome != Outcome::None;
            });
            setOnline(job.projector, answered);
            if (answered) events_.polled(config_.name, job.projector, *answers);
        }
        if (job.done) {
            inFlight_ = {};
            job.done(answers);
        }
        next();
    });
}

void LineWorker::setOnline(const std::string& projector, bool online) {
    const auto it = online_.find(projector);
    if (it != online_.end() && it->second == online) return;
    online_[projector] = online;
    events_.availability(config_.name, projector, online);
}

void LineWorker::stop() {
    up_ = false;
    pollTimer_->setEnabled(false);
    run_.stop();
    supervisor_.close();
    failAll(Message(Text::q7tr("The bridge stopped before the command was answered.")));
}

} // namespace q7
