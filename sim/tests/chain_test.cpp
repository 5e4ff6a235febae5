// SPDX-License-Identifier: MIT
// The line side on a virtual clock: addressing along the chain, cutting bytes into frames, the fault options
// and the frame log.

#include "line_bench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace q7sim::test {
namespace {

const std::vector<std::string> kFour{"001", "002", "003", "004"};

int countOf(const std::string& haystack, std::string_view needle) {
    int n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

// --- addressing ---

TEST(Addressing, OneProjectorAnswersItsIdAllAndNoAddressButNotAnotherId) {
    Bench bench;
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    EXPECT_EQ(bench.ask("A001CR0"), "80\r");
    EXPECT_EQ(bench.ask("AFFFCR0"), "80\r");
    EXPECT_EQ(bench.ask("A002CR0"), "");
    EXPECT_EQ(bench.ask("A002C00"), "") << "another projector's operation is neither answered";
    EXPECT_EQ(bench.chain.projector(0).power(bench.now), Power::Standby) << "nor carried out";
}

TEST(Addressing, OfSeveralOnlyTheFirstAnswersSharedFramesAndEachItsOwn) {
    Bench bench(kFour);
    EXPECT_EQ(bench.ask("AFFFCR0"), "80\r") << "one answer, not four colliding ones";
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    EXPECT_EQ(bench.ask("AFFFC05"), "\x06\r");
    for (const std::string& id : kFour)
        EXPECT_EQ(bench.ask("A" + id + "CR1"), "1\r") << id;
    EXPECT_EQ(bench.ask("A005CR0"), "");
    EXPECT_EQ(bench.ask("AFF0CR0"), "");
}

TEST(Addressing, AllAndNoAddressReachEveryProjectorAnIdOnlyItsOwn) {
    Bench bench(kFour);
    bench.ask("AFFFC06");
    bench.ask("A003C07");
    EXPECT_EQ(bench.ask("A001CR1"), "2\r");
    EXPECT_EQ(bench.ask("A002CR1"), "2\r");
    EXPECT_EQ(bench.ask("A003CR1"), "3\r");
    EXPECT_EQ(bench.ask("A004CR1"), "2\r");
    bench.ask("C05");
    for (const std::string& id : kFour)
        EXPECT_EQ(bench.ask("A" + id + "CR1"), "1\r") << id;
}

TEST(Addressing, TheSecondProjectorAnswersItsOwnFrames) {
    Bench bench({"001", "002"});
    bench.ask("A002C00");
    bench.after(60s);
    EXPECT_EQ(bench.ask("A002CR0"), "00\r");
    EXPECT_EQ(bench.ask("A001CR0"), "80\r");
    EXPECT_EQ(bench.ask("CR0"), "80\r") << "the shared frame is answered by the first, still in stand by";
}

TEST(Addressing, TheLogNamesTheProjectorsAFrameReached) {
    Bench bench(kFour);
    bench.ask("AFFFC00");
    bench.ask("A002CR0"); // counting down: the ON for all reached it
    bench.ask("A009CR0");
    ASSERT_EQ(bench.log.size(), 3u);
    EXPECT_NE(bench.log[0].find("to 001,002,003,004 reply \"\\x06\\r\""), std::string::npos) << bench.log[0];
    EXPECT_NE(bench.log[1].find("to 002 reply \"40\\r\""), std::string::npos) << bench.log[1];
    EXPECT_NE(bench.log[2].find("to none"), std::string::npos) << bench.log[2];
}

// --- framing ---

TEST(Framing, AFrameMayArriveInPiecesAndEndWithLfOrCrLf) {
    Bench bench;
    bench.chain.receive("C", 0ms);
    bench.chain.receive("R", 5ms);
    EXPECT_EQ(bench.after(50ms), "") << "no answer before the end of the frame";
    bench.chain.receive("0\r", bench.now);
    EXPECT_EQ(bench.after(50ms), "80\r");
    EXPECT_EQ(bench.ask("CR1\n"), "1\r") << "the LF ends the frame, the CR after it an empty one";
    bench.chain.receive("CR0\r\nCR1\r\n", bench.now);
    EXPECT_EQ(bench.after(50ms), "80\r1\r") << "CR LF is one end of frame";
    EXPECT_EQ(bench.chain.framesReceived(), 5);
}

TEST(Framing, AnEmptyFrameGetsNoAnswerGarbageGetsNak) {
    Bench bench;
    EXPECT_EQ(bench.ask(""), "");
    EXPECT_EQ(bench.ask("AFFF"), "");
    EXPECT_EQ(bench.ask("\xFF\xFE"
                        "CR0"),
              "\x15\r");
    EXPECT_EQ(bench.ask(std::string("C\0"
                                    "0",
                                    3)),
              "\x15\r");
    EXPECT_EQ(bench.ask("CR0"), "80\r") << "the line works on after garbage";
}

TEST(Framing, AnOverlongLineIsDroppedAndTheNextFrameIsAnswered) {
    Bench bench;
    bench.chain.receive(std::string(100'000, 'C'), 0ms);
    EXPECT_EQ(bench.ask("CR0"), "") << "the end of the long line ends it, nothing is answered";
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    ASSERT_EQ(bench.log.size(), 2u);
    EXPECT_NE(bench.log[0].find("overlong, dropped"), std::string::npos);
    EXPECT_LT(bench.log[0].size(), kMaxFrame + 100) << "the dropped line is not kept whole";
}

TEST(Framing, ALineLongerThanTheLimitByOneIsOverlongOneAtTheLimitIsNot) {
    Bench bench;
    EXPECT_EQ(bench.ask(std::string(kMaxFrame, 'X')), "\x15\r");
    EXPECT_EQ(bench.ask(std::string(kMaxFrame + 1, 'X')), "");
}

// --- timing and faults ---

TEST(Faults, TheReplyComesAfterTheDelayAndRepliesKeepTheirOrder) {
    LineFaults faults;
    faults.delay = 200ms;
    Bench bench({"001"}, {}, faults);
    bench.chain.receive("CR0\rC05\rCR1\r", 0ms);
    EXPECT_EQ(bench.chain.nextDue(), Millis(200));
    EXPECT_EQ(bench.after(199ms), "");
    EXPECT_EQ(bench.after(1ms), "80\r\x06\r1\r");
    EXPECT_EQ(bench.chain.nextDue(), std::nullopt);
}

TEST(Faults, TheDefaultDelayIsAFewMilliseconds) {
    Bench bench;
    bench.chain.receive("CR0\r", 0ms);
    const auto due = bench.chain.nextDue();
    ASSERT_TRUE(due);
    EXPECT_GE(due->count(), 1);
    EXPECT_LE(due->count(), 20);
}

TEST(Faults, NoReplyStillCarriesOutCommands) {
    LineFaults faults;
    faults.noReply = true;
    Bench bench({"001"}, {}, faults);
    EXPECT_EQ(bench.ask("C00"), "");
    EXPECT_EQ(bench.ask("CR0"), "");
    EXPECT_EQ(bench.chain.projector(0).power(bench.now), Power::CountDown);
    EXPECT_NE(bench.log.back().find("withheld"), std::string::npos);
}

TEST(Faults, NoReplyToOneCommandWhateverItsAddress) {
    LineFaults faults;
    faults.noReplyTo = {"CR0", "C05"};
    Bench bench({"001"}, {}, faults);
    EXPECT_EQ(bench.ask("CR0"), "");
    EXPECT_EQ(bench.ask("A001CR0"), "");
    EXPECT_EQ(bench.ask("AFFFCR0"), "");
    EXPECT_EQ(bench.ask("C05"), "");
    EXPECT_EQ(bench.ask("CR1"), "1\r");
    EXPECT_EQ(bench.ask("C06"), "\x06\r");
}

TEST(Faults, SilenceCanBeSwitchedOnAndOff) {
    Bench bench;
    bench.chain.setSilent(true);
    EXPECT_EQ(bench.ask("C00"), "");
    bench.chain.setSilent(false);
    EXPECT_EQ(bench.ask("CR0"), "40\r");
}

TEST(Faults, SplitSendsTwoPiecesTheGapApart) {
    LineFaults faults;
    faults.split = true;
    faults.delay = 10ms;
    faults.splitGap = 100ms;
    Bench bench({"001"}, {}, faults);
    bench.chain.receive("CR0\r", 0ms);
    const std::string first = bench.after(10ms);
    EXPECT_EQ(first, "8");
    EXPECT_EQ(bench.chain.nextDue(), Millis(110));
    EXPECT_EQ(bench.after(99ms), "");
    EXPECT_EQ(bench.after(1ms), "0\r");

    bench.chain.receive("C00\r", bench.now);
    EXPECT_EQ(bench.after(10ms), "\x06");
    EXPECT_EQ(bench.after(100ms), "\r");
}

TEST(Faults, GarbageMixesBytesAbove127IntoEachReply) {
    LineFaults faults;
    faults.garbage = true;
    Bench bench({"001"}, {}, faults);
    for (int i = 0; i < 50; ++i) {
        std::string reply = bench.ask("CR0");
        const auto high = std::count_if(reply.begin(), reply.end(),
                                        [](char c) { return static_cast<unsigned char>(c) > 127; });
        EXPECT_GE(high, 1);
        EXPECT_LE(high, 3);
        EXPECT_EQ(reply.back(), '\r');
        std::erase_if(reply, [](char c) { return static_cast<unsigned char>(c) > 127; });
        EXPECT_EQ(reply, "80\r");
    }
}

TEST(Faults, GarbageIsRepeatableFromItsSeed) {
    LineFaults faults;
    faults.garbage = true;
    faults.seed = 42;
    Bench a({"001"}, {}, faults), b({"001"}, {}, faults);
    faults.seed = 43;
    Bench c({"001"}, {}, faults);
    std::string ra, rb, rc;
    for (int i = 0; i < 10; ++i) {
        ra += a.ask("CR0");
        rb += b.ask("CR0");
        rc += c.ask("CR0");
    }
    EXPECT_EQ(ra, rb);
    EXPECT_NE(ra, rc);
}

TEST(Faults, ChatterRunsAtItsRateWithPrintableCharacters) {
    LineFaults faults;
    faults.chatterRate = 200;
    Bench bench({"001"}, {}, faults);
    std::string heard;
    Millis t{0};
    while (t < 1000ms) {
        const auto due = bench.chain.nextDue();
        ASSERT_TRUE(due) << "chatter never stops";
        ASSERT_GT(*due, t);
        t = *due;
        heard += bench.chain.takeDue(t);
    }
    EXPECT_EQ(heard.size(), 200u);
    EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](char c) { return c > 32 && c < 127; }));
    EXPECT_NE(heard.find_first_not_of(heard[0]), std::string::npos) << "not one character over and over";
}

TEST(Faults, RepliesStillComeThroughChatter) {
    LineFaults faults;
    faults.chatterRate = 50;
    Bench bench({"001"}, {}, faults);
    const std::string heard = bench.ask("CR PRESSURE", 1000ms);
    EXPECT_NE(heard.find("853\r"), std::string::npos) << heard;
    EXPECT_GE(heard.size(), 50u);
}

TEST(Faults, HangUpComesOnceTheReplyToTheLastFrameHasGone) {
    LineFaults faults;
    faults.hangUpAfter = 2;
    faults.delay = 20ms;
    Bench bench({"001"}, {}, faults);
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    EXPECT_FALSE(bench.chain.hangUpDue());
    bench.chain.receive("C00\r", bench.now);
    EXPECT_FALSE(bench.chain.hangUpDue()) << "the reply to the second frame is still to go";
    EXPECT_EQ(bench.after(20ms), "\x06\r");
    EXPECT_TRUE(bench.chain.hangUpDue());
    EXPECT_EQ(bench.ask("C01"), "") << "a frame after the hang-up is not acted on";
    EXPECT_EQ(bench.chain.projector(0).power(bench.now), Power::CountDown);
}

TEST(Faults, HangUpOnRequestDropsNothingAlreadyScheduled) {
    Bench bench;
    bench.chain.receive("CR0\r", 0ms);
    bench.chain.requestHangUp();
    EXPECT_FALSE(bench.chain.hangUpDue());
    EXPECT_EQ(bench.after(50ms), "80\r");
    EXPECT_TRUE(bench.chain.hangUpDue());
}

// --- the log ---

TEST(FrameLog, OneLineAFrameStampedWithItsArrivalInMilliseconds) {
    Bench bench;
    for (int i = 0; i < 5; ++i) {
        bench.chain.receive("C47\r", bench.now);
        bench.after(50ms);
    }
    ASSERT_EQ(bench.log.size(), 5u);
    for (std::size_t i = 0; i < bench.log.size(); ++i) {
        const std::string& line = bench.log[i];
        EXPECT_EQ(std::strtol(line.c_str(), nullptr, 10), static_cast<long>(50 * i)) << line;
        EXPECT_NE(line.find(" RX \"C47\" to 001 reply \"\\x06\\r\""), std::string::npos) << line;
    }
}

TEST(FrameLog, FramesAreQuotedWithEscapes) {
    EXPECT_EQ(logToken("CF IMAGE REAL"), "\"CF IMAGE REAL\"");
    EXPECT_EQ(logToken(std::string("a\"b\\c\r\n\x06\xFF\0", 10)), "\"a\\\"b\\\\c\\r\\n\\x06\\xFF\\x00\"");
}

TEST(FrameLog, EveryReceivedLineIsCountedOnceWhateverBecomesOfIt) {
    Bench bench({"001", "002"});
    bench.chain.receive("CR0\rA009CR0\r\rXYZ\r" + std::string(500, 'C') + "\r", 0ms);
    EXPECT_EQ(bench.chain.framesReceived(), 5);
    EXPECT_EQ(bench.log.size(), 5u);
    EXPECT_EQ(countOf(bench.after(50ms), "\r"), 2) << "CR0 answered, XYZ refused, the rest unanswered";
}

} // namespace
} // namespace q7sim::test
