// SPDX-License-Identifier: MIT
// Start-up, the port-settings panel, port switches, speed changes, the unplug path and "END".

#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

TEST(StartUp, OpensPortOneAt19200WithCom1SingleAnd19200Selected) {
    Panel p;
    EXPECT_EQ(p.form.PortSettings, "19200,N,8,1");
    EXPECT_EQ(p.ui.fakePort().settings(), "19200,N,8,1");
    EXPECT_TRUE(p.ui.port().isOpen());
    EXPECT_EQ(p.ui.port().portNumber(), 1);
    EXPECT_TRUE(p.ui.isSelected(ControlId("Option1")));
    EXPECT_TRUE(p.ui.isSelected(ControlId("Option9")));
    EXPECT_TRUE(p.ui.isSelected(ControlId("Option3")));
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    EXPECT_EQ(p.form.AddressPrefix, "");
    EXPECT_EQ(p.form.HeldButton, 0);
    EXPECT_EQ(p.form.AwaitingReply, 0);
    EXPECT_TRUE(p.ui.warnings.empty());
    for (const TimerId n : {Timer1, Timer2, Timer3, Timer4})
        EXPECT_FALSE(p.ui.timer(n).isEnabled()) << n;
    EXPECT_EQ(p.ui.timer(Timer1).interval(), 200);
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 500);
    EXPECT_EQ(p.ui.timer(Timer3).interval(), 5000);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 1000);
}

TEST(StartUp, CentresFromTheFullHeightThenCutsToTheCompactView) {
    Panel p(false);
    p.ui.screenW = 15000;
    p.ui.screenH = 12000;
    p.form.load();
    EXPECT_EQ(p.ui.left(), (15000 - p.ui.windowWidth()) / 2);
    EXPECT_EQ(p.ui.top(), 1450);
    EXPECT_EQ(p.ui.top() + p.ui.windowHeight(), 6800);
}

TEST(StartUp, OnASmallScreenThePositionMayBeNegative) {
    Panel p(false);
    p.ui.screenW = 640 * 15;
    p.ui.screenH = 480 * 15;
    p.form.load();
    EXPECT_LT(p.ui.top(), 0);
    EXPECT_LT(p.ui.left(), 0);
}

TEST(StartUp, PortOneThatCannotOpenIsReportedOnceAndThePanelCarriesOn) {
    Panel p(false);
    p.ui.fakePort().refusedPorts = {1};
    p.form.load();
    ASSERT_EQ(p.ui.warnings.size(), 1u);
    EXPECT_NE(p.ui.warnings[0].find("/dev/fake1"), std::string::npos);
    EXPECT_FALSE(p.ui.port().isOpen());
    p.form.click("Command17");
    EXPECT_EQ(p.ui.fakePort().refusedWrites, 1);
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
    p.ui.clock.advance(500);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.form.click("Option2");
    EXPECT_TRUE(p.ui.port().isOpen());
    EXPECT_EQ(p.ui.port().portNumber(), 2);
}

TEST(PortPanel, ComShowsThePanelForFiveSeconds) {
    Panel p;
    p.form.click("Command33");
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    p.ui.clock.advance(4999);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    p.ui.clock.advance(1);
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    EXPECT_FALSE(p.ui.timer(Timer3).isEnabled());
}

TEST(PortPanel, ASecondComClickCountsAfresh) {
    Panel p;
    p.form.click("Command33");
    p.ui.clock.advance(3000);
    p.form.click("Command33");
    p.ui.clock.advance(4000);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    p.ui.clock.advance(1000);
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
}

TEST(PortSwitch, ReopensOnTheChosenPortAndHidesThePanelAtOnce) {
    Panel p;
    p.form.click("Command33");
    p.form.click("Option2");
    EXPECT_TRUE(p.ui.port().isOpen());
    EXPECT_EQ(p.ui.port().portNumber(), 2);
    EXPECT_EQ(p.ui.fakePort().openedPort, 2);
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    p.form.click("Option1");
    EXPECT_EQ(p.ui.fakePort().openedPort, 1);
    EXPECT_TRUE(p.ui.port().isOpen());
}

TEST(PortSwitch, FailureWarnsKeepsTheFallbackAndThePanel) {
    Panel p;
    p.ui.fakePort().refusedPorts = {2};
    p.form.click("Command33");
    p.form.click("Option2");
    ASSERT_EQ(p.ui.warnings.size(), 1u);
    EXPECT_NE(p.ui.warnings[0].find("/dev/fake2"), std::string::npos);
    EXPECT_FALSE(p.ui.port().isOpen());
    EXPECT_EQ(p.ui.port().portNumber(), 1);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
}

TEST(PortSwitch, AfterAFailureALaterSwitchOpensThePortAgain) {
    Panel p;
    p.ui.fakePort().refusedPorts = {2};
    p.form.click("Option2");
    p.ui.fakePort().refusedPorts.clear();
    p.form.click("Command33");
    p.form.click("Option1");
    EXPECT_TRUE(p.ui.port().isOpen())
        << "a switch that left the port closed must not look as if it had worked";
    EXPECT_EQ(p.ui.port().portNumber(), 1);
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    p.form.click("Command17");
    EXPECT_EQ(p.written().back(), "C00\r");
}

TEST(PortSwitch, RepeatedFailuresEachWarnAndNeverHideThePanel) {
    Panel p;
    p.ui.fakePort().refusedPorts = {1, 2};
    p.form.click("Command33");
    p.form.click("Option2");
    p.form.click("Option1");
    EXPECT_EQ(p.ui.warnings.size(), 2u);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    EXPECT_EQ(p.ui.port().portNumber(), 2);
}

