// SPDX-License-Identifier: MIT
// What comes back: the trace of every class of character on the RXD line, the STATUS text for every code of
// every query and for the other answers, the reply window and the clearing.

#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

struct Answer {
    const char* query; // the button clicked
    std::string reply; // what the projector sends back
    const char* status;
};

// Before each row the STATUS line shows " Stand by" from an earlier answer; a row that decodes nothing keeps
// it.
// clang-format off
const Answer kAnswers[] = {
    {"Command44", "00\r", " Power ON"},
    {"Command44", "80\r", " Stand by"},
    {"Command44", "40\r", " Count down"},
    {"Command44", "20\r", " Cooling down"},
    {"Command44", "10\r", " Power Fail"},
    {"Command44", "08\r", " Temperature Warning(Power ON)"},
    {"Command44", "02\r", " NO Key input "},
    {"Command44", "04\r", " Lamp OFF by PWR Management"},
    {"Command44", "28\r", " Temperature Warning & cooling down"},
    {"Command44", "24\r", " Lamp OFF & Tempereture Warning by PWR Management"},
    {"Command44", "88\r", " Temperature Warning and recoverd"},
    {"Command44", "21\r", " Cooling down (All Lamp FAIL)"},
    {"Command44", "81\r", " Cooling down & sutandby (All Lamp FAIL)"},
    {"Command44", "0",    " Stand by"},
    {"Command44", "\x06" "00\r", " Stand by"},
    {"Command45", "1\r",  " Input mode 1"},
    {"Command45", "2\r",  " Input mode 2"},
    {"Command45", "3\r",  " Input mode 3"},
    {"Command45", "4",    " Input mode 4"},
    {"Command45", "12\r", " Input mode 1"},
    {"Command45", "5\r",  " Stand by"},
    {"Command47", "11\r", " Normally"},
    {"Command47", "10\r", " Top/Bottom reversal"},
    {"Command47", "01\r", " Left/Right reversal"},
    {"Command47", "00\r", " Top/Bottom , Left/Right reversal"},
    {"Command12", "00\r", " Video & Audio mute OFF"},
    {"Command12", "01\r", " Video mute ON"},
    {"Command12", "02\r", " Audio mute ON"},
    {"Command12", "03\r", " Video & Audio mute ON"},
    {"Command12", "80\r", " No signal"},
    {"Command12", "FF\r", " Stand by"},
    {"Command12", "ff\r", " Stand by"},
    {"Command55", "00\r", " All OFF : 2 Lamp mode"},
    {"Command55", "01\r", " No1 ON  : 2 Lamp mode"},
    {"Command55", "02\r", " No2 ON  : 2 Lamp mode"},
    {"Command55", "03\r", " No1,2 ON  : 2 Lamp mode"},
    {"Command55", "10\r", " All OFF : 1 Lamp mode(No1 USE)"},
    {"Command55", "11\r", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {"Command55", "20\r", " All OFF : 1 Lamp mode(No2 USE)"},
    {"Command55", "22\r", " No2 ON  : 1 Lamp mode(No2 USE)"},
    {"Command55", "12\r", " Stand by"},
    {"Command46", "12345\r", " 1 2 3 4 5 CR  Hour Use"},
    {"Command46", "12345678901234567890\r", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
    {"Command54", "123456789AB\r", "  S1= 1 2 3 4 5 C  ,   S2=  8 9 A B C"},
    {"Command54", "12345\r", "  S1= 1 2 3 4 5 C  ,   S2=  C"},
    {"Command54", "123456\r", "  S1= 1 2 3 4 5 C  ,   S2= R  C"},
    {"Command38", "PC-98\r", " P C - 9 8 CR "},
    {"Command99", "512\r", "650 hPa"},
    {"Command99", "1023\r", "1194 hPa"},
    {"Command99", "853\r", "1013 hPa"},
    {"Command99", "0\r", "106 hPa"},
    {"Command99", "\x06" "512\r", "106 hPa"},
    {"Command99", "-512\r", "-439 hPa"},
    {"Command99", "511.6\r", "650 hPa"},
    {"Command99", "2.5\r", "108 hPa"},      // the reading rounds half to even: 2
    {"Command99", "5.12E2\r", "650 hPa"},
    {"Command99", "5120D-1\r", "650 hPa"},
    {"Command99", "&H200", "650 hPa"},     // hexadecimal
    {"Command99", "&H20\r", "663 hPa"},    // the C of CR continues it: &H20C
    {"Command99", "&O1000\r", "650 hPa"},  // octal
    {"Command99", "6553\r", "7077 hPa"},
    // Beyond what 16-bit arithmetic carries: the answer as it came.
    {"Command99", "6554\r", " 6 5 5 4 CR "},
    // Not decoded: P-FAIL, an operation, an acknowledgement where a code was expected.
    {"Command52", "00\r", " Stand by"},
    {"Command17", "00\r", " Stand by"},
    {"Command47", "\x06\r", " Stand by"},
};

struct Trace {
    std::string received;
    const char* rxd;
};

const Trace kTraces[] = {
    {"00\r",                 " 0 0 CR "},
    {"\x06",                 " ACK "},
    {"\x14" "1",             " &1 "},
    {"\n",                   " LF "},
    {" ",                    "   "},
    {"!/09:@AZ[`az",         " ! / 0 9 : @ A Z [ ` a z "},
    {std::string("\0\x05\x07\t\x0b\x0c\x0e\x13\x15\x1f", 10), " ? ? ? ? ? ? ? ? ? ? "},
    {"{|}~\x7f\x80\xe9\xff", " ? ? ? ? ? ? ? ? "},
    {"<b>&amp;",             " < b > & a m p ; "},
};
// clang-format on

TEST(Status, EveryAnswerShowsItsTextOrLeavesTheLine) {
    for (const Answer& a : kAnswers) {
        SCOPED_TRACE(std::string(a.query) + " answered \"" + a.reply + "\"");
        Panel p;
        p.form.click("Command44");
        p.receive("80\r");
        p.advance(600);
        p.form.click(test::id(a.query));
        p.receive(a.reply);
        EXPECT_EQ(p.status(), a.status);
    }
}

TEST(Trace, EveryClassOfCharacterHasItsPiece) {
    for (const Trace& t : kTraces) {
        Panel p;
        p.receive(t.received);
        EXPECT_EQ(p.rxd(), t.rxd);
    }
}

// Decoded after every piece, with the prefix selected when the answer comes.
TEST(Status, AnAnswerIsDecodedOnceEnoughHasArrivedForTheProjectorStillSelected) {
    Panel p;
    p.form.click("Option5");
    p.form.click("Command44");
    p.receive("0");
    EXPECT_EQ(p.rxd() + "|" + p.status(), " 0 |");
    p.receive("0\r");
    EXPECT_EQ(p.rxd() + "|" + p.status(), " 0 0 CR | Power ON");
    p.advance(2000);
    p.form.click("Command44");
    p.form.click("Option4");
    p.receive("80\r");
    EXPECT_EQ(p.rxd() + "|" + p.status(), " 8 0 CR |");
}

TEST(ReplyWindow, RunsFromEachTransmissionAndEndsTheCollection) {
    Panel p;
    p.form.click("Command17");
    p.ui.fakePort.incoming = "00\r";
    p.form.comm(1); // other event codes read nothing
    p.form.comm(1009);
    EXPECT_EQ(p.rxd(), "");
    p.advance(30);
    p.receive("\x06");
    p.receive("\r");
    p.advance(470);
    EXPECT_EQ(p.rxd(), " 0 0 CR ACK CR ");
    p.receive("8");
    EXPECT_EQ(p.rxd(), " 8 ");
    p.advance(499);
    EXPECT_EQ(p.txd(), " C 0 0 CR ");
    p.advance(1);
    EXPECT_EQ(p.txd() + p.rxd() + p.status(), "");
    p.receive("0"); // nothing has ended the collection since
    EXPECT_EQ(p.rxd(), " 8 0 ");
    // Each transmission gets its full window (enabling a running timer restarts its count) and leaves the
    // other lines as they are.
    p.form.click("Command17");
    p.advance(1100);
    const std::int64_t t0 = p.ui.clock.now();
    p.form.click("Command44");
    p.receive("00\r");
    p.advance(400);
    p.form.click("Command18");
    EXPECT_EQ(p.txd() + "|" + p.rxd() + "|" + p.status(), " C 0 1 CR | 0 0 CR | Power ON");
    p.advance(499);
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    p.advance(1);
    EXPECT_EQ(p.rxd(), " X X X X");
    p.advance(500);
    EXPECT_EQ(p.ticks(Timer2, t0), (std::vector<std::int64_t>{900}));
    EXPECT_EQ(p.ticks(Timer4, t0), (std::vector<std::int64_t>{1400}));
    p.form.click("Command17");
    p.receive("0");
    p.advance(500);
    EXPECT_EQ(p.rxd(), " 0 ") << "a partial reply is no missing reply";
}

// A device that chatters: the first 32767 characters are kept, what the decoder and the RXD line read.
TEST(ReceiveEvent, TheBufferKeepsTheFirst32767Characters) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    for (int i = 0; i < 40; ++i)
        p.receive(std::string(1000, 'x'));
    EXPECT_EQ(p.form.ReceiveBuffer.size(), 32767u);
    EXPECT_EQ(p.rxd().size(), 1u + 2 * 32766 + 3);
    EXPECT_EQ(p.status(), " Power ON");
    p.advance(500);
    p.receive("80\r");
    EXPECT_EQ(p.rxd(), " 8 0 CR ");
}

} // namespace
} // namespace q7
