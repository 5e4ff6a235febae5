// SPDX-License-Identifier: MIT
// The readable form of traffic, and the reply window and clearing that govern the trace lines.

#include "display/trace.h"
#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

struct TraceRow {
    const char* name;
    std::string source;
    std::string trace;
};

class TraceFormat : public ::testing::TestWithParam<TraceRow> {};

TEST_P(TraceFormat, EveryCharacterClassHasItsPiece) {
    EXPECT_EQ(traceText(GetParam().source), GetParam().trace);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, TraceFormat,
    ::testing::Values(
        TraceRow{"FrameWithCr", "C00\r", " C 0 0 CR "},
        TraceRow{"AddressedQuery", "A001CR0\r", " A 0 0 1 C R 0 CR "},
        TraceRow{"Ack", std::string(1, '\x06'), " ACK "},
        TraceRow{"Code20HasNoBlankAfterIt", std::string("\x14") + "1", " &1 "},
        TraceRow{"LineFeed", "\n", " LF "}, TraceRow{"TabIsUnknown", "\t", " ? "},
        TraceRow{"NulIsUnknown", std::string(1, '\0'), " ? "}, TraceRow{"EscapeIsUnknown", "\x1b", " ? "},
        TraceRow{"Empty", "", " "}, TraceRow{"BlankIsItselfAndABlank", " ", "   "},
        TraceRow{"LowerCaseUpToZ", "az", " a z "}, TraceRow{"BracesAndTildeAreUnknown", "{|}~", " ? ? ? ? "},
        TraceRow{"Delete", "\x7f", " ? "}, TraceRow{"BytesAboveAscii", "\x80\xe9\xff", " ? ? ? "},
        TraceRow{"MarkupShowsLiterally", "<b>", " < b > "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TraceFormat, PrintableCharactersStandAtEvenPositions) {
    const std::string source = "0123456789ABCDEF";
    const std::string trace = traceText(source);
    for (std::size_t n = 1; n <= source.size(); ++n) {
        EXPECT_EQ(trace[2 * n - 1], source[n - 1]) << n; // position 2n counted from 1
        EXPECT_EQ(trace[2 * n], ' ') << n;
    }
}

TEST(ReplyWindow, NoReplyMarksTheRxdLineAndKeepsTheFrameUntilTheClearing) {
    Panel p;
    p.form.click("Command17");
    EXPECT_EQ(p.form.AwaitingReply, 1);
    p.ui.clock.advance(499);
    EXPECT_EQ(p.rxd(), "");
    p.ui.clock.advance(1);
    EXPECT_EQ(p.rxd(), " X X X X");
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
    EXPECT_EQ(p.form.AwaitingReply, 0);
    EXPECT_FALSE(p.ui.timer(Timer2).isEnabled());
    p.ui.clock.advance(499);
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
    p.ui.clock.advance(1);
    EXPECT_EQ(p.txd(), "");
    EXPECT_EQ(p.rxd(), "");
    EXPECT_FALSE(p.ui.timer(Timer4).isEnabled());
}

TEST(ReplyWindow, ReplyInTimeStaysAndTheBufferEmptiesAtTheEnd) {
    Panel p;
    p.form.click("Command44");
    p.ui.clock.advance(30);
    p.receive("00\r");
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.form.AwaitingReply, 0);
    p.ui.clock.advance(470);
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.form.ReceiveBuffer, "");
    p.ui.clock.advance(500);
    EXPECT_EQ(p.rxd(), "");
    EXPECT_EQ(p.status(), "");
}

TEST(ReplyWindow, ReplyInTwoPiecesShowsBothTogether) {
    Panel p;
    p.form.click("Command44");
    p.receive("0");
    EXPECT_EQ(p.rxd(), " 0 ");
    p.receive("0\r");
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.form.ReceiveBuffer, "00\r");
}

TEST(ReplyWindow, PartialReplyIsNotMarkedMissing) {
    Panel p;
    p.form.click("Command17");
    p.receive("0");
    p.ui.clock.advance(500);
    EXPECT_EQ(p.rxd(), " 0 ");
}

TEST(ReplyWindow, LateReplyReplacesTheMarkAndStartsANewCollection) {
    Panel p;
    p.form.click("Command17");
    p.ui.clock.advance(600);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.receive("\x06\r");
    EXPECT_EQ(p.rxd(), " ACK CR ");
    // Nothing runs a reply window now: the characters stay until the next one ends.
    p.ui.clock.advance(400);
    EXPECT_EQ(p.form.ReceiveBuffer, "\x06\r");
    EXPECT_EQ(p.rxd(), "");
}

TEST(ReplyWindow, ATransmissionLeavesTheRxdAndStatusLinesAlone) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    const std::string rxd = p.rxd();
    p.form.click("Command17");
    EXPECT_EQ(p.rxd(), rxd);
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
}

TEST(ReplyWindow, EachTransmissionStartsItsWindowAfresh) {
    Panel p;
    p.form.click("Command17");
    p.ui.clock.advance(400);
    p.form.click("Command18");
    p.ui.clock.advance(400);
    EXPECT_EQ(p.rxd(), "") << "the second frame gets a full window of its own";
    EXPECT_EQ(p.form.AwaitingReply, 1);
    EXPECT_EQ(p.form.OutgoingCommand, "C01\r");
    p.ui.clock.advance(100);
    EXPECT_EQ(p.rxd(), " X X X X");
}

TEST(ReceiveEvent, OtherEventCodesChangeNothing) {
    Panel p;
    p.form.click("Command17");
    p.ui.fakePort().incoming = "00\r";
    for (int code : {1, 3, 4, 1001, 1004, 1009})
        p.form.comm(code);
    EXPECT_EQ(p.form.ReceiveBuffer, "");
    EXPECT_EQ(p.form.AwaitingReply, 1);
    EXPECT_EQ(p.rxd(), "");
}

TEST(ReceiveEvent, CharactersWithNothingSentAreShownLikeAReply) {
    Panel p;
    p.receive("HELLO");
    EXPECT_EQ(p.rxd(), " H E L L O ");
    EXPECT_EQ(p.status(), "");
}

TEST(ReceiveEvent, TheBufferKeepsTheFirstCharactersOfAnEndlessChatter) {
    Panel p;
    const std::string chunk(1000, 'x');
    p.receive("00\r");
    for (int i = 0; i < 40; ++i)
        p.receive(chunk);
    EXPECT_EQ(p.form.ReceiveBuffer.size(), Form1::kReceiveBufferLimit);
    EXPECT_EQ(p.form.ReceiveBuffer.substr(0, 3), "00\r");
    EXPECT_EQ(p.rxd().size(), 1 + 2 * Form1::kReceiveBufferLimit + 1) << "CR takes three positions";
    p.form.click("Command17");
    p.ui.clock.advance(500);
    p.receive("80\r");
    EXPECT_EQ(p.form.ReceiveBuffer, "80\r")
        << "a new collection starts once the window has emptied the buffer";
}

} // namespace
} // namespace q7
