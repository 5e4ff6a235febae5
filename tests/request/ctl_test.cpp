// SPDX-License-Identifier: MIT
// q7ctl's engine on the virtual clock with the fake line: every named button's frame and reply window, what
// came of an exchange, the nine status queries as text and as data, holds, and the words it refuses.

#include "design.h"
#include "fake_window.h"
#include "request/report.h"
#include "request/runner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace q7 {
namespace {

using test::FakeLine;
using test::VirtualClock;

struct Ctl {
    explicit Ctl(std::string prefix = "", std::optional<int> window = std::nullopt)
        : runner(line, clock, std::move(prefix), window, {}) {
        line.setAddress("/dev/ttyUSB0");
    }
    // Runs the words; true once the run has ended.
    bool run(const std::vector<std::string>& words) {
        const Result<Request> request = parseRequest(words);
        EXPECT_TRUE(request.has_value()) << (request ? "" : request.error().english());
        if (request) runner.run(*request, [this](const Result<std::vector<Answer>>& r) { result = r; });
        return result.has_value();
    }
    const Answer& answer(std::size_t i = 0) const {
        if (!result) throw std::logic_error("the run has not ended");
        return result->value().at(i);
    }
    std::string outcome(std::size_t i = 0) const {
        return std::string(outcomeName(answer(i).exchanged.outcome));
    }

