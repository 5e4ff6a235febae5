// SPDX-License-Identifier: MIT
// The projector model through the line, on a virtual clock: the power cycle, and every status answer in the
// shape the panel's decoder reads it, checked on the RXD line text and the slices the decoder takes from it.

#include "line_bench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace q7sim::test {
namespace {

ProjectorSettings fast() {
    ProjectorSettings s;
    s.speed = 60; // 0.5 s count down, 1 s cooling
    return s;
}

// The panel's first four RXD characters, its code for the 2-character answers.
std::string code4(const std::string& reply) {
    return slice(rxdText(reply), 1, 4);
}

// What the panel shows for a pressure answer: the reading times 5 in 16 bits, then its conversion to hPa.
long hectopascal(const std::string& reply) {
    const long reading = std::strtol(reply.c_str(), nullptr, 10);
    const auto product = static_cast<std::int16_t>(reading * 5);
    return std::lround((product / 1024.0 - 0.204) / 0.00459 + 150);
}

bool allDigitsThenCr(const std::string& reply) {
    return reply.size() >= 2 && reply.back() == '\r' &&
           reply.find_first_not_of("0123456789") == reply.size() - 1;
}

// --- power ---

TEST(PowerCycle, OnCountsDownThenRunsOffCoolsThenStandsBy) {
    Bench bench({"001"}, fast());
    Projector& projector = bench.chain.projector(0);
    EXPECT_EQ(code4(bench.ask("CR0")), " 8 0");
    const Millis on = bench.now;
    EXPECT_EQ(bench.ask("C00"), "\x06\r");
    EXPECT_EQ(code4(bench.ask("CR0")), " 4 0");
    EXPECT_EQ(projector.power(on + 499ms), Power::CountDown);
    EXPECT_EQ(projector.power(on + 500ms), Power::On);
    bench.now = on + 500ms;
    EXPECT_EQ(code4(bench.ask("CR0")), " 0 0");

    const Millis off = bench.now;
    EXPECT_EQ(bench.ask("C01"), "\x06\r");
    EXPECT_EQ(code4(bench.ask("CR0")), " 2 0");
    EXPECT_EQ(projector.power(off + 999ms), Power::Cooling);
    EXPECT_EQ(projector.power(off + 1000ms), Power::Standby);
    bench.now = off + 1000ms;
    EXPECT_EQ(code4(bench.ask("CR0")), " 8 0");
}

TEST(PowerCycle, AtSpeedOneTheDelaysAreThoseOfARealProjector) {
    Bench bench;
    bench.ask("C00");
    bench.after(20s);
    EXPECT_EQ(bench.ask("CR0"), "40\r") << "still igniting after 20 s";
    bench.after(10s);
    EXPECT_EQ(bench.ask("CR0"), "00\r") << "on after 30 s";
    bench.ask("C01");
    bench.after(45s);
    EXPECT_EQ(bench.ask("CR0"), "20\r") << "fans still running after 45 s";
    bench.after(15s);
    EXPECT_EQ(bench.ask("CR0"), "80\r");
}

TEST(PowerCycle, OffDuringCountDownCoolsOnDuringCoolingIsIgnored) {
    Bench bench({"001"}, fast());
    bench.ask("C00", 100ms);
    EXPECT_EQ(bench.ask("C01", 10ms), "\x06\r");
    EXPECT_EQ(bench.ask("CR0", 10ms), "20\r");
    EXPECT_EQ(bench.ask("C00", 10ms), "\x06\r") << "acknowledged, but a hot lamp is not relit";
    EXPECT_EQ(bench.ask("CR0", 10ms), "20\r");
    bench.after(1s);
    EXPECT_EQ(bench.ask("CR0"), "80\r");
    EXPECT_EQ(bench.ask("C01"), "\x06\r");
    EXPECT_EQ(bench.ask("CR0"), "80\r") << "off in stand by changes nothing";
}

TEST(PowerCycle, ASkippedQueryDoesNotHoldUpTheCycle) {
    Bench bench({"001"}, fast());
    bench.ask("C00");
    bench.after(2s);
    bench.ask("C01");
    bench.after(2s);
    EXPECT_EQ(bench.ask("CR0"), "80\r") << "count down and cooling both ran out while nobody asked";
}

// --- status answers as the panel decodes them ---

TEST(StatusAnswers, InputModeFollowsTheInputButtons) {
    Bench bench;
    EXPECT_EQ(slice(rxdText(bench.ask("CR1")), 1, 2), " 1");
    const std::pair<const char*, const char*> rows[] = {{"C06", " 2"}, {"C07", " 3"}, {"C05", " 1"}};
    for (const auto& [command, code] : rows) {
        EXPECT_EQ(bench.ask(command), "\x06\r");
        const std::string reply = bench.ask("CR1");
        EXPECT_EQ(slice(rxdText(reply), 1, 2), code) << command;
        EXPECT_EQ(reply.back(), '\r');
    }
}

TEST(StatusAnswers, PictureReversalIsNormal) {
    EXPECT_EQ(code4(Bench().ask("CR4")), " 1 1");
}

TEST(StatusAnswers, MuteAndSignalFollowTheMuteAndNoShowButtons) {
    ProjectorSettings settings = fast();
    settings.signalPresent = {true, false, true};
    Bench bench({"001"}, settings);
    EXPECT_EQ(code4(bench.ask("CRA")), " F F") << "stand by";
    bench.ask("C00", 2s);
    EXPECT_EQ(code4(bench.ask("CRA")), " 0 0");
    const std::pair<const char*, const char*> rows[] = {
        {"C0D", " 0 1"}, {"C0B", " 0 3"}, {"C0E", " 0 2"}, {"C0C", " 0 0"}};
    for (const auto& [command, code] : rows) {
        bench.ask(command);
        EXPECT_EQ(code4(bench.ask("CRA")), code) << command;
    }
    bench.ask("C06");
    EXPECT_EQ(code4(bench.ask("CRA")), " 8 0") << "input 2 has no signal";
    bench.ask("C0B");
    EXPECT_EQ(code4(bench.ask("CRA")), " 0 2") << "a mute is reported before a missing signal";
    bench.ask("C01", 2s);
    EXPECT_EQ(code4(bench.ask("CRA")), " F F");
}

TEST(StatusAnswers, LampStateFollowsLampSelectAndPower) {
    Bench bench({"001"}, fast());
    const char* modes[] = {"C70", "C71", "C72"};
    const char* standby[] = {" 0 0", " 1 0", " 2 0"};
    const char* lit[] = {" 0 3", " 1 1", " 2 2"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bench.ask(modes[i]), "\x06\r");
        EXPECT_EQ(code4(bench.ask("CR7")), standby[i]) << modes[i];
    }
    bench.ask("C70");
    bench.ask("C00");
    EXPECT_EQ(code4(bench.ask("CR7")), " 0 3") << "lit from ignition on";
    bench.after(2s);
    for (int i = 0; i < 3; ++i) {
        bench.ask(modes[i]);
        EXPECT_EQ(code4(bench.ask("CR7")), lit[i]) << modes[i];
    }
    bench.ask("C01");
    EXPECT_EQ(code4(bench.ask("CR7")), " 2 0") << "out while cooling";
}

