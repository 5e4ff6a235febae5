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
    : line_(line), window_(timers.makeTimer(500, [this] { finish(); })),
      repeat_(timers.makeTimer(200, [this] { repeat(); })),
      release_(timers.makeTimer(1000, [this] { finish(); })) {}

Exchange::~Exchange() = default;

bool Exchange::begin(std::string frame, Done done) {
    stop();
    // What waits in the input belongs to no one now: a late answer to an earlier frame must not be taken for
    // this one's.
    (void)line_.readAll();
    if (!line_.write(frame)) return false;
    current_ = {std::move(frame), {}, Outcome::None, 1};
    replied_ = false;
    done_ = std::move(done);
    return true;
}

bool Exchange::ask(std::string frame, int windowMs, Done done) {
    if (!begin(std::move(frame), std::move(done))) return false;
    window_->setInterval(windowMs);
    window_->setEnabled(true);
    return true;
}

bool Exchange::hold(std::string frame, int periodMs, int heldMs, Done done) {
    if (!begin(std::move(frame), std::move(done))) return false;
    holding_ = true;
    repeat_->setInterval(periodMs);
    repeat_->setEnabled(true);
    release_->setInterval(heldMs);
    release_->setEnabled(true);
    return true;
}

void Exchange::repeat() {
    if (lineIsBusy(line_)) return;
    if (line_.write(current_.frame)) ++current_.frames;
}

void Exchange::received() {
    const std::string input = line_.readAll();
    if (!done_ || replied_) return;
    std::string& got = current_.received;
    const std::size_t cr = input.find('\r');
    // A line that never stops sending is cut short here and ends with the window.
    got.append(input, 0, std::min(cr == std::string::npos ? input.size() : cr + 1, kReplyLimit - got.size()));
    if (cr == std::string::npos) return;
    replied_ = true;
    if (!holding_) finish();
}

void Exchange::finish() {
    const std::string& got = current_.received;
    current_.outcome = got == "\x06\r"                   ? Outcome::Ack
                       : got == "\x15\r"                 ? Outcome::Nak
                       : replied_ && got.ends_with('\r') ? Outcome::Reply
                       : got.empty()                     ? Outcome::None
                                                         : Outcome::Partial;
    Done done = std::exchange(done_, {});
    stop();
    if (done) done(current_);
}

void Exchange::stop() {
    done_ = {};
    holding_ = false;
    for (Timer* t : {window_.get(), repeat_.get(), release_.get()})
        t->setEnabled(false);
}

} // namespace q7
