// SPDX-License-Identifier: MIT
// Every one-shot and held button clicked or held as an operator would, on the virtual clock: the frame on the
// wire, when the reply window marks the missing reply, when the lines clear, what the next command inherits.

#include "design.h"
#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;
using Times = std::vector<std::int64_t>;
using Frames = std::vector<std::string>;

TEST(OneShot, EveryButtonSendsItsFrameAndRunsItsReplyWindow) {
    for (const design::Control& c : design::kControls) {
        if (!c.wire) continue;
        SCOPED_TRACE(c.name);
        Panel p;
        p.form.click(test::id(c.name));
        EXPECT_EQ(p.written(), Frames{c.wire});
        // "A-IMAGE" and MENU "ON" prepare the cursor pad; nothing else does.
        EXPECT_EQ(p.form.CursorPadMode,
                  std::string_view(c.name) == "Command13" || std::string_view(c.name) == "Command23");
        // The intervals stay for a plain command that follows (POWER "ON").
        for (int command = 0; command < 2; ++command) {
            p.advance(c.window - 1);
            EXPECT_EQ(p.rxd(), "");
            p.advance(1);
            EXPECT_EQ(p.rxd(), " X X X X");
            p.advance(c.clearing - c.window - 1);
            EXPECT_NE(p.txd(), "");
            p.advance(1);
            EXPECT_EQ(p.txd() + p.rxd(), "");
            p.form.click("Command17");
        }
    }
}

TEST(Held, EveryButtonRepeatsAtItsPeriodAndLeavesItsPeriodToTheArrows) {
    for (const design::Held& h : design::kHeld) {
        SCOPED_TRACE(h.name);
        Panel p;
        p.form.click("Command23");
        p.advance(3000);
        p.form.click(test::id(h.name)); // a click, or Space on it, is no hold
        p.form.press(test::id(h.name));
        EXPECT_EQ(p.form.HeldButton, h.code);
        p.advance(h.window);
        EXPECT_EQ(p.rxd(), h.window < h.clearing ? " X X X X" : "");
        p.advance(2 * h.period - h.window);
        p.form.release(test::id(h.name));
        EXPECT_EQ(p.txd() + p.rxd(), "");
        p.advance(2000);
        const std::int64_t P = h.period;
        EXPECT_EQ(p.written(), (Frames{"C1C\r", h.wire, h.wire, h.wire}));
        EXPECT_EQ(p.writeTimes(3000), (Times{0, P, 2 * P}));
        EXPECT_EQ(p.ticks(Timer2, 3000), (Times{h.window, P + h.window}));
        EXPECT_EQ(p.ticks(Timer4, 3000), (Times{h.clearing, P + h.clearing, 2 * P + 1000}));
        // The release restored the reply window of start-up; an arrow repeats at the period the hold left.
        p.form.click("Command44");
        p.advance(1000);
        EXPECT_EQ(p.ticks(Timer2, 5000 + 2 * P), (Times{500}));
        p.form.press("Command5");
        EXPECT_EQ(p.ui.timer(Timer2).interval(), h.nextWindow);
        p.advance(h.nextPeriod);
        p.form.release("Command5");
        EXPECT_EQ(p.writeTimes(6000 + 2 * P), (Times{0, h.nextPeriod}));
    }
}

// A cursor-pad arrow repeats at the period the last held button or "A-IMAGE"/MENU "ON" left and takes its
// windows from CursorPadMode; after the steps ("+" marks a held button pressed and released): period,
// windows.
TEST(Held, AnArrowRepeatsAtThePeriodLeftAndTakesItsWindowsFromThePad) {
    const std::tuple<Frames, int, int, int> cases[] = {{{}, 200, 500, 1000},
                                                       {{"Command13"}, 200, 150, 190},
                                                       {{"Command86"}, 200, 5000, 5500},
                                                       {{"+Command48", "Command23"}, 200, 150, 190},
                                                       {{"+Command48", "+Command2"}, 250, 5, 5},
                                                       {{"+Command49", "Command24"}, 5, 5, 5}};
    for (const auto& [steps, period, window, clearing] : cases) {
        SCOPED_TRACE(steps.empty() ? "at start" : steps.back());
        Panel p;
        for (const std::string& step : steps) {
            if (step[0] == '+')
                p.form.press(test::id(step.substr(1))), p.form.release(test::id(step.substr(1)));
            if (step[0] != '+') p.form.click(test::id(step));
            p.advance(6000);
        }
        const std::int64_t t0 = p.ui.clock.now();
        p.form.press("Command9");
        EXPECT_EQ(p.ui.timer(Timer2).interval(), window);
        EXPECT_EQ(p.ui.timer(Timer4).interval(), clearing);
        p.advance(2 * period);
        p.form.release("Command9");
        EXPECT_EQ(p.writeTimes(t0), (Times{0, period, 2 * period}));
        EXPECT_EQ(p.written().back(), "C3B\r");
    }
}

TEST(Held, RepetitionsTakeThePrefixInForceAndASecondPressSendsAgain) {
    Panel p;
    p.form.press("Command62");
    p.advance(50);
    p.form.click("Option7");
    p.advance(50);
    p.form.click("Option4");
    p.advance(20);
    p.form.press("Command62");
    p.advance(50);
    p.receive("7");
    p.form.release("Command62");
    p.receive("8");
    EXPECT_EQ(p.rxd(), " 8 ") << "the release ended the collection";
    p.advance(1000);
    EXPECT_EQ(p.written(), (Frames{"C5E\r", "C5E\r", "A003C5E\r", "AFFFC5E\r", "AFFFC5E\r"}));
    EXPECT_EQ(p.writeTimes(), (Times{0, 50, 100, 120, 170}));
    p.form.release("Command7");
    p.form.timerTick(Timer1); // with nothing held a tick sends nothing, an interruption ends nothing
    p.form.holdInterrupted();
    EXPECT_EQ(p.written().size(), 5u);
}

// At 9600 baud frames that have not left the port would keep the lens moving after the release: a tick that
// finds the line busy writes nothing; one-shot commands are never held back.
TEST(Held, ARepetitionWaitsForTheLineOneShotsDoNot) {
    Panel p;
    p.ui.fakePort.slowLine = true;
    p.form.press("Command15");
    for (int ms = 0; ms < 400; ++ms) {
        if (ms % 20 == 0 && p.ui.fakePort.pending > 0) --p.ui.fakePort.pending; // a frame takes 80 ms
        p.advance(1);
    }
    p.form.release("Command15");
    p.form.click("Command18");
    EXPECT_EQ(p.writeTimes(), (Times{0, 100, 200, 300, 400, 400}));
    EXPECT_EQ(p.written().back(), "C01\r");
}

} // namespace
} // namespace q7