TEST(StatusAnswers, LampHoursAdvanceOnlyWhileALampIsLit) {
    ProjectorSettings settings;
    settings.lampHours = 500;
    Bench bench({"001"}, settings);
    std::string reply = bench.ask("CR3");
    EXPECT_TRUE(allDigitsThenCr(reply)) << reply;
    EXPECT_EQ(rxdText(reply), " 5 0 0 CR ");
    bench.after(5h);
    EXPECT_EQ(bench.ask("CR3"), "500\r") << "stand by";
    bench.ask("C00");
    bench.after(2h);
    EXPECT_EQ(bench.ask("CR3"), "502\r");
    bench.ask("C01");
    bench.after(3h);
    EXPECT_EQ(bench.ask("CR3"), "502\r");
}

TEST(StatusAnswers, LampHoursRunWithTheSpeedFactor) {
    Bench bench({"001"}, fast());
    bench.ask("C00");
    bench.after(3min);
    EXPECT_EQ(bench.ask("CR3"), "1237\r") << "an hour a minute at 60 times";
}

TEST(StatusAnswers, TemperaturesShowInTheDecodersTwoSlices) {
    Bench bench;
    auto shown = [&bench](double* s1, double* s2) {
        const std::string reply = bench.ask("CR6");
        const std::string rxd = rxdText(reply);
        EXPECT_EQ(reply.back(), '\r');
        // S1 is characters 1-10, S2 the 8 characters from 15: received characters 1-5 and 8-11.
        *s1 = std::strtod(withoutBlanks(slice(rxd, 1, 10)).c_str(), nullptr);
        *s2 = std::strtod(withoutBlanks(slice(rxd, 15, 22)).c_str(), nullptr);
        EXPECT_EQ(withoutBlanks(slice(rxd, 1, 10)).size(), 5u) << rxd;
        EXPECT_EQ(withoutBlanks(slice(rxd, 15, 22)).size(), 4u) << rxd;
    };
    double s1 = 0, s2 = 0;
    shown(&s1, &s2);
    EXPECT_NEAR(s1, bench.chain.projector(0).intakeTemperature(bench.now), 0.051);
    EXPECT_NEAR(s2, bench.chain.projector(0).exhaustTemperature(bench.now), 0.051);
    EXPECT_GT(s1, 15);
    EXPECT_LT(s1, 30) << "cold in stand by";
    EXPECT_NEAR(s1, s2, 1.0);

    bench.ask("C00");
    bench.after(1h);
    double hot1 = 0, hot2 = 0;
    shown(&hot1, &hot2);
    EXPECT_NEAR(hot1, bench.chain.projector(0).intakeTemperature(bench.now), 0.051);
    EXPECT_NEAR(hot2, bench.chain.projector(0).exhaustTemperature(bench.now), 0.051);
    EXPECT_GT(hot1, s1 + 5) << "warmer with the lamps lit";
    EXPECT_GT(hot2, hot1 + 5) << "the exhaust hotter than the intake";
    EXPECT_LT(hot2, 99.95) << "within what the second slice can show";

    bench.ask("C01");
    bench.after(2h);
    double cool1 = 0, cool2 = 0;
    shown(&cool1, &cool2);
    EXPECT_LT(cool2, hot2 - 10) << "cooled down again";
}

