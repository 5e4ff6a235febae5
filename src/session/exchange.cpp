// SPDX-License-Identifier: MIT
#include "session/exchange.h"

#include "session/pacing.h"

#include <algorithm>

namespace q7 {

std::string_view outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ack:
        return "ack";
    case Outcome::Reply:
        return "reply";
    case Outcome::Nak:
        return "nak";
    case Outcome::Partial:
        return "partial";
    case Outcome::None:
        return "none";
    }
    return "none";
}

Exchange::Exchange(Line& line, TimerFactory& timers)
    : line_(line), window_(timers.makeTimer(500, [this] { windowEnded(); })),
      repeat_(timers.makeTimer(200, [this] { repeat(); })),
      release_(timers.makeTimer(1000, [this] { release(); })),
      quiet_(timers.makeTimer(kQuietMs, [this] { quietTick(); })),
      bound_(timers.makeTimer(kLongestQuietMs,
                              [this] { state_ == State::Quieting ? quietEnded() : finish(); })) {}

Exchange::~Exchange() = default;

void Exchange::opened(bool quiet) {
    stop();
    clean_ = !quiet;
    awaitCr_ = false;
}

void Exchange::ask(std::string frame, int windowMs, Done done) {
    stop();
    current_ = {std::move(frame), {}, Outcome::None, 1};
    done_ = std::move(done);
    quiet([this, windowMs] { write(windowMs); });
}

void Exchange::hold(std::string frame, int periodMs, int heldMs, int windowMs, Done done) {
    stop();
    current_ = {std::move(frame), {}, Outcome::None, 1};
    done_ = std::move(done);
    quiet([this, periodMs, heldMs, windowMs] {
        write(windowMs);
        if (state_ != State::Asking) return;
        state_ = State::Holding;
        repeat_->setInterval(periodMs);
        repeat_->setEnabled(true);
        release_->setInterval(heldMs);
        release_->setEnabled(true);
    });
}

void Exchange::settle(std::function<void()> then) {
    stop();
    quiet(std::move(then));
}

void Exchange::quiet(std::function<void()> then) {
    if (clean_) return then();
    state_ = State::Quieting;
    afterQuiet_ = std::move(then);
    (void)line_.readAll();
    quiet_->setEnabled(true);
    bound_->setInterval(kLongestQuietMs);
    bound_->setEnabled(true);
}

// A half reply's CR is still due: the next byte starts the count again.
void Exchange::quietTick() {
    if (awaitCr_)
        quiet_->setEnabled(false);
    else
        quietEnded();
}

void Exchange::quietEnded() {
    timers(false);
    state_ = State::Idle;
    clean_ = true;
    awaitCr_ = false;
    (void)line_.readAll();
    if (std::function<void()> then = std::exchange(afterQuiet_, {})) then();
}

void Exchange::write(int windowMs) {
    // What waits in the input belongs to no one: a late answer to an earlier frame is not this one's.
    (void)line_.readAll();
    replied_ = midReply_ = false;
    crs_ = 0;
    if (!line_.write(current_.frame)) {
        current_.frames = 0;
        if (Done done = std::exchange(done_, {})) done(current_);
        return;
    }
    state_ = State::Asking;
    current_.windowMs = windowMs;
    window_->setInterval(windowMs);
    window_->setEnabled(true);
}

// While held, the window only says whether the last frame's reply may still come.
void Exchange::windowEnded() {
    if (state_ == State::Holding)
        window_->setEnabled(false);
    else
        finish();
}

void Exchange::repeat() {
    if (lineIsBusy(line_)) return;
    if (!line_.write(current_.frame)) return;
    ++current_.frames;
    window_->setEnabled(true);
}

void Exchange::release() {
    repeat_->setEnabled(false);
    release_->setEnabled(false);
    state_ = State::Draining;
    if (crs_ >= current_.frames || !window_->isEnabled()) finish();
}

void Exchange::interrupt(int ms) {
    switch (state_) {
    case State::Idle:
        return;
    case State::Quieting:
        if (done_) {
            // The frame has not gone out, and now never will.
            current_.frames = 0;
            Done done = std::exchange(done_, {});
            stop();
            return done(current_);
        }
        break;
    case State::Holding:
        release();
        if (state_ == State::Idle) return;
        break;
    case State::Asking:
    case State::Draining:
        break;
    }
    bound_->setInterval(ms);
    bound_->setEnabled(true);
}

void Exchange::received() {
    const std::string input = line_.readAll();
    if (input.empty()) return;
    switch (state_) {
    case State::Idle:
        clean_ = false; // no one's, and maybe not all of it yet
        return;
    case State::Quieting:
        if (input.find('\r') != std::string::npos) awaitCr_ = false;
        quiet_->setEnabled(true);
        return;
    case State::Asking:
    case State::Holding:
    case State::Draining:
        break;
    }
    if (!replied_) {
        std::string& got = current_.received;
        const std::size_t cr = input.find('\r');
        // A line that never stops sending is cut short here and ends with the window.
        got.append(input, 0,
                   std::min(cr == std::string::npos ? input.size() : cr + 1, kReplyLimit - got.size()));
        replied_ = cr != std::string::npos;
    }
    crs_ += static_cast<int>(std::count(input.begin(), input.end(), '\r'));
    midReply_ = input.back() != '\r';
    if ((state_ == State::Asking && replied_) || (state_ == State::Draining && crs_ >= current_.frames))
        finish();
}

void Exchange::finish() {
    const std::string& got = current_.received;
    current_.outcome = got == "\x06\r"                   ? Outcome::Ack
                       : got == "\x15\r"                 ? Outcome::Nak
                       : replied_ && got.ends_with('\r') ? Outcome::Reply
                       : got.empty()                     ? Outcome::None
                                                         : Outcome::Partial;
    // Fewer CRs than frames: a reply may still be on its way; bytes after the last CR: one is.
    clean_ = crs_ >= current_.frames && !midReply_;
    awaitCr_ = crs_ < current_.frames && midReply_;
    Done done = std::exchange(done_, {});
    stop();
    if (done) done(current_);
}

void Exchange::stop() {
    done_ = {};
    afterQuiet_ = {};
    state_ = State::Idle;
    timers(false);
}

void Exchange::timers(bool on) {
    for (Timer* t : {window_.get(), repeat_.get(), release_.get(), quiet_.get(), bound_.get()})
        t->setEnabled(on);
}

} // namespace q7
