// SPDX-License-Identifier: MIT
#pragma once
// Timer service on QTimer: precise, ticks delivered directly on the user-interface thread.
//
// Every rule of the timer contract holds: a new interval on a running timer (even the same value) and
// enabling a running timer both start the count afresh, and no tick arrives once disabled, also when it was
// already due or when another timer's tick in the same pass disabled it (the connection is direct: a queued
// one would still deliver it). Event loops that sleep between passes (QTest::qWait) hold short intervals
// back; the program's own loop does not (the benchmarks' repeat periods).

#include "link/timer.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace q7 {

class QtTimer final : public Timer {
  public:
    QtTimer(int intervalMs, std::function<void()> onTick);
    void setInterval(int ms) override;
    int interval() const override;
    void setEnabled(bool on) override;
    bool isEnabled() const override;

  private:
    QTimer timer_;
};

class QtTimers final : public TimerFactory {
  public:
    std::unique_ptr<Timer> makeTimer(int intervalMs, std::function<void()> onTick) override {
        return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
    }
};

} // namespace q7
