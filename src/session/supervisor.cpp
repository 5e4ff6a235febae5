// SPDX-License-Identifier: MIT
#include "session/supervisor.h"

#include "link/port_address.h"

#include <algorithm>

namespace q7 {

LineSupervisor::LineSupervisor(Line& line, TimerFactory& timers, Events& events)
    : line_(line), events_(events), watchTimer_(timers.makeTimer(kFirstTryMs, [this] { tryAgain(); })),
      holdTimer_(timers.makeTimer(kHoldsAfterMs, [this] { onTrial(); })) {
    line_.setEvents(this);
}

LineSupervisor::~LineSupervisor() {
    line_.setEvents(nullptr);
}

Result<Line::Opening> LineSupervisor::open() {
    Result<Line::Opening> opening = line_.open();
    userPending_ = opening && *opening == Line::Opening::Pending;
    return opening;
}

void LineSupervisor::watch() {
    watching_ = true;
    waitMs_ = kFirstTryMs;
    watchTimer_->setInterval(waitMs_);
    watchTimer_->setEnabled(true);
}

void LineSupervisor::close() {
    watching_ = trying_ = userPending_ = false;
    watchTimer_->setEnabled(false);
    holdTimer_->setEnabled(false);
    if (line_.isOpen()) line_.close();
}

void LineSupervisor::tryAgain() {
    watchTimer_->setEnabled(false);
    if (!watching_) return;
    const Result<Line::Opening> opening = line_.open();
    if (!opening) {
        tryLater();
    } else if (*opening == Line::Opening::Pending) {
        trying_ = true;
    } else {
        holdTimer_->setEnabled(true);
    }
}

// A network server's tries take time and it may be down for long: the wait grows. A device is cheap to try.
void LineSupervisor::tryLater() {
    if (parsePortAddress(line_.address())
            .map([](const PortAddress& a) { return a.kind != PortAddress::Kind::Device; })
            .value_or(false))
        waitMs_ = std::min(2 * waitMs_, kLongestWaitMs);
    watchTimer_->setInterval(waitMs_);
    watchTimer_->setEnabled(true);
}

void LineSupervisor::onTrial() {
    holdTimer_->setEnabled(false);
    if (!watching_) return;
    watching_ = false;
    events_.back();
}

void LineSupervisor::received() {
    events_.received();
}

void LineSupervisor::opened() {
    if (trying_) {
        trying_ = false;
        holdTimer_->setEnabled(true);
    } else if (std::exchange(userPending_, false)) {
        events_.opened();
    }
}

void LineSupervisor::openFailed(const Message& why) {
    if (trying_) {
        trying_ = false;
        tryLater();
    } else if (std::exchange(userPending_, false)) {
        events_.openFailed(why);
    }
}

void LineSupervisor::lost(const Message& why) {
    if (line_.isOpen()) line_.close();
    if (watching_) {
        // Dropped before it held: one more failed try of the same outage.
        holdTimer_->setEnabled(false);
        tryLater();
        return;
    }
    userPending_ = false;
    watch();
    events_.lost(why);
}

void LineSupervisor::settingsFailed(const Message& why) {
    events_.settingsFailed(why);
}

} // namespace q7
