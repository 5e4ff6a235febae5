// SPDX-License-Identifier: MIT
// One-shot buttons: what each send class does around the transmission, and the intervals it leaves behind.

#include "fake_window.h"
#include "protocol/command_catalogue.h"
#include "protocol/held_buttons.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace q7 {
namespace {

using test::Panel;

TEST(Catalogue, SixtyFiveButtonsInFourSendClassesNoneHeld) {
    std::map<SendClass, int> perClass;
    std::set<std::string_view> controls;
    for (const CatalogueEntry& e : commandCatalogue()) {
        ++perClass[e.sendClass];
        EXPECT_TRUE(controls.insert(e.control).second) << e.control;
        EXPECT_EQ(findHeldByControl(e.control), nullptr) << e.control;
        EXPECT_EQ(findCatalogueEntry(e.control), &e);
    }
    EXPECT_EQ(controls.size(), 65u);
    EXPECT_EQ(perClass[SendClass::Plain], 31);
    EXPECT_EQ(perClass[SendClass::Wait2s], 8);
    EXPECT_EQ(perClass[SendClass::Wait5s], 24);
    EXPECT_EQ(perClass[SendClass::PadSetup], 2);
}

TEST(Catalogue, EveryButtonSendsItsCommandFramedOnce) {
    Panel p;
    p.form.click("Option6");
    for (const CatalogueEntry& e : commandCatalogue()) {
        const std::size_t before = p.written().size();
        p.form.click(e.control);
        ASSERT_EQ(p.written().size(), before + 1) << e.control;
        EXPECT_EQ(p.written().back(), "A002" + std::string(e.command) + "\r") << e.control;
    }
}

TEST(Catalogue, InputMatrixSendsTheSignalWordNotTheCaption) {
    Panel p;
    p.form.click("Command63");
    p.form.click("Command74");
    p.form.click("Command86");
    EXPECT_EQ(p.written(),
              (std::vector<std::string>{"CF INPUT1 DIGITAL\r", "CF INPUT2 YPBPR\r", "CF INPUT3 HD-SDI\r"}));
}

struct ClassCase {
    const char* name;
    const char* control;
    int replyTimeout;
    int clearing;
};

class SendClassTiming : public ::testing::TestWithParam<ClassCase> {};

// The intervals set before the transmission govern this very command: the mark and the clearing come when the
// class says, and then stay for a Plain button that follows.
TEST_P(SendClassTiming, WindowAndClearingOfThisAndTheNextCommand) {
    const ClassCase& c = GetParam();
    Panel p;
    for (const char* control : {c.control, "Command44"}) {
        p.ui.clock.advance(10000);
        p.form.click(control);
        p.ui.clock.advance(c.replyTimeout - 1);
        EXPECT_EQ(p.rxd(), "") << control;
        p.ui.clock.advance(1);
        EXPECT_EQ(p.rxd(), " X X X X") << control;
        p.ui.clock.advance(c.clearing - c.replyTimeout - 1);
        EXPECT_NE(p.txd(), "") << control;
        p.ui.clock.advance(1);
        EXPECT_EQ(p.txd(), "") << control;
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, SendClassTiming,
                         ::testing::Values(ClassCase{"PlainKeepsTheStart", "Command17", 500, 1000},
                                           ClassCase{"Wait2sPreset", "Command10", 2000, 2500},
                                           ClassCase{"Wait2sPFail", "Command52", 2000, 2500},
                                           ClassCase{"Wait5sInputSignal", "Command81", 5000, 5500},
                                           ClassCase{"FanSpeedIsPlainDespiteCF", "Command97", 500, 1000},
                                           ClassCase{"PadSetupLeavesTheWindow", "Command13", 500, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SendClassTiming, IntervalsChangeOnlyThroughTheirSetters) {
    Panel p;
    p.form.click("Command66"); // Wait5s
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 5000);
    p.ui.setText(ControlId("Text1"), "C00");
    p.form.click("Command95"); // SEND
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 2000);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 2500);
    p.form.click("Command98"); // FAN NOR, Plain
    p.form.click("Command24"); // MENU OFF, Plain
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 2000);
    p.form.press("Command6");
    p.form.release("Command6");
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 500);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 1000);
}

TEST(Catalogue, DisplayClearSendsOnlyItsCommand) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    const std::string rxd = p.rxd();
    p.form.click("Command3");
    EXPECT_EQ(p.written().back(), "C1E\r");
    EXPECT_EQ(p.rxd(), rxd);
}

TEST(Catalogue, PadSetupButtonsPrepareTheCursorPadMenuOffDoesNot) {
    Panel p;
    p.form.click("Command24");
    EXPECT_EQ(p.form.CursorPadMode, 0);
    p.form.click("Command13");
    EXPECT_EQ(p.form.CursorPadMode, 1);
    p.form.press("Command49");
    p.form.release("Command49");
    EXPECT_EQ(p.form.CursorPadMode, 3);
    p.form.click("Command24");
    EXPECT_EQ(p.form.CursorPadMode, 3);
    p.form.click("Command23");
    EXPECT_EQ(p.form.CursorPadMode, 1);
}

TEST(Catalogue, AClickIsNeverRefused) {
    Panel p;
    p.form.click("Command44");
    p.form.click("Command44");
    p.form.portLost();
    p.form.click("Command44"); // the port is closed: nothing goes out, nothing breaks
    EXPECT_EQ(p.written().size(), 2u);
    EXPECT_EQ(p.form.OutgoingCommand, "CR0\r");
    EXPECT_EQ(p.txd(), " C R 0 CR ");
}

} // namespace
} // namespace q7
