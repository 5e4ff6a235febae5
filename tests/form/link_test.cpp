// SPDX-License-Identifier: MIT
// The port for the whole run, the frame on the wire for each projector, the CMD box and the command line.

#include "fake_window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace q7 {
namespace {

using test::Panel;
using Frames = std::vector<std::string>;
using Times = std::vector<std::int64_t>;

TEST(Port, StartUpOpensPortOneOnceAt19200AndCentresTheWindowFromItsFullHeight) {
    Panel p(false);
    p.ui.screenW = 15045;
    p.ui.screenH = 12000;
    p.form.load();
    EXPECT_EQ(std::pair(p.ui.fakePort.isOpen(), p.ui.fakePort.address()),
              std::pair(true, std::string("/dev/fake1")));
    EXPECT_EQ(p.ui.fakePort.tries.size(), 1u) << "opened once, not closed and opened again";
    EXPECT_EQ(p.ui.fakePort.applied.front(), std::pair(std::string("19200,N,8,1"), false));
    EXPECT_TRUE(p.ui.isSelected(Option1) && p.ui.isSelected(Option9) && p.ui.isSelected("Option3"));
    EXPECT_FALSE(p.ui.isVisible(Frame8) || !p.ui.warnings.empty());
    EXPECT_EQ((std::array{p.ui.left, p.ui.top, p.ui.height}), (std::array{2700, 1450, 5350})); // 9645 wide
}

// A port that is not there at start-up is told once and opened as soon as it is there; clicks meanwhile run.
TEST(Port, APortMissingAtStartUpIsToldOnceAndOpenedWhenItIsThere) {
    for (const bool slow : {false, true}) {
        Panel p(false);
        p.ui.fakePort.slowOpen = slow;
        if (!slow) p.ui.fakePort.refused = {"/dev/fake1"};
        p.form.load();
        if (slow) p.ui.fakePort.finishOpen(false);
        EXPECT_EQ(p.ui.warnings,
                  Frames{std::string("Cannot open /dev/fake1: ") +
                         (slow ? "the server refused the connection." : "no such device") +
                         " The panel connects by itself as soon as the port is there, or choose a port under "
                         "\"COM\"."});
        p.form.click("Command17");
        EXPECT_EQ(p.txd(), " C 0 0 CR ");
        p.advance(500);
        EXPECT_EQ(p.rxd(), " X X X X");
        p.ui.fakePort.refused.clear();
        p.advance(500);
        if (slow) p.ui.fakePort.finishOpen();
        EXPECT_TRUE(p.ui.closed.empty()) << "the box stays until the port has held";
        p.advance(1000);
        EXPECT_EQ(p.ui.closed, std::vector<int>{1});
        p.form.click("Command18");
        EXPECT_EQ(p.written(), Frames{"C01\r"});
        EXPECT_EQ(p.ui.warnings.size(), 1u);
    }
}

// A switch that fails, at once or later, keeps the panel and the other port; a port still connecting is left
// to connect.
TEST(Port, AFailedSwitchKeepsThePanelAndTheOtherPortAndALaterSwitchTriesAgain) {
    for (const bool slow : {false, true}) {
        Panel p;
        p.ui.fakePort.slowOpen = slow;
        if (!slow) p.ui.fakePort.refused = {"/dev/fake2"};
        p.form.click("Command33");
        p.form.click("Option2");
        for (int click = 0; click < 4; ++click)
            p.form.click("Option2");
        EXPECT_EQ(p.ui.fakePort.tries.size(), slow ? 2u : 6u);
        if (slow) p.ui.fakePort.finishOpen(false);
        EXPECT_EQ(p.ui.warnings.back(), slow ? "Cannot open /dev/fake2: the server refused the connection."
                                             : "Cannot open /dev/fake2: no such device");
        EXPECT_EQ(p.ui.fakePort.address(), "/dev/fake1");
        EXPECT_TRUE(p.ui.isVisible(Frame8));
        p.ui.fakePort.refused.clear();
        p.form.click("Option2");
        if (slow) p.ui.fakePort.finishOpen();
        EXPECT_EQ(p.ui.fakePort.address(), "/dev/fake2");
        EXPECT_FALSE(p.ui.isVisible(Frame8));
        p.form.click("Command18");
        EXPECT_EQ(p.written(), Frames{"C01\r"});
    }
}

TEST(Port, ComShowsThePanelForFiveSecondsASpeedChangeAppliesAtOnceALostDeviceIsReported) {
    Panel p;
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
    EXPECT_EQ(p.ui.fakePort.tries.size(), 1u);
    p.ui.fakePort.refuseSettings = true;
    p.form.click("Command33");
    p.form.click("Option10");
    EXPECT_EQ(p.ui.warnings, Frames{"settings refused"});
    EXPECT_TRUE(p.ui.isVisible(Frame8));
    // A device gone is reported once and opened again by itself; the box closes once it has held.
    p.ui.fakePort.lose();
    EXPECT_FALSE(p.ui.fakePort.isOpen());
    EXPECT_EQ(
        p.ui.warnings.back(),
        "The serial device /dev/fake1 went away: the server closed the connection. The port is closed; the "
        "panel opens it again by itself as soon as the device is back, or choose a port under \"COM\".");
    p.advance(1999);
    EXPECT_TRUE(p.ui.fakePort.isOpen() && p.ui.closed.empty());
    p.advance(1);
    EXPECT_EQ(p.ui.closed, std::vector<int>{2});
    // "END" during a watch: the watch ends before the port closes, and nothing opens it again.
    p.ui.fakePort.refused = {"/dev/fake1"};
    p.ui.fakePort.lose();
    p.advance(1500);
    p.form.click("Command16");
    const std::size_t tries = p.ui.fakePort.tries.size();
    p.advance(10000);
    EXPECT_EQ(p.ui.fakePort.tries.size(), tries);
    EXPECT_FALSE(p.ui.fakePort.isOpen() || p.ui.quits != 1);
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
        p.form.click(test::id(option));
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
        p.form.click(test::id(option));
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

// The session log: a click, its reply and a lost port, each a line of five tab-separated fields after the
// time.
TEST(Log, AClickItsReplyAndALostPort) {
    const std::string path = ::testing::TempDir() + "panel.log";
    std::remove(path.c_str());
    Panel p(false);
    std::unique_ptr<SessionLog> log = *SessionLog::open(path, 1 << 20);
    p.ui.loggedPort.setLog(log.get());
    p.form.load();
    p.form.click("Command17");
    p.receive("\x06\r");
    p.ui.fakePort.lose();
    p.advance(2000);
    log.reset();
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        EXPECT_TRUE(std::regex_match(line.substr(0, 29),
                                     std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)")));
        lines.push_back(line.substr(30));
    }
    EXPECT_EQ(lines, (Frames{"/dev/fake1\t--\topened\t", "/dev/fake1\tTX\t C 0 0 CR \t43 30 30 0D",
                             "/dev/fake1\tRX\t ACK CR \t06 0D",
                             "/dev/fake1\t--\tlost: the server closed the connection\t",
                             "/dev/fake1\t--\topened again\t"}));
}

} // namespace
} // namespace q7
