// SPDX-License-Identifier: MIT
// Held buttons on the virtual clock: press, repetition, release, and what a hold leaves for the cursor pad.

#include "fake_window.h"
#include "protocol/held_buttons.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

std::vector<std::int64_t> writeTimes(const Panel& p) {
    std::vector<std::int64_t> times;
    for (const auto& w : p.ui.fakePort().writes)
        times.push_back(w.at);
    return times;
}

TEST(HeldButtons, TableShape) {
    EXPECT_EQ(heldButtons().size(), 17u);
    int arrows = 0;
    for (const HeldEntry& h : heldButtons()) {
        arrows += h.isArrow();
        EXPECT_EQ(findHeldByCode(h.heldCode), &h);
    }
    EXPECT_EQ(arrows, 4);
    EXPECT_EQ(findHeldByCode(0), nullptr);
}

// The VOL "+" hold with no answer and the release at 600 ms, event by event.
TEST(Hold, VolumeTimeline) {
    Panel p;
    p.form.press("Command1");
    EXPECT_EQ(p.written(), std::vector<std::string>{"C09\r"});
    EXPECT_EQ(p.txd(), " C 0 9 CR ");
    EXPECT_EQ(p.form.HeldButton, 1);
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 250);
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 200);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 245);

    p.ui.clock.advance(199);
    EXPECT_EQ(p.rxd(), "");
    p.ui.clock.advance(1);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.ui.clock.advance(45);
    EXPECT_EQ(p.txd(), "");
    EXPECT_EQ(p.rxd(), "");
    p.ui.clock.advance(5);
    EXPECT_EQ(p.written().size(), 2u);
    EXPECT_EQ(p.txd(), " C 0 9 CR ");
    p.ui.clock.advance(200);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.ui.clock.advance(45);
    EXPECT_EQ(p.txd(), "");
    p.ui.clock.advance(5);
    EXPECT_EQ(p.written().size(), 3u);
    EXPECT_EQ(writeTimes(p), (std::vector<std::int64_t>{0, 250, 500}));

    p.ui.clock.advance(100);
    p.form.release("Command1");
    EXPECT_EQ(p.form.HeldButton, 0);
    EXPECT_EQ(p.txd(), "");
    EXPECT_EQ(p.rxd(), "");
    EXPECT_FALSE(p.ui.timer(Timer1).isEnabled());
    EXPECT_FALSE(p.ui.timer(Timer2).isEnabled());
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 500);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 1000);
    EXPECT_EQ(p.form.AwaitingReply, 1) << "the release does not touch AwaitingReply";

    p.ui.clock.advance(999);
    EXPECT_EQ(p.written().size(), 3u) << "the release sends nothing and nothing repeats";
    p.ui.clock.advance(1);
    EXPECT_FALSE(p.ui.timer(Timer4).isEnabled());
    // Timer2 stayed off: the dropped reply window marked nothing after the release.
    EXPECT_EQ(p.rxd(), "");
}

TEST(Hold, ReleaseKeepsTheStatusLineUntilTheClearing) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    p.ui.setText(ControlId("Label22"), " Power ON");
    p.form.press("Command36");
    p.form.release("Command36");
    EXPECT_EQ(p.status(), " Power ON");
    EXPECT_EQ(p.form.ReceiveBuffer, "");
    p.ui.clock.advance(1000);
    EXPECT_EQ(p.status(), "");
}

TEST(Hold, JustUnderOnePeriodSendsOnceAndNPeriodsSendNMore) {
    for (int n : {0, 1, 7}) {
        Panel p;
        p.form.press("Command15");
        p.ui.clock.advance(50 * n + 49);
        p.form.release("Command15");
        p.ui.clock.advance(5000);
        EXPECT_EQ(p.written().size(), static_cast<std::size_t>(1 + n)) << n;
        for (const auto& frame : p.written())
            EXPECT_EQ(frame, "C47\r");
    }
}

struct ArrowCase {
    const char* name;
    std::vector<const char*> before; // clicks and holds ("+" prefix = press and release) before the arrow
    int period;
    int replyTimeout;
    int clearing;
};

class ArrowIntervals : public ::testing::TestWithParam<ArrowCase> {};

TEST_P(ArrowIntervals, ArrowsTakeWhatTheLastButtonsLeft) {
    const ArrowCase& c = GetParam();
    Panel p;
    for (std::string step : c.before) {
        if (step[0] == '+') {
            p.form.press(step.substr(1));
            p.form.release(step.substr(1));
            p.ui.clock.advance(2000);
        } else {
            p.form.click(step);
            p.ui.clock.advance(6000);
        }
    }
    const std::size_t before = p.written().size();
    p.form.press("Command5");
    EXPECT_EQ(p.ui.timer(Timer2).interval(), c.replyTimeout);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), c.clearing);
    EXPECT_EQ(p.ui.timer(Timer1).interval(), c.period);
    p.ui.clock.advance(c.period * 4);
    p.form.release("Command5");
    const auto times = writeTimes(p);
    ASSERT_EQ(times.size(), before + 5);
    for (std::size_t i = before + 1; i < times.size(); ++i)
        EXPECT_EQ(times[i] - times[i - 1], c.period);
    for (std::size_t i = before; i < times.size(); ++i)
        EXPECT_EQ(p.written()[i], "C3C\r");
}