TEST(SpeedChange, AppliesToTheOpenPortWithoutReopeningAndHidesThePanel) {
    Panel p;
    const int opens = p.ui.fakePort().openAttempts;
    p.form.click("Command33");
    p.form.click("Option10");
    EXPECT_EQ(p.form.PortSettings, "9600,N,8,1");
    ASSERT_FALSE(p.ui.fakePort().settingsApplied.empty());
    EXPECT_EQ(p.ui.fakePort().settingsApplied.back().settings, "9600,N,8,1");
    EXPECT_TRUE(p.ui.fakePort().settingsApplied.back().whileOpen);
    EXPECT_EQ(p.ui.fakePort().openAttempts, opens);
    EXPECT_TRUE(p.ui.port().isOpen());
    EXPECT_FALSE(p.ui.isVisible(ControlId("Frame8")));
    p.form.click("Option9");
    EXPECT_EQ(p.ui.fakePort().settings(), "19200,N,8,1");
}

TEST(SpeedChange, SettingsThatCannotBeAppliedAreReported) {
    Panel p;
    p.ui.fakePort().refuseSettings = true;
    p.form.click("Command33");
    p.form.click("Option10");
    EXPECT_EQ(p.ui.warnings.size(), 1u);
    EXPECT_TRUE(p.ui.isVisible(ControlId("Frame8")));
    EXPECT_TRUE(p.ui.port().isOpen());
}

TEST(Unplug, TheLostDeviceClosesThePortWarnsAndASwitchRecovers) {
    Panel p;
    p.form.portLost();
    EXPECT_FALSE(p.ui.port().isOpen());
    ASSERT_EQ(p.ui.warnings.size(), 1u);
    EXPECT_NE(p.ui.warnings[0].find("/dev/fake1"), std::string::npos);
    p.form.click("Command17");
    EXPECT_EQ(p.written().size(), 0u);
    p.form.click("Option1");
    EXPECT_TRUE(p.ui.port().isOpen());
}

TEST(Unplug, APortTheServiceClosedAlreadyIsStillReported) {
    Panel p;
    p.ui.port().close();
    p.form.portLost();
    EXPECT_EQ(p.ui.warnings.size(), 1u);
    EXPECT_FALSE(p.ui.port().isOpen());
}

TEST(End, ClosesThePortAndQuits) {
    Panel p;
    p.form.click("Command16");
    EXPECT_FALSE(p.ui.port().isOpen());
    EXPECT_EQ(p.ui.quits, 1);
}

TEST(End, WithThePortClosedJustEnds) {
    Panel p;
    p.form.portLost();
    const int closes = p.ui.fakePort().closes;
    p.form.click("Command16");
    EXPECT_EQ(p.ui.fakePort().closes, closes);
    EXPECT_EQ(p.ui.quits, 1);
}

struct FrameRow {
    const char* name;
    const char* option;
    const char* control;
    std::string bytes;
};

class Framing : public ::testing::TestWithParam<FrameRow> {};

TEST_P(Framing, TheSelectedProjectorPrefixesTheCommand) {
    Panel p;
    p.form.click(GetParam().option);
    p.form.click(GetParam().control);
    ASSERT_EQ(p.written().size(), 1u);
    EXPECT_EQ(p.written()[0], GetParam().bytes);
    EXPECT_EQ(p.form.OutgoingCommand, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Projectors, Framing,
                         ::testing::Values(FrameRow{"Single", "Option3", "Command17", "C00\r"},
                                           FrameRow{"Projector002", "Option6", "Command17", "A002C00\r"},
                                           FrameRow{"All", "Option4", "Command44", "AFFFCR0\r"},
                                           FrameRow{"Projector004", "Option8", "Command99",
                                                    "A004CR PRESSURE\r"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Framing, ExactBytesOnTheLine) {
    Panel p;
    p.form.click("Option5");
    p.form.click("Command44");
    const std::string sent = p.written().at(0);
    const std::vector<unsigned char> bytes(sent.begin(), sent.end());
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x41, 0x30, 0x30, 0x31, 0x43, 0x52, 0x30, 0x0D}));
    EXPECT_EQ(p.txd(), " A 0 0 1 C R 0 CR ");
}

TEST(Framing, AProjectorClickSendsNothingAndLeavesTheLines) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    const auto lines = std::make_tuple(p.txd(), p.rxd(), p.status());
    p.form.click("Option4");
    EXPECT_EQ(p.form.AddressPrefix, "AFFF");
    EXPECT_EQ(p.written().size(), 1u);
    EXPECT_EQ(std::make_tuple(p.txd(), p.rxd(), p.status()), lines);
    EXPECT_EQ(p.form.OutgoingCommand, "CR0\r");
    p.form.click("Option3");
    p.form.click("Command17");
    EXPECT_EQ(p.written().back(), "C00\r");
}

TEST(Framing, TwoQuickCommandsBothGoOutAndTheSecondIsRemembered) {
    Panel p;
    p.form.click("Command17");
    p.form.click("Command18");
    EXPECT_EQ(p.written(), (std::vector<std::string>{"C00\r", "C01\r"}));
    EXPECT_EQ(p.form.OutgoingCommand, "C01\r");
    EXPECT_EQ(p.form.AwaitingReply, 1);
}

} // namespace
} // namespace q7
