// SPDX-License-Identifier: MIT
#pragma once
// Timers on a virtual clock: ticks come only when the test advances the clock, one at a time and in time
// order, so every timer rule can be checked to the millisecond.

#include "link/timer.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace q7::test {

class VirtualClock final : public TimerFactory {
  public:
    class Timer;
    std::int64_t now() const { return now_; }
    std::unique_ptr<q7::Timer> makeTimer(int intervalMs, std::function<void()> onTick) override;
    // Delivers every tick that falls due up to now + ms; timers due together tick in the order they started.
    void advance(std::int64_t ms);

  private:
    std::int64_t now_ = 0;
    std::uint64_t starts_ = 0;
    std::vector<Timer*> timers_;
};

// Setting the interval of a running timer and enabling it start its count afresh, as the services require.
class VirtualClock::Timer final : public q7::Timer {
  public:
    Timer(VirtualClock& clock, int interval, std::function<void()> onTick)
        : clock_(clock), interval_(interval), onTick_(std::move(onTick)) {
        clock_.timers_.push_back(this);
    }
    ~Timer() override { std::erase(clock_.timers_, this); }
    void setInterval(int ms) override {
        interval_ = ms;
        if (enabled_) restart();
    }
    int interval() const override { return interval_; }
    void setEnabled(bool on) override {
        enabled_ = on;
        if (on) restart();
    }
    bool isEnabled() const override { return enabled_; }

  private:
    friend class VirtualClock;
    void restart() { due_ = {clock_.now_ + std::max(1, interval_), ++clock_.starts_}; }
    VirtualClock& clock_;
    int interval_;
    std::function<void()> onTick_;
    bool enabled_ = false;
    std::pair<std::int64_t, std::uint64_t> due_; // when, and the order in which it was started
};

inline std::unique_ptr<q7::Timer> VirtualClock::makeTimer(int intervalMs, std::function<void()> onTick) {
    return std::make_unique<Timer>(*this, intervalMs, std::move(onTick));
}

inline void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t end = now_ + ms;
    for (;;) {
        Timer* next = nullptr;
        for (Timer* t : timers_)
            if (t->enabled_ && t->due_.first <= end && (!next || t->due_ < next->due_)) next = t;
        if (!next) break;
        now_ = next->due_.first;
        next->restart();
        next->onTick_();
    }
    now_ = end;
}

} // namespace q7::test
