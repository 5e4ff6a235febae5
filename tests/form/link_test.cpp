// SPDX-License-Identifier: MIT
// The port for the whole run, the frame on the wire for each projector, the CMD box and the command line.

#include "fake_window.h"
#include "link/command_line.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;
using Frames = std::vector<std::string>;
using Times = std::vector<std::int64_t>;

TEST(Port, StartUpOpensPortOneAt19200AndCentresTheWindowFromItsFullHeight) {
    Panel p(false);
    p.ui.screenW = 15045;
    p.ui.screenH = 12000;
    p.form.load();
    EXPECT_EQ(std::pair(p.ui.fakePort.isOpen(), p.ui.fakePort.portNumber()), std::pair(true, 1));
    EXPECT_EQ(p.ui.fakePort.applied.front(), std::pair(std::string("19200,N,8,1"), false));
    EXPECT_TRUE(p.ui.isSelected(Option1) && p.ui.isSelected(Option9) &&
                p.ui.isSelected(ControlId("Option3")));
    EXPECT_FALSE(p.ui.isVisible(Frame8) || !p.ui.warnings.empty());
    EXPECT_EQ((std::array{p.ui.left, p.ui.top, p.ui.height}), (std::array{2700, 1450, 5350})); // 9645 wide
}

TEST(Port, APortThatCannotOpenIsReportedKeepsThePanelAndTheFallbackAndClicksStillRun) {
    Panel p(false);
    p.ui.fakePort.refusedPorts = {1};
    p.form.load();
    EXPECT_EQ(p.ui.warnings, Frames{"Cannot open /dev/fake1: no such device"});
    p.form.click("Command17");
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
    p.advance(500);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.ui.fakePort.refusedPorts = {1, 2};
    p.form.click("Command33");
    p.form.click("Option2");
    EXPECT_EQ(p.ui.fakePort.portNumber(), 1);
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    // A later switch tries again: a port left closed never looks as if it worked.
    p.ui.fakePort.refusedPorts = {};
    p.form.click("Option2");
    EXPECT_EQ(p.ui.fakePort.portNumber(), 2);
    EXPECT_FALSE(p.ui.isVisible(Frame8));
    p.form.click("Command18");
    EXPECT_EQ(p.written(), Frames{"C01\r"});
    EXPECT_EQ(p.ui.warnings.size(), 2u);
}

TEST(Port, ComShowsThePanelForFiveSecondsASpeedChangeAppliesAtOnceALostDeviceIsReported) {
    Panel p;
    const int opens = p.ui.fakePort.opens;
    p.form.click("Command33");
    p.advance(3000);
    p.form.click("Command33");
    p.advance(4999);
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    p.advance(1);
    EXPECT_FALSE(p.ui.isVisible(Frame8));
    EXPECT_EQ(p.ticks(Timer3), (Times{8000}));
    p.form.click("Command33");
    p.form.click("Option10");
    EXPECT_FALSE(p.ui.isVisible(Frame8));
    p.form.click("Option9");
    EXPECT_EQ(p.ui.fakePort.applied,
              (std::vector<std::pair<std::string, bool>>{
                  {"19200,N,8,1", false}, {"9600,N,8,1", true}, {"19200,N,8,1", true}}));
    EXPECT_EQ(p.ui.fakePort.opens, opens);
    p.ui.fakePort.refuseSettings = true;
    p.form.click("Command33");
    p.form.click("Option10");
    EXPECT_EQ(p.ui.warnings, Frames{"settings refused"});
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    // A device gone is reported, a port switch opens it again, "END" closes it and ends.
    p.form.portLost();
    EXPECT_FALSE(p.ui.fakePort.isOpen());
    EXPECT_NE(p.ui.warnings.back().find("/dev/fake1"), std::string::npos);
    p.form.click("Option1");
    EXPECT_TRUE(p.ui.fakePort.isOpen());
    p.form.click("Command16");
    EXPECT_FALSE(p.ui.fakePort.isOpen() || p.ui.quits != 1);
}

// After a loss the port is tried again every second, quietly, with the settings in force; once it opens the
// loss box closes. A port chosen under "COM" ends the watch.
TEST(Port, ALostPortIsTriedAgainEverySecondUntilItOpens) {
    Panel p;
    p.form.click("Command33");
    p.form.click("Option10");
    p.ui.fakePort.refusedPorts = {1};
    p.form.portLost();
    const int opens = p.ui.fakePort.opens;
    p.advance(3000);
    EXPECT_EQ(p.ticks(PortWatch, 0), (Times{1000, 2000, 3000}));
    EXPECT_EQ(p.ui.warnings.size(), 1u) << "no box for a try that fails";
    p.ui.fakePort.refusedPorts = {};
    p.advance(1000);
    EXPECT_TRUE(p.ui.fakePort.isOpen());
    EXPECT_EQ(p.ui.fakePort.opens, opens + 1);
    EXPECT_EQ(p.ui.fakePort.applied.back(), std::pair(std::string("9600,N,8,1"), false));
    EXPECT_EQ(p.ui.closed, std::vector<int>{1});
    p.advance(5000);
    EXPECT_EQ(p.ticks(PortWatch).size(), 4u) << "the watch ended";
    p.ui.fakePort.refusedPorts = {1};
    p.form.portLost();
    p.form.click("Command33");
    p.form.click("Option2");
    p.advance(5000);
    EXPECT_EQ(p.ticks(PortWatch).size(), 4u) << "a port chosen under COM ends the watch";
}

