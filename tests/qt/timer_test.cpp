// SPDX-License-Identifier: MIT
// The timer contract of the window services, run against the virtual-clock timer the form tests use and
// against the Qt timer the program uses: the same test, so the fake is held to the real thing. On the real
// clock every bound is one-sided and generous: it also runs under the sanitizers on two busy cores.

#include "qt/core/qt_timer.h"
#include "virtual_clock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace q7::test {
namespace {

struct VirtualRig {
    VirtualClock clock;
    std::unique_ptr<Timer> make(int ms, std::function<void()> tick) {
        return std::make_unique<VirtualClock::Timer>(clock, ms, std::move(tick));
    }
    std::int64_t now() const { return clock.now(); }
    void run(int ms) { clock.advance(ms); }
    void busy(int) {} // no tick is ever delivered inside a handler
};

struct QtRig {
    QtRig() { elapsed.start(); }
    QElapsedTimer elapsed;
    std::unique_ptr<Timer> make(int ms, std::function<void()> tick) {
        return std::make_unique<QtTimer>(ms, std::move(tick));
    }
    std::int64_t now() const { return elapsed.elapsed(); }
    // The event loop without pauses of its own: QTest::qWait sleeps 10 ms between passes.
    void run(int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // The event loop is blocked while ticks fall due.
    void busy(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

template <class Rig> class TimerContract : public ::testing::Test {
  protected:
    // A timer that records when it ticked.
    std::unique_ptr<Timer> timer(int ms) {
        return rig.make(ms, [this] { ticks.push_back(rig.now()); });
    }
    // Time from `since` to the first tick after it, once one has come.
    std::int64_t firstTickAfter(std::int64_t since) {
        const std::size_t seen = ticks.size();
        for (int waited = 0; ticks.size() == seen && waited < 10000; ++waited)
            rig.run(1);
        return ticks.size() > seen ? ticks[seen] - since : -1;
    }
    Rig rig;
    std::vector<std::int64_t> ticks;
};

using Rigs = ::testing::Types<VirtualRig, QtRig>;
TYPED_TEST_SUITE(TimerContract, Rigs);

TYPED_TEST(TimerContract, TicksEveryIntervalWhileEnabledFiveMillisecondsToo) {
    auto t = this->timer(60);
    EXPECT_EQ(std::pair(t->isEnabled(), t->interval()), std::pair(false, 60));
    this->rig.run(100);
    t->setEnabled(true);
    std::int64_t start = this->rig.now();
    EXPECT_GE(this->firstTickAfter(start), 50);
    EXPECT_GE(this->firstTickAfter(start), 100);
    this->ticks.clear();
    t->setInterval(5);
    start = this->rig.now();
    this->rig.run(600);
    t->setEnabled(false);
    const std::size_t ticks = this->ticks.size(),
                      due = static_cast<std::size_t>((this->rig.now() - start) / 5);
    EXPECT_GE(ticks, due / 4);
    EXPECT_LE(ticks, due + 1);
    this->rig.run(100);
    EXPECT_EQ(this->ticks.size(), ticks);
}

// Started at 600 ms and 350 ms into its count, the timer is started afresh one way or another: the next tick
// comes a whole interval later, not 250 ms later at the end of the old count nor, for a new interval of 800
// ms, 450 ms later as if counted from the start; the bounds lie between, for a real clock on a busy machine.
// An interval set while disabled starts nothing.
TYPED_TEST(TimerContract, EveryRestartCountsTheWholeIntervalAgain) {
    auto t = this->timer(600);
    t->setInterval(100);
    this->rig.run(200);
    EXPECT_TRUE(this->ticks.empty() && !t->isEnabled());
    for (int way = 0; way < 4; ++way) {
        t->setInterval(600);
        t->setEnabled(true);
        this->rig.run(350);
        ASSERT_TRUE(this->ticks.empty()) << way;
        if (way == 0) t->setInterval(600);
        if (way == 1) t->setEnabled(true);
        if (way == 2) t->setEnabled(false), this->rig.run(100), t->setEnabled(true);
        if (way == 3) t->setInterval(800);
        EXPECT_GE(this->firstTickAfter(this->rig.now()), way == 3 ? 650 : 450) << way;
        t->setEnabled(false);
        this->ticks.clear();
    }
}

// A tick already due when the timer is stopped, by the handler running or by another timer's tick in the same
// pass (the release of a held button stops the repeat timer), never arrives.
TYPED_TEST(TimerContract, NoTickAfterDisablingEvenWhenOneWasDue) {
    std::unique_ptr<Timer> a, b;
    const auto stopBoth = [&] {
        this->ticks.push_back(this->rig.now());
        a->setEnabled(false);
        b->setEnabled(false);
    };
    a = this->rig.make(20, stopBoth);
    b = this->rig.make(20, stopBoth);
    auto c = this->timer(20);
    for (Timer* t : {a.get(), b.get(), c.get()})
        t->setEnabled(true);
    this->rig.busy(100);
    c->setEnabled(false);
    this->rig.run(200);
    EXPECT_EQ(this->ticks.size(), 1u);
}

} // namespace
} // namespace q7::test
