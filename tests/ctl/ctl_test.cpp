// SPDX-License-Identifier: MIT
// q7ctl's engine on the virtual clock with the fake line: every named button's frame and reply window, what
// came of an exchange, the nine status queries as text and as data, holds, and the words it refuses.

#include "ctl/runner.h"
#include "design.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <sstream>

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
    const Answer& answer(std::size_t i = 0) const { return result->value().at(i); }
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
        EXPECT_FALSE(ctl.result.has_value());
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
        {{"\x06\r"}, "ack", 0, 0},     {{"0", "0\r"}, "reply", 0, 0}, {{"\x15\r"}, "nak", 4, 0},
        {{"00"}, "partial", 3, 500},   {{}, "none", 3, 500},          {{endless, endless}, "partial", 3, 500},
        {{"\x06\rjunk"}, "ack", 0, 0},
    };
    for (const auto& [pieces, outcome, status, ends] : cases) {
        SCOPED_TRACE(outcome);
        Ctl ctl;
        ctl.line.incoming = "\x15\r"; // an answer to something earlier, never taken for this one's
        ctl.run({"power", "on"});
        for (const std::string& piece : pieces)
            ctl.line.receive(piece);
        ctl.clock.advance(499);
        EXPECT_EQ(ctl.result.has_value(), ends == 0);
        ctl.clock.advance(1);
        EXPECT_EQ(ctl.outcome(), outcome);
        EXPECT_EQ(exitStatus(ctl.result->value()), status);
        EXPECT_LE(ctl.answer().exchanged.received.size(), 32767u);
    }
    Ctl timed({}, 120);
    timed.run({"image3"});
    timed.clock.advance(120);
    EXPECT_EQ(timed.outcome(), "none") << "--timeout replaces the button's window";
}

// The nine queries in turn, as the panel's STATUS line shows them and as data: q7sim's documented answers and
// the design's tables.
TEST(Status, EveryQueryAsTextAndAsData) {
    const std::tuple<const char*, const char*, const char*, const char*> kReplies[] = {
        {"A001CR0\r", "80\r", " Stand by", "standby"},
        {"A001CR1\r", "2\r", " Input mode 2", "2"},
        {"A001CR4\r", "01\r", " Left/Right reversal", "left-right"},
        {"A001CR3\r", "1234\r", " 1 2 3 4 CR  Hour Use", "1234"},
        {"A001CR6\r", "035.2,105.3\r", "  S1= 0 3 5 . 2 C  ,   S2=  0 5 . 3 C", "35.2 105.3"},
        {"A001CRA\r", "02\r", " Audio mute ON", "video off, audio on"},
        {"A001CR9\r", "ANALOG\r", " A N A L O G CR ", "ANALOG"},
        {"A001CR PRESSURE\r", "853\r", "1013 hPa", "1013"},
        {"A001CR7\r", "03\r", " No1,2 ON  : 2 Lamp mode", "2-lamps, lit 1 2"},
    };
    Ctl ctl("A001");
    ctl.run({"status"});
    for (const auto& [frame, reply, text, value] : kReplies) {
        EXPECT_EQ(ctl.line.written().back(), frame);
        ctl.line.receive(reply);
    }
    ASSERT_TRUE(ctl.result.has_value());
    EXPECT_EQ(exitStatus(ctl.result->value()), 0);
    for (std::size_t i = 0; i < std::size(kReplies); ++i) {
        const Answer& a = ctl.answer(i);
        EXPECT_EQ(a.statusText.value_or("(none)"), std::get<2>(kReplies[i]));
        const StatusValue v = statusValue(a.key->key, a.exchanged.received);
        std::ostringstream shown;
        shown << v.text;
        if (v.kind == StatusValue::Kind::Mutes)
            shown << "video " << (v.video ? "on" : "off") << ", audio " << (v.audio ? "on" : "off");
        if (v.kind == StatusValue::Kind::Lamps) shown << ", lit";
        if (v.kind == StatusValue::Kind::Number) shown << v.number;
        for (std::size_t n = 0; n < v.numbers.size(); ++n)
            shown << (n || v.kind == StatusValue::Kind::Lamps ? " " : "") << v.numbers[n];
        EXPECT_EQ(shown.str(), std::get<3>(kReplies[i])) << a.key->key;
    }
}

// Every code of the operating-state table has its word; a code no table holds has no value.
TEST(Status, EveryOperatingStateHasItsWord) {
    const std::pair<const char*, const char*> kWords[] = {
        {"00\r", "on"},
        {"80\r", "standby"},
        {"40\r", "count-down"},
        {"20\r", "cooling-down"},
        {"10\r", "power-fail"},
        {"08\r", "on-temperature-warning"},
        {"02\r", "no-key-input"},
        {"04\r", "lamp-off-power-management"},
        {"28\r", "cooling-down-temperature-warning"},
        {"24\r", "lamp-off-temperature-warning"},
        {"88\r", "temperature-warning-recovered"},
        {"21\r", "cooling-down-lamp-failure"},
        {"81\r", "standby-lamp-failure"},
        {"99\r", ""},
    };
    for (const auto& [reply, word] : kWords)
        EXPECT_EQ(statusValue("power", reply).text, word) << reply;
    EXPECT_EQ(statusValue("input", "5\r").kind, StatusValue::Kind::None);
    EXPECT_EQ(statusValue("lamp_mode", "12\r").kind, StatusValue::Kind::None);
    EXPECT_EQ(statusValue("mute", "FF\r").text, "standby");
    EXPECT_EQ(statusValue("pressure", "").kind, StatusValue::Kind::None);
}

// A hold repeats at the button's period, never while the line is still busy with the earlier frames, and
// lets go at its time with nothing written after.
TEST(Hold, RepeatsAtItsPeriodPacedByTheLineAndStopsAtItsTime) {
    Ctl zoom;
    zoom.run({"hold", "zoom", "+", "0.5"});
    zoom.line.receive("\x06\r");
    zoom.clock.advance(499);
    EXPECT_EQ(zoom.line.written(), std::vector<std::string>(10, "C47\r"));
    zoom.clock.advance(1);
    EXPECT_EQ(zoom.answer().exchanged.frames, 10);
    EXPECT_EQ(zoom.outcome(), "ack");
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

TEST(Words, WhatCannotBeDoneIsRefusedInOneLine) {
    const std::pair<std::vector<std::string>, const char*> kRefused[] = {
        {{"lamp", "select", "3"},
         "no button is named \"lamp select 3\"; the nearest names are \"lamp select 1\", "
         "\"lamp select 2\", \"lamp select 2 lamp\""},
        {{"hold", "power on", "1"}, "\"power on\" is not a held button"},
        {{"hold", "zoom +", "0"},
         "the seconds of a hold must be a number above 0 and at most 3600, not \"0\""},
        {{"hold", "zoom +", "3600.1"}, "not \"3600.1\""},
        {{"hold", "zoom +", "nan"}, "not \"nan\""},
        {{"status", "lamp"}, "no status is named \"lamp\""},
        {{"send"}, "send takes one text"},
        {{}, "no command given"},
    };
    for (const auto& [words, error] : kRefused) {
        const Result<Request> r = parseRequest(words);
        ASSERT_FALSE(r.has_value()) << error;
        EXPECT_NE(r.error().english().find(error), std::string::npos) << r.error().english();
    }
    EXPECT_EQ(parseRequest({"hold", "zoom +", "3600"})->heldMs, 3600000);
    EXPECT_EQ(parseRequest({"lamp select 2"})->button->name, "lamp select 2");
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