INSTANTIATE_TEST_SUITE_P(
    CursorPad, ArrowIntervals,
    ::testing::Values(ArrowCase{"AfterStart", {}, 200, 500, 1000},
                      ArrowCase{"AfterMenuOn", {"Command23"}, 200, 150, 190},
                      ArrowCase{"AfterAImage", {"Command13"}, 200, 150, 190},
                      ArrowCase{"AfterZoomHold", {"+Command15"}, 50, 500, 1000},
                      ArrowCase{"AfterSelectHold", {"+Command6"}, 500, 500, 1000},
                      ArrowCase{"AfterDZoomRelease", {"+Command49"}, 5, 5, 5},
                      ArrowCase{"AfterDZoomThenMenuOn", {"+Command48", "Command23"}, 200, 150, 190},
                      ArrowCase{"AfterDZoomThenVolHold", {"+Command48", "+Command1"}, 250, 5, 5},
                      ArrowCase{"AfterWait5sKeepsTheLongWindow", {"Command63"}, 200, 5000, 5500},
                      ArrowCase{"MenuOffChangesNothing", {"Command23", "Command24"}, 200, 150, 190}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Hold, TheArrowNeverSetsTheRepeatPeriod) {
    Panel p;
    p.form.press("Command15");
    p.form.release("Command15");
    p.form.press("Command8");
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 50);
    p.form.release("Command8");
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 50);
    EXPECT_EQ(p.form.CursorPadMode, 0);
}

TEST(Hold, PadSetupActsAfterItsOwnTransmission) {
    Panel p;
    p.form.press("Command1");
    p.form.release("Command1");
    p.form.click("Command23");
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 200);
    EXPECT_EQ(p.form.CursorPadMode, 1);
    EXPECT_FALSE(p.ui.timer(Timer1).isEnabled()) << "PadSetup sets the period without starting a repetition";
    // The reply window of MENU "ON" itself still runs with the intervals the release left.
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 500);
}

TEST(Hold, EveryRepetitionUsesThePrefixInForce) {
    Panel p;
    p.form.press("Command59");
    p.ui.clock.advance(50);
    p.form.click("Option7");
    p.ui.clock.advance(50);
    p.form.click("Option4");
    p.ui.clock.advance(50);
    p.form.release("Command59");
    EXPECT_EQ(p.written(), (std::vector<std::string>{"C5D\r", "C5D\r", "A003C5D\r", "AFFFC5D\r"}));
}

TEST(Hold, ASecondPressWhileHoldingSendsAgainAndTheFirstReleaseEnds) {
    Panel p;
    p.form.press("Command2");
    p.ui.clock.advance(100);
    p.form.press("Command2");
    EXPECT_EQ(p.written().size(), 2u);
    p.ui.clock.advance(250);
    EXPECT_EQ(p.written().size(), 3u) << "the second press restarted the 250 ms count";
    p.form.release("Command2");
    p.ui.clock.advance(1000);
    EXPECT_EQ(p.written().size(), 3u);
}

TEST(Hold, ReleaseRestoresStartIntervalsAfterALongWindowButton) {
    Panel p;
    p.form.click("Command65");
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 5000);
    p.form.press("Command50");
    p.form.release("Command50");
    p.ui.clock.advance(2000);
    p.form.click("Command44");
    p.ui.clock.advance(500);
    EXPECT_EQ(p.rxd(), " X X X X");
}

TEST(Hold, AReleaseWithNothingHeldSendsNothing) {
    Panel p;
    p.form.release("Command7");
    EXPECT_TRUE(p.written().empty());
    EXPECT_FALSE(p.ui.timer(Timer1).isEnabled());
}

TEST(Hold, ClicksOnHeldButtonsSendNothing) {
    Panel p;
    for (const HeldEntry& h : heldButtons())
        p.form.click(h.control);
    EXPECT_TRUE(p.written().empty());
}

TEST(Hold, InterruptionEndsTheHoldLikeARelease) {
    Panel p;
    p.form.press("Command48");
    p.ui.clock.advance(300);
    p.form.holdInterrupted();
    EXPECT_EQ(p.form.HeldButton, 0);
    EXPECT_FALSE(p.ui.timer(Timer1).isEnabled());
    EXPECT_EQ(p.form.CursorPadMode, 3) << "it is the D.Zoom release";
    const auto sent = p.written().size();
    p.ui.clock.advance(5000);
    EXPECT_EQ(p.written().size(), sent);
    p.form.holdInterrupted();
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 5);
}

// A slow line: frames that have not left the port hold back the next repetition, so nothing piles up and the
// lens stops when the button is released.
TEST(Hold, ARepetitionWaitsWhileEarlierFramesHaveNotLeft) {
    Panel p;
    p.form.press("Command48");
    p.form.release("Command48");
    p.form.click("Option5"); // "A001C3C\r": 8 bytes, 8.3 ms at 9600 baud
    auto& port = p.ui.fakePort();
    port.slowLine = true;
    p.form.press("Command5");
    // Drain one byte each 1.04 ms, as a 9600-baud line would.
    double credit = 0;
    for (int ms = 0; ms < 200; ++ms) {
        credit += 0.96;
        while (credit >= 1 && port.pending > 0) {
            --port.pending;
            credit -= 1;
        }
        if (port.pending == 0) credit = 0;
        p.ui.clock.advance(1);
    }
    p.form.release("Command5");
    const std::size_t queued = port.pending;
    EXPECT_LE(queued, 8u) << "at most one frame is left to go after the release";
    const auto times = writeTimes(p);
    EXPECT_GE(times.size(), 15u) << "the hold still repeats as fast as the line allows";
    EXPECT_LE(times.size(), 26u);
}

TEST(Hold, OneShotCommandsAreNeverHeldBack) {
    Panel p;
    p.ui.fakePort().pending = 1000;
    p.form.click("Command17");
    p.form.press("Command1");
    EXPECT_EQ(p.written().size(), 2u);
}

} // namespace
} // namespace q7