// An open that completes later (a network server): the panel stays up until it has; a failure is reported as
// at once and falls back; while watching, a failed try waits longer each time, up to four seconds.
TEST(Port, AnOpenThatTakesTimeEndsLikeOneAtOnce) {
    Panel p;
    p.ui.fakePort.slowOpen = true;
    p.form.click("Command33");
    p.form.click("Option2");
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    p.ui.fakePort.close();
    p.form.portOpenFailed("Cannot open socket://h:1: the server refused the connection.");
    EXPECT_EQ(p.ui.warnings, Frames{"Cannot open socket://h:1: the server refused the connection."});
    EXPECT_EQ(p.ui.fakePort.portNumber(), 1);
    p.form.click("Option2");
    p.form.portOpened();
    EXPECT_FALSE(p.ui.isVisible(Frame8));
    p.form.settingsFailed("Cannot set the line.");
    p.form.portLost();
    for (int i = 0; i < 4; ++i) {
        p.advance(10000);
        p.ui.fakePort.close();
        p.form.portOpenFailed("no answer");
    }
    p.advance(20000);
    p.form.portOpened();
    EXPECT_EQ(p.ticks(PortWatch), (Times{1000, 12000, 24000, 34000, 44000}));
    EXPECT_EQ(p.ui.warnings.size(), 3u);
    EXPECT_EQ(p.ui.closed, std::vector<int>{3});
}

// Choosing a projector sends nothing and touches no line; the next frame carries its address.
TEST(Framing, TheSelectedProjectorsAddressPrecedesTheCommand) {
    const std::tuple<const char*, const char*, const char*> projectors[] = {
        {"Option4", "AFFFCR0\r", " A F F F C R 0 CR "}, {"Option5", "A001CR0\r", " A 0 0 1 C R 0 CR "},
        {"Option6", "A002CR0\r", " A 0 0 2 C R 0 CR "}, {"Option7", "A003CR0\r", " A 0 0 3 C R 0 CR "},
        {"Option8", "A004CR0\r", " A 0 0 4 C R 0 CR "}, {"Option3", "CR0\r", " C R 0 CR "}};
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    for (const auto& [option, frame, trace] : projectors) {
        const std::string lines = p.txd() + p.rxd() + p.status();
        p.form.click(option);
        EXPECT_EQ(p.txd() + p.rxd() + p.status(), lines);
        p.form.click("Command44");
        EXPECT_EQ(p.written().back(), frame);
        EXPECT_EQ(p.txd(), trace);
    }
    EXPECT_EQ(p.written().size(), 7u);
}

TEST(CommandBox, SendsTheTextAsItStandsAndKeepsIt) {
    const std::tuple<const char*, std::string, std::string> rows[] = {{"Option3", "", "\r"},
                                                                      {"Option4", "", "AFFF\r"},
                                                                      {"Option3", " c00 ", " c00 \r"},
                                                                      {"Option5", "A002C00", "A001A002C00\r"},
                                                                      {"Option3", "C00\rC01", "C00\rC01\r"}};
    for (const auto& [option, text, frame] : rows) {
        Panel p;
        p.form.click(option);
        p.ui.setText(Text1, text);
        p.form.click("Command95");
        p.form.click("Command95");
        EXPECT_EQ(p.written(), Frames(2, frame));
        EXPECT_EQ(p.ui.text(Text1), text);
    }
}

// SEND waits 2000 ms and clears after 2500 ms, and so does every command after it until a release.
TEST(CommandBox, ATypedQueryIsDecodedLikeItsButtonAndClsOnlyEmptiesTheBox) {
    Panel p;
    p.ui.setText(Text1, "CR0");
    p.form.click("Command95");
    p.receive("80\r");
    EXPECT_EQ(p.status(), " Stand by");
    p.form.click("Command96");
    EXPECT_EQ(p.ui.text(Text1), "");
    EXPECT_EQ(p.txd() + p.rxd() + p.status(), " C R 0 CR  8 0 CR  Stand by");
    p.advance(3000);
    p.ui.setText(Text1, "cr0");
    p.form.click("Command95");
    p.receive("00\r");
    EXPECT_EQ(p.status(), "");
    p.advance(3000);
    p.form.click("Command17");
    p.advance(2500);
    EXPECT_EQ(p.ticks(Timer2), (Times{2000, 5000, 8000}));
    EXPECT_EQ(p.ticks(Timer4), (Times{2500, 5500, 8500}));
}

} // namespace
} // namespace q7