    VirtualClock clock;
    FakeLine line{&clock};
    Runner runner;
    std::optional<Result<std::vector<Answer>>> result;
};

// Each name sends its button's frame, addressed as chosen, and waits the button's window for an answer.
TEST(Names, EveryButtonIsSentByItsNameWithItsReplyWindow) {
    std::size_t named = 0;
    for (const design::Control& c : design::kControls) {
        if (!c.script) continue;
        ++named;
        SCOPED_TRACE(c.script);
        Ctl ctl("A002");
        std::string shouted = c.script;
        for (char& ch : shouted)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        ctl.run({shouted});
        EXPECT_EQ(ctl.line.written(), std::vector<std::string>{std::string("A002") + c.wire});
        ctl.clock.advance(c.window - 1);
        EXPECT_EQ(ctl.line.writes.size(), 1u);
        ctl.clock.advance(1 + 99);
        EXPECT_FALSE(ctl.result.has_value()) << "the line is let go once quiet for 100 ms";
        ctl.clock.advance(1);
        EXPECT_EQ(ctl.outcome(), "none");
    }
    for (const design::Held& h : design::kHeld) {
        Ctl ctl;
        ctl.run({h.script});
        EXPECT_EQ(ctl.line.written(), std::vector<std::string>{h.wire}) << "once, as a press and a release";
        ++named;
    }
    EXPECT_EQ(named, 65u - 9 + 17);
}

TEST(Exchange, WhatCameBackDecidesTheOutcomeAndTheExitStatus) {
    const std::string endless(40000, '7');
    const std::tuple<std::vector<std::string>, const char*, int, std::int64_t> cases[] = {
        {{"\x06\r"}, "ack", 0, 0},
        {{"0", "0\r"}, "reply", 0, 0},
        {{"\x15\r"}, "nak", 4, 0},
        {{"00"}, "partial", 3, 1500}, // the window, then 1 s for the CR that never comes
        {{}, "none", 3, 600},         // the window, then 100 ms of quiet
        {{endless, endless}, "partial", 3, 1500},
        {{"\x06\rjunk"}, "ack", 0, 100}, // what follows the CR: 100 ms of quiet
    };
    for (const auto& [pieces, outcome, status, ends] : cases) {
        SCOPED_TRACE(outcome);
        Ctl ctl;
        ctl.line.incoming = "\x15\r"; // an answer to something earlier, never taken for this one's
        ctl.run({"power", "on"});
        for (const std::string& piece : pieces)
            ctl.line.receive(piece);
        if (ends > 0) {
            ctl.clock.advance(ends - 1);
            EXPECT_FALSE(ctl.result.has_value());
            ctl.clock.advance(1);
        }
        EXPECT_EQ(ctl.outcome(), outcome);
        EXPECT_EQ(exitStatus(ctl.result->value()), status);
        EXPECT_LE(ctl.answer().exchanged.received.size(), 32767u);
    }
    Ctl timed({}, 120);
    timed.run({"image3"});
    timed.clock.advance(120 + 100);
    EXPECT_EQ(timed.outcome(), "none") << "--timeout replaces the button's window";
}

// The nine queries in turn, as the panel's STATUS line shows them and as a person reads them: q7sim's
// documented answers and the design's tables.
TEST(Status, EveryQueryAsThePanelShowsItAndInWords) {
    const std::tuple<const char*, const char*, const char*, const char*> kReplies[] = {
        {"A001CR0\r", "80\r", " Stand by", "power: standby"},
        {"A001CR1\r", "2\r", " Input mode 2", "input: 2"},
        {"A001CR4\r", "01\r", " Left/Right reversal", "picture_reversal: left-right"},
        {"A001CR3\r", "1234\r", " 1 2 3 4 CR  Hour Use", "lamp_hours: 1234 h"},
        {"A001CR6\r", "035.2,105.3\r", "  S1= 0 3 5 . 2 C  ,   S2=  0 5 . 3 C",
         "temperatures: 35.2 °C, 105.3 °C"},
        {"A001CRA\r", "02\r", " Audio mute ON", "mute: video mute off, audio mute on"},
        {"A001CR9\r", "ANALOG\r", " A N A L O G CR ", "signal_type: ANALOG"},
        {"A001CR PRESSURE\r", "853\r", "1013 hPa", "pressure: 1013 hPa"},
        {"A001CR7\r", "03\r", " No1,2 ON  : 2 Lamp mode", "lamp_mode: 2-lamps, lamps lit: 1, 2"},
    };
    Ctl ctl("A001");
    ctl.run({"status"});
    std::string words;
    for (const auto& [frame, reply, text, line] : kReplies) {
        EXPECT_EQ(ctl.line.written().back(), frame);
        ctl.line.receive(reply);
        words += std::string(line) + "\n";
    }
    ctl.clock.advance(0);
    ASSERT_TRUE(ctl.result.has_value());
    EXPECT_EQ(exitStatus(*ctl.result), 0);
    for (std::size_t i = 0; i < std::size(kReplies); ++i)
        EXPECT_EQ(ctl.answer(i).statusText.value_or("(none)"), std::get<2>(kReplies[i]));
    EXPECT_EQ(plainText(*parseRequest({"status"}), ctl.result->value()), words);
    EXPECT_TRUE(replyNotes(ctl.result->value()).empty());
}

// A hold repeats at the button's period, never while the line is still busy with the earlier frames, lets
// go at its time with nothing written after, and ends once every frame's reply has come or the window after
// the last frame has passed.
TEST(Hold, RepeatsAtItsPeriodPacedByTheLineAndWaitsForItsReplies) {
    Ctl zoom;
    zoom.run({"hold", "zoom", "+", "0.5"});
    zoom.line.receive("\x06\r");
    zoom.clock.advance(500);
    EXPECT_EQ(zoom.line.written(), std::vector<std::string>(10, "C47\r"));
    EXPECT_FALSE(zoom.result.has_value()) << "nine replies are still to come";
    zoom.line.receive(std::string(8 * 2, '\x06').replace(1, 7, "\r\x06\r\x06\r\x06"));
    zoom.line.receive("\x06\r\x06\r\x06\r\x06\r\x06\r\x06\r");
    ASSERT_TRUE(zoom.result.has_value());
    EXPECT_EQ(zoom.answer().exchanged.frames, 10);
    EXPECT_EQ(zoom.outcome(), "ack");
    EXPECT_FALSE(zoom.line.isOpen());

    Ctl silent;
    silent.run({"hold", "focus", "-", "1"});
    silent.clock.advance(1000 + 499);
    EXPECT_FALSE(silent.result.has_value()) << "the last frame went out at 950";
    silent.clock.advance(1);
    EXPECT_FALSE(silent.result.has_value()) << "not before the line is quiet";
    silent.clock.advance(100);
    ASSERT_TRUE(silent.result.has_value());
    EXPECT_EQ(silent.line.writes.back().at, 950);
    EXPECT_EQ(silent.outcome(), "none");

    Ctl arrow;
    arrow.line.slowLine = true;
    arrow.run({"hold", "cursor up", "1"});
    arrow.clock.advance(400);
    EXPECT_EQ(arrow.line.written().size(), 1u) << "the line still busy";
    arrow.line.pending = 0;
    arrow.clock.advance(200);
    arrow.clock.advance(5000);
    EXPECT_EQ(arrow.line.writes.size(), 2u);
    EXPECT_EQ(arrow.line.writes.back().at, 600);
}

// Every reply belongs to its frame: what waits before the first frame is dropped; a reply that came late or
// only in part keeps the next frame back until the line has been quiet for 100 ms (a half reply's CR come
// first), 1 s at most; and the line is let go only when it is clean.
TEST(Exchange, EveryReplyBelongsToItsFrame) {
    Ctl late;
    late.line.incoming = "\x15\r";
    late.run({"status", "power", "input", "lamp_hours", "mute"});
    late.line.receive("80\r");
    late.line.receive("2\r");
    late.clock.advance(550);
    late.line.receive("1234\r"); // the third's reply, 50 ms after its window
    late.clock.advance(99);
    EXPECT_EQ(late.line.writes.size(), 3u);
    late.clock.advance(1);
    ASSERT_EQ(late.line.writes.size(), 4u);
    EXPECT_EQ(late.line.writes.back().at, 650);
    late.line.receive("02\r");
    late.clock.advance(0);
    ASSERT_TRUE(late.result.has_value());
    EXPECT_EQ(plainText(*parseRequest({"status"}), late.result->value()),
              "power: standby\ninput: 2\nlamp_hours: no reply\nmute: video mute off, audio mute on\n");
    EXPECT_EQ(replyNotes(late.result->value()).at(0).english(), "no reply to CR3 within 500 ms");

    Ctl split;
    split.run({"status", "lamp_hours", "power"});
    split.line.receive("12");
    split.clock.advance(800);
    EXPECT_EQ(split.line.writes.size(), 1u) << "its CR is still to come";
    split.line.receive("34\r");
    split.clock.advance(100);
    ASSERT_EQ(split.line.writes.size(), 2u);
    EXPECT_EQ(split.line.writes.back().at, 900);
    split.line.receive("80\r");
    ASSERT_TRUE(split.result.has_value());
    EXPECT_EQ(split.outcome(0), "partial");
    EXPECT_EQ(split.answer(1).statusText.value_or(""), " Stand by");

    Ctl chatter;
    chatter.run({"power", "on"});
    for (int ms = 0; ms < 2000; ms += 50, chatter.clock.advance(50))
        chatter.line.receive("x");
    EXPECT_EQ(chatter.outcome(), "partial");
    EXPECT_FALSE(chatter.line.isOpen()) << "let go after the window and 1 s of waiting for quiet";
    EXPECT_EQ(exitStatus(*chatter.result), 3);
}

// A signal ends a run with 128 + its number, wherever it comes: before the first frame (which is then
// refused), or during a hold, which then has 250 ms at most for its replies.
TEST(Exchange, ASignalEndsTheRunAtOnceWithItsOwnStatus) {
    struct Ending {
        explicit Ending(int signo) { setEndingSignal(signo); }
        ~Ending() { setEndingSignal(0); }
    };
    Ctl first;
    {
        const Ending term(SIGTERM);
        first.run({"power", "off"});
        ASSERT_TRUE(first.result.has_value());
        EXPECT_TRUE(first.line.written().empty());
        EXPECT_EQ(exitStatus(*first.result), 143);
    }
    EXPECT_EQ(exitStatus(*first.result), 1) << "without the signal, a frame refused is the line's failure";
    Ctl held;
    held.run({"hold", "zoom", "-", "60"});
    held.clock.advance(1000);
    const Ending interrupt(SIGINT);
    held.runner.interrupt();
    const std::size_t sent = held.line.writes.size();
    held.clock.advance(249);
    EXPECT_FALSE(held.result.has_value());
    held.clock.advance(1);
    ASSERT_TRUE(held.result.has_value());
    EXPECT_EQ(held.line.writes.size(), sent);
    EXPECT_FALSE(held.line.isOpen());
    EXPECT_EQ(exitStatus(*held.result), 130);
}

TEST(Words, WhatCannotBeDoneIsRefusedInOneLine) {
    const std::pair<std::vector<std::string>, const char*> kRefused[] = {
        {{"lamp", "select", "3"},
         "no button is named \"lamp select 3\"; the nearest names are \"lamp select 1\", "
         "\"lamp select 2\", \"lamp select 2 lamp\""},
        {{"hold", "power on", "1"}, "\"power on\" is not a held button"},
        {{"hold", "zoom +", "0"},
         "the seconds of a hold must be a number above 0 and at most 3600, not \"0\""},
        {{"hold", "zoom +", "3600.1"}, "not \"3600.1\""},
        {{"hold", "zoom", "+"}, "hold takes the seconds after the name: q7ctl hold zoom + SECONDS"},
        {{"hold", "image3", "5"}, "\"image3\" is not a held button"},
        {{"hold", "zoom +", "nan"}, "not \"nan\""},
        {{"status", "lamp"}, "no status is named \"lamp\""},
        {{"send"}, "send takes one text"},
        {{"send", "CR0\rC00"}, "the text to send holds a control character"},
        {{std::string(5000, 'x')},
         "no button is named \"xxxxxxxxxxxxxxxxxxxxxxxx...\" (q7ctl list shows them all)"},
        {{}, "no command given"},
    };
    for (const auto& [words, error] : kRefused) {
        const Result<Request> r = parseRequest(words);
        ASSERT_FALSE(r.has_value()) << error;
        EXPECT_NE(r.error().english().find(error), std::string::npos) << r.error().english();
    }
    EXPECT_EQ(parseRequest({"hold", "zoom +", "3600"})->heldMs, 3600000);
    EXPECT_EQ(parseRequest({"lamp select 2"})->button->name, "lamp select 2");
    EXPECT_EQ(parseRequest({"help", "status"})->text, "status");
}

// The port nobody named is the panel's port 1, found among the ports present or the default, and a note says
// which and why.
TEST(Words, APortNobodyNamedIsSaid) {
    const auto chosen = [](std::optional<std::string> option, std::optional<std::string> environment,
                           ChosenPort::Source source = ChosenPort::Source::Found) {
        const PortToUse port = portToUse(option, environment, [source] {
            return ChosenPort{"/dev/ttyS0", source};
        });
        return port.address + " | " + (port.note ? port.note->english() : "");
    };
    EXPECT_EQ(chosen("/dev/ttyACM0", "/dev/ttyUSB1"), "/dev/ttyACM0 | ");
    EXPECT_EQ(chosen({}, "socket://h:4001"), "socket://h:4001 | ");
    EXPECT_EQ(chosen({}, ""), "/dev/ttyS0 | no port named; using /dev/ttyS0, the panel's port 1");
    EXPECT_EQ(chosen({}, {}, ChosenPort::Source::Fallback),
              "/dev/ttyS0 | no port named and no serial port found; trying /dev/ttyS0, the panel's port 1");
}

TEST(Line, ALineThatCannotBeOpenedOrGoesAwayEndsTheRun) {
    Ctl refused;
    refused.line.refused = {"/dev/ttyUSB0"};
    EXPECT_TRUE(refused.run({"status"}));
    EXPECT_EQ(refused.result->error().english(), "Cannot open /dev/ttyUSB0: no such device");
    Ctl lost;
    lost.run({"status"});
    lost.line.lose();
    ASSERT_TRUE(lost.result.has_value());
    EXPECT_EQ(lost.result->error().english(),
              "The serial device /dev/ttyUSB0 went away: the server closed the connection.");
    lost.clock.advance(10000);
    EXPECT_EQ(lost.line.tries.size(), 1u) << "no watch";
}

} // namespace
} // namespace q7
