// SPDX-License-Identifier: MIT
// The Qt timer service against the timer contract of the window services. These run on the real clock, so the
// bounds are wide: each one only separates the behaviour the form relies on from the nearest wrong one.
#include "qt/qt_timer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

struct TickLog {
    QElapsedTimer clock;
    std::vector<qint64> at;
    TickLog() { clock.start(); }
    std::function<void()> recorder() {
        return [this] { at.push_back(clock.elapsed()); };
    }
    bool waitFor(std::size_t ticks, int timeoutMs) {
        return QTest::qWaitFor([&] { return at.size() >= ticks; }, timeoutMs);
    }
};

// Runs the event loop without pauses of its own (QTest::qWait sleeps 10 ms between passes, which would
// hold a 5 ms timer back).
void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Blocks the event loop, so that ticks fall due without being delivered.
void busyFor(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST(QtTimer, StartsDisabledWithItsInterval) {
    TickLog log;
    q7::QtTimer timer(50, log.recorder());
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_EQ(timer.interval(), 50);
    QTest::qWait(150);
    EXPECT_TRUE(log.at.empty());
}

TEST(QtTimer, TicksEveryIntervalUntilDisabled) {
    TickLog log;
    q7::QtTimer timer(40, log.recorder());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isEnabled());
    ASSERT_TRUE(log.waitFor(3, 3000));
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isEnabled());
    EXPECT_GE(log.at[0], 35);
    const std::size_t ticks = log.at.size();
    QTest::qWait(150);
    EXPECT_EQ(log.at.size(), ticks);
}

// A new interval on a running timer counts from the change: not from the start (the old count kept with the
// new length), not at the end of the old interval.
TEST(QtTimer, ANewIntervalOnARunningTimerTicksOneNewIntervalAfterTheChange) {
    TickLog log;
    q7::QtTimer timer(2000, log.recorder());
    timer.setEnabled(true);
    QTest::qWait(400);
    ASSERT_TRUE(log.at.empty());
    const qint64 changedAt = log.clock.elapsed();
    timer.setInterval(800);
    EXPECT_EQ(timer.interval(), 800);
    EXPECT_TRUE(timer.isEnabled());
    ASSERT_TRUE(log.waitFor(1, 5000));
    const qint64 after = log.at[0] - changedAt;
    EXPECT_GE(after, 780) << "counted from the start, not from the change";
    EXPECT_LT(after, 1500) << "the old interval ran on";
}

TEST(QtTimer, TheSameIntervalSetAgainRestartsTheCount) {
    TickLog log;
    q7::QtTimer timer(600, log.recorder());
    timer.setEnabled(true);
    QTest::qWait(350);
    ASSERT_TRUE(log.at.empty());
    const qint64 changedAt = log.clock.elapsed();
    timer.setInterval(600);
    ASSERT_TRUE(log.waitFor(1, 5000));
    EXPECT_GE(log.at[0] - changedAt, 580);
}

TEST(QtTimer, AnIntervalSetWhileDisabledTakesEffectAtTheNextStart) {
    TickLog log;
    q7::QtTimer timer(5000, log.recorder());
    timer.setInterval(100);
    EXPECT_FALSE(timer.isEnabled()) << "setting the interval does not start the timer";
    QTest::qWait(200);
    EXPECT_TRUE(log.at.empty());
    const qint64 startedAt = log.clock.elapsed();
    timer.setEnabled(true);
    ASSERT_TRUE(log.waitFor(1, 3000));
    EXPECT_GE(log.at[0] - startedAt, 95);
    EXPECT_LT(log.at[0] - startedAt, 2000);
}

TEST(QtTimer, EnablingARunningTimerRestartsItsCount) {
    TickLog log;
    q7::QtTimer timer(600, log.recorder());
    timer.setEnabled(true);
    QTest::qWait(350);
    ASSERT_TRUE(log.at.empty());
    const qint64 reenabledAt = log.clock.elapsed();
    timer.setEnabled(true);
    ASSERT_TRUE(log.waitFor(1, 5000));
    EXPECT_GE(log.at[0] - reenabledAt, 580);
}

TEST(QtTimer, DisablingAndEnablingAgainStartsAfresh) {
    TickLog log;
    q7::QtTimer timer(600, log.recorder());
    timer.setEnabled(true);
    QTest::qWait(350);
    timer.setEnabled(false);
    QTest::qWait(100);
    const qint64 restartedAt = log.clock.elapsed();
    timer.setEnabled(true);
    ASSERT_TRUE(log.waitFor(1, 5000));
    EXPECT_GE(log.at[0] - restartedAt, 580);
}

TEST(QtTimer, NoTickAfterDisablingEvenWhenOneWasDue) {
    TickLog log;
    q7::QtTimer timer(20, log.recorder());
    timer.setEnabled(true);
    busyFor(100);
    timer.setEnabled(false);
    QTest::qWait(150);
    EXPECT_TRUE(log.at.empty());
}

// Two timers due in the same pass of the event loop: whichever ticks first disables the other, which must
// then stay silent, as when the release of a held button stops the repeat timer.
TEST(QtTimer, ATimerDisabledByAnotherTimersTickInTheSamePassStaysSilent) {
    int ticks = 0;
    std::unique_ptr<q7::QtTimer> a;
    std::unique_ptr<q7::QtTimer> b;
    a = std::make_unique<q7::QtTimer>(10, [&] {
        ++ticks;
        a->setEnabled(false);
        b->setEnabled(false);
    });
    b = std::make_unique<q7::QtTimer>(10, [&] {
        ++ticks;
        a->setEnabled(false);
        b->setEnabled(false);
    });
    a->setEnabled(true);
    b->setEnabled(true);
    busyFor(60);
    QTest::qWait(150);
    EXPECT_EQ(ticks, 1);
}

TEST(QtTimer, ShortIntervalsTickAtTheirPeriod) {
    TickLog log;
    q7::QtTimer timer(5, log.recorder());
    timer.setEnabled(true);
    runEventLoop(600);
    timer.setEnabled(false);
    const qint64 span = log.clock.elapsed();
    // About span / 5 ticks; a very coarse timer would tick in whole seconds.
    EXPECT_GE(log.at.size(), static_cast<std::size_t>(span / 5 / 2));
    EXPECT_LE(log.at.size(), static_cast<std::size_t>(span / 5 + 2));
}

} // namespace