TEST(StatusAnswers, TemperaturesDoNotDependOnHowOftenTheyAreAsked) {
    Bench often, seldom;
    often.ask("C00");
    seldom.ask("C00");
    for (int i = 0; i < 600; ++i)
        often.ask("CR6", 1s);
    seldom.after(600s);
    EXPECT_EQ(often.ask("CR6"), seldom.ask("CR6"));
}

TEST(StatusAnswers, FreeTextIsTheSignalTypeOfTheCurrentInput) {
    Bench bench;
    EXPECT_EQ(bench.ask("CR9"), "ANALOG\r");
    EXPECT_EQ(bench.ask("CF INPUT2 YPBPR"), "\x06\r");
    EXPECT_EQ(bench.ask("CR9"), "ANALOG\r") << "input 1 is still selected";
    bench.ask("C06");
    EXPECT_EQ(rxdText(bench.ask("CR9")), " Y P B P R CR ");
    EXPECT_EQ(bench.ask("CF INPUT2 HD-SDI"), "\x06\r");
    EXPECT_EQ(bench.ask("CR9"), "HD-SDI\r");
}

TEST(StatusAnswers, PressureReadingConvertsToAPlausibleAirPressure) {
    const std::string reply = Bench().ask("CR PRESSURE");
    EXPECT_TRUE(allDigitsThenCr(reply)) << reply;
    const long hpa = hectopascal(reply);
    EXPECT_GE(hpa, 950);
    EXPECT_LE(hpa, 1050);

    ProjectorSettings settings;
    settings.pressureReading = 512;
    EXPECT_EQ(hectopascal(Bench({"001"}, settings).ask("CR PRESSURE")), 650);
}

TEST(StatusAnswers, PowerFailAnswerEndsWithCr) {
    EXPECT_EQ(Bench().ask("CR INFPFAIL"), "00\r");
}

// --- acknowledgements and refusals ---

TEST(Replies, OperationsAndSettingsOfThePanelAreAcknowledged) {
    Bench bench;
    for (const char* command :
         {"C00", "C1C", "C3F", "C47", "C5D", "C89", "C8A", "C8E", "CF IMAGE REAL", "CF IMAGE IMAGE4",
          "CF INPUT1 DIGITAL", "CF INPUT3 S-VIDEO", "CF FANSPEED MAX", "CF FANSPEED NOR"})
        EXPECT_EQ(bench.ask(command), "\x06\r") << command;
}

TEST(Replies, AnythingElseIsRefusedWithNak) {
    Bench bench;
    for (const char* command :
         {"CR2", "CR5", "CRB", "cr0", "c00", "C0a", "C0G", "C000", "C0", "CF", "CF IMAGE", "CF IMAGE real",
          "CF INPUT4 VIDEO", "CF INPUT1 RGB", "CF FANSPEED", "CR PRESSURE ", "X", " CR0"})
        EXPECT_EQ(bench.ask(command), "\x15\r") << '"' << command << '"';
}

TEST(Replies, NakAndAckShowOnTheRxdLineAsTheyWillInThePanel) {
    Bench bench;
    EXPECT_EQ(rxdText(bench.ask("C00")), " ACK CR ");
    EXPECT_EQ(rxdText(bench.ask("CR2")), " ? CR ");
}

} // namespace
} // namespace q7sim::test
