// SPDX-License-Identifier: MIT
#include "request/runner.h"

#include "display/status_decoder.h"
#include "display/trace.h"
#include "protocol/frame.h"

namespace q7 {

// The panel's window for a button that sets none is the one it starts with.
int replyWindowMs(SendClass sendClass) {
    return intervalsFor(sendClass).value_or(kStartIntervals).replyTimeout;
}

int commandWindowMs(std::string_view command) {
    for (const CatalogueEntry& entry : commandCatalogue())
        if (entry.command == command) return replyWindowMs(entry.sendClass);
    for (const HeldEntry& held : heldButtons())
        if (held.command == command) return replyWindowMs(SendClass::Plain);
    return kSendWindowMs;
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

int exitStatus(const Answers& result) {
    if (const int signo = endingSignal()) return 128 + signo;
    return result ? exitStatus(*result) : 1;
}

RequestRun::RequestRun(Line& line, TimerFactory& timers, std::optional<int> windowMs, Traffic traffic)
    : line_(line), exchange_(line, timers), windowMs_(windowMs), traffic_(std::move(traffic)) {}

void RequestRun::start(const Request& request, std::string prefix, Done done) {
    request_ = request;
    prefix_ = std::move(prefix);
    done_ = std::move(done);
    answers_.clear();
    interrupted_ = false;
    next();
}

// The next exchange of the request, or the end once all are made.
void RequestRun::next() {
    std::string name, command;
    const StatusKey* key = nullptr;
    int window = kStartIntervals.replyTimeout;
    switch (request_.kind) {
    case Request::Kind::List:
    case Request::Kind::Help:
        return end(answers_);
    case Request::Kind::Button:
    case Request::Kind::Hold:
        if (!answers_.empty()) return end(answers_);
        name = request_.button->name;
        command =
            request_.button->oneShot ? request_.button->oneShot->command : request_.button->held->command;
        window = commandWindowMs(command);
        break;
    case Request::Kind::Send:
        if (!answers_.empty()) return end(answers_);
        name = "send";
        command = request_.text;
        window = request_.windowMs > 0 ? request_.windowMs : kSendWindowMs;
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
        if (exchanged.frames == 0)
            return end(
                failure(Message(Text::q7tr("Cannot write to %1."), {Message::verbatim(line_.address())})));
        if (traffic_) traffic_(false, exchanged.received);
        std::int16_t pressure = 0;
        answers_.push_back(
            {name, key, exchanged,
             exchanged.received.empty()
                 ? std::nullopt
                 : decodeStatusReply(exchanged.frame, prefix_, traceText(exchanged.received), pressure)});
        if (interrupted_) return end(answers_);
        // A projector that does not answer one query is not kept waiting on for the rest.
        if (request_.untilUnanswered && exchanged.outcome == Outcome::None) {
            for (std::size_t i = answers_.size(); i < request_.keys.size(); ++i)
                answers_.push_back(
                    {std::string(request_.keys[i]->key), request_.keys[i], {{}, {}, Outcome::None, 0}, {}});
            return end(answers_);
        }
        next();
    };
    const int windowMs = windowMs_.value_or(window);
    if (request_.kind == Request::Kind::Hold)
        exchange_.hold(frame, repeatPeriodMs(*request_.button->held), request_.heldMs, windowMs, answered);
    else
        exchange_.ask(frame, windowMs, answered);
}

void RequestRun::interrupt() {
    interrupted_ = true;
    exchange_.interrupt(kEndingMs);
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
    result_.reset();
    interrupted_ = false;
    const Result<Line::Opening> opening = supervisor_.open();
    if (!opening)
        openFailed(opening.error());
    else if (*opening == Line::Opening::Open)
        opened();
}

void Runner::opened() {
    run_.start(request_, prefix_, [this](const Answers& answers) { ran(answers); });
}

void Runner::openFailed(const Message& why) {
    ran(failure(why));
}

void Runner::lost(const Message& why) {
    // Once answered, a line that goes while it settles takes nothing from the answers.
    if (!result_)
        result_ = failure(Message(Text::q7tr("The serial device %1 went away: %2."),
                                  {Message::verbatim(supervisor_.line().address()), why}));
    end();
}

void Runner::interrupt() {
    interrupted_ = true;
    if (!done_) return;
    if (!result_ && !run_.busy())
        return ran(failure(Message(Text::q7tr("The program was ended before the line was open."))));
    run_.interrupt();
}

// The line is handed back only once nothing of this run is still on its way.
void Runner::ran(const Answers& result) {
    result_ = result;
    if (!result || interrupted_) return end();
    run_.settle([this] { end(); });
}

void Runner::end() {
    run_.stop();
    supervisor_.close();
    if (RequestRun::Done done = std::exchange(done_, {})) done(*result_);
}

} // namespace q7
