// SPDX-License-Identifier: MIT
#pragma once
// Timers, for whoever needs deferred work: the form's four, a line's watch, an exchange's reply window. The
// programs make them on Qt (qt/core/qt_timer), the tests on a virtual clock.

#include <functional>
#include <memory>

namespace q7 {

// An interval in milliseconds and an enabled flag. An enabled timer ticks every interval until disabled, on
// the one thread that runs the handlers. Disabling and enabling again, setting the interval of a running
// timer, and enabling a running timer all start its count afresh: every transmission gets its full reply
// window and clearing time.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
};

class TimerFactory {
  public:
    // Disabled until enabled; onTick runs at each tick.
    virtual std::unique_ptr<Timer> makeTimer(int intervalMs, std::function<void()> onTick) = 0;

  protected:
    ~TimerFactory() = default;
};

} // namespace q7
