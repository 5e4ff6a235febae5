// SPDX-License-Identifier: MIT
#include "qt/core/qt_timer.h"

namespace q7 {

QtTimer::QtTimer(int intervalMs, std::function<void()> onTick) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    // Direct: a tick must never arrive after the timer has been stopped.
    QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(onTick), Qt::DirectConnection);
}

// QTimer restarts an active timer's count on a new interval, as the form relies on.
void QtTimer::setInterval(int ms) {
    timer_.setInterval(ms);
}
int QtTimer::interval() const {
    return timer_.interval();
}

// start() on an active timer restarts its count: enabling a running timer starts it afresh.
void QtTimer::setEnabled(bool on) {
    if (on)
        timer_.start();
    else
        timer_.stop();
}
bool QtTimer::isEnabled() const {
    return timer_.isActive();
}

} // namespace q7
