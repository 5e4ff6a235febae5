// SPDX-License-Identifier: MIT
#include "ctl/runner.h"

#include "display/status_decoder.h"
#include "display/trace.h"
#include "protocol/frame.h"

namespace q7 {

int replyWindowMs(SendClass sendClass) {
    switch (sendClass) {
    case SendClass::Wait2s:
        return kWait2sIntervals.replyTimeout;
    case SendClass::Wait5s:
        return kWait5sIntervals.replyTimeout;
    default:
        return kStartIntervals.replyTimeout;
    }
}

int repeatPeriodMs(const HeldEntry& held) {
    return held.isArrow() ? kPadSetupRepeat : held.repeatPeriod;
}

int exitStatus(const std::vector<Answer>& answers) {
    int status = 0;
    for (const Answer& a : answers) {
        if (a.exchanged.outcome == Outcome::Nak) return 4;
        if (a.exchanged.outcome == Outcome::Partial || a.exchanged.outcome == Outcome::None) status = 3;
    }
    return status;
}

RequestRun::RequestRun(Line& line, TimerFactory& timers, std::optional<int> windowMs, Traffic traffic)
    : line_(line), exchange_(line, timers), windowMs_(windowMs), traffic_(std::move(traffic)) {}

void RequestRun::start(const Request& request, std::string prefix, Done done) {
    request_ = request;
    prefix_ = std::move(prefix);
    done_ = std::move(done);
    answers_.clear();
    next();
}

// The next exchange of the request, or the end once all are made.
void RequestRun::next() {
    std::string name, command;
    const StatusKey* key = nullptr;
    int window = kStartIntervals.replyTimeout;
    switch (request_.kind) {
    case Request::Kind::List:
        return end(answers_);
    case Request::Kind::Button:
    case Request::Kind::Hold:
        if (!answers_.empty()) return end(answers_);
        name = request_.button->name;
        command =
            request_.button->oneShot ? request_.button->oneShot->command : request_.button->held->command;
        if (request_.button->oneShot) window = replyWindowMs(request_.button->oneShot->sendClass);
        break;
    case Request::Kind::Send:
        if (!answers_.empty()) return end(answers_);
        name = "send";
        command = request_.text;
        window = kSendWindowMs;
        break;
    case Request::Kind::Status:
        if (answers_.size() == request_.keys.size()) return end(answers_);
        key = request_.keys[answers_.size()];
        name = key->key;
        command = key->command;
        break;
    }
    std::string frame = frameCommand(prefix_, command);
    if (traffic_) traffic_(true, frame);
    const auto answered = [this, name, key](const Exchanged& exchanged) {
        if (traffic_) traffic_(false, exchanged.received);
        std::int16_t pressure = 0;
        answers_.push_back(
            {name, key, exchanged,
             exchanged.received.empty()
                 ? std::nullopt
                 : decodeStatusReply(exchanged.frame, prefix_, traceText(exchanged.received), pressure)});
        next();
    };
    const bool written =
        request_.kind == Request::Kind::Hold
            ? exchange_.hold(frame, repeatPeriodMs(*request_.button->held), request_.heldMs, answered)
            : exchange_.ask(frame, windowMs_.value_or(window), answered);
    if (!written)
        end(failure(Message(Text::q7tr("Cannot write to %1."), {Message::verbatim(line_.address())})));
}

void RequestRun::stop() {
    exchange_.stop();
    done_ = {};
}

void RequestRun::end(const Answers& result) {
    exchange_.stop();
    if (Done done = std::exchange(done_, {})) done(result);
}

Runner::Runner(Line& line, TimerFactory& timers, std::string prefix, std::optional<int> windowMs,
               Traffic traffic)
    : supervisor_(line, timers, *this), run_(line, timers, windowMs, std::move(traffic)),
      prefix_(std::move(prefix)) {}

void Runner::run(const Request& request, RequestRun::Done done) {
    request_ = request;
    done_ = std::move(done);
    const Result<Line::Opening> opening = supervisor_.open();
    if (!opening)
        end(failure(opening.error()));
    else if (*opening == Line::Opening::Open)
        opened();
}

void Runner::opened() {
    run_.start(request_, prefix_, [this](const Answers& answers) { end(answers); });
}

void Runner::openFailed(const Message& why) {
    end(failure(why));
}

void Runner::lost(const Message& why) {
    end(failure(Message(Text::q7tr("The serial device %1 went away: %2."),
                        {Message::verbatim(supervisor_.line().address()), why})));
}

void Runner::stop() {
    run_.stop();
    supervisor_.close();
    done_ = {};
}

void Runner::end(const Answers& result) {
    run_.stop();
    supervisor_.close();
    if (RequestRun::Done done = std::exchange(done_, {})) done(result);
}

} // namespace q7
