// SPDX-License-Identifier: MIT
// The STATUS line: which replies are decoded, the slices and texts, and the pressure reading.

#include "display/number_reader.h"
#include "display/status_decoder.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace q7 {
namespace {

using test::Panel;

constexpr std::int16_t kUntouched = 4321;

struct DecodeRow {
    const char* name;
    std::string outgoing;
    std::string prefix;
    std::string rxd;
    std::optional<std::string> status;
};

std::string rowName(const ::testing::TestParamInfo<DecodeRow>& info) {
    return info.param.name;
}

class DecodeStatus : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeStatus, ShowsTheTextOrLeavesTheLine) {
    const DecodeRow& row = GetParam();
    std::int16_t pressure = kUntouched;
    EXPECT_EQ(decodeStatusReply(row.outgoing, row.prefix, row.rxd, pressure), row.status);
    EXPECT_EQ(pressure, kUntouched) << "only a pressure answer writes PressureValue";
}

INSTANTIATE_TEST_SUITE_P(
    CodeTables, DecodeStatus,
    ::testing::Values(
        DecodeRow{"StatusPowerOn", "CR0\r", "", " 0 0 CR ", " Power ON"},
        DecodeRow{"StatusStandBy", "CR0\r", "", " 8 0 CR ", " Stand by"},
        DecodeRow{"StatusNoKeyInputKeepsTrailingBlank", "CR0\r", "", " 0 2 CR ", " NO Key input "},
        DecodeRow{"StatusTemperetureSpelling", "CR0\r", "", " 2 4 CR ",
                  " Lamp OFF & Tempereture Warning by PWR Management"},
        DecodeRow{"StatusSutandbySpelling", "CR0\r", "", " 8 1 CR ",
                  " Cooling down & sutandby (All Lamp FAIL)"},
        DecodeRow{"StatusCodeReadFromLeftNotAsBits", "CR0\r", "", " 0 8 CR ",
                  " Temperature Warning(Power ON)"},
        DecodeRow{"StatusOneCharacterMatchesNothing", "CR0\r", "", " 0 ", std::nullopt},
        DecodeRow{"StatusUnknownCodeShowsNothing", "CR0\r", "", " 9 9 CR ", std::nullopt},
        DecodeRow{"StatusAckShiftsTheSlice", "CR0\r", "", " ACK 0 0 CR ", std::nullopt},
        DecodeRow{"StatusEmptyText", "CR0\r", "", "", std::nullopt},
        DecodeRow{"ModeMatchesAfterOneCharacter", "CR1\r", "", " 1 ", " Input mode 1"},
        DecodeRow{"ModeOnlyFirstCharacterCounts", "CR1\r", "", " 1 2 CR ", " Input mode 1"},
        DecodeRow{"ModeFour", "CR1\r", "", " 4 CR ", " Input mode 4"},
        DecodeRow{"ModeUnknown", "CR1\r", "", " 5 CR ", std::nullopt},
        DecodeRow{"ModeEmptyText", "CR1\r", "", "", std::nullopt},
        DecodeRow{"SettingSameCodeOtherTable", "CR4\r", "", " 0 0 CR ", " Top/Bottom , Left/Right reversal"},
        DecodeRow{"SettingNormally", "CR4\r", "", " 1 1 CR ", " Normally"},
        DecodeRow{"SettingTwoMuteOff", "CRA\r", "", " 0 0 CR ", " Video & Audio mute OFF"},
        DecodeRow{"SettingTwoStandBy", "CRA\r", "", " F F CR ", " Stand by"},
        DecodeRow{"SettingTwoEightyIsNoSignal", "CRA\r", "", " 8 0 CR ", " No signal"},
        DecodeRow{"SettingTwoCodesAreCaseSensitive", "CRA\r", "", " f f CR ", std::nullopt},
        DecodeRow{"LampModeAllOff", "CR7\r", "", " 0 0 CR ", " All OFF : 2 Lamp mode"},
        DecodeRow{"LampModeDoubleBlank", "CR7\r", "", " 0 1 CR ", " No1 ON  : 2 Lamp mode"},
        DecodeRow{"LampModeSecondLampInUse", "CR7\r", "", " 2 2 CR ", " No2 ON  : 1 Lamp mode(No2 USE)"},
        DecodeRow{"LampModeCodeOfNoRow", "CR7\r", "", " 1 2 CR ", std::nullopt}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    WhichQuery, DecodeStatus,
    ::testing::Values(DecodeRow{"OtherCommandNotDecoded", "C00\r", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"PowerFailQueryNotDecoded", "CR INFPFAIL\r", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"LowerCaseQueryNotDecoded", "cr0\r", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"QueryWithoutCrNotDecoded", "CR0", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"QueryWithLineFeedNotDecoded", "CR0\r\n", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"QueryWithBlankNotDecoded", "CR0 \r", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"NothingSentYet", "", "", " 0 0 CR ", std::nullopt},
                      DecodeRow{"AddressedQueryStillSelected", "A001CR0\r", "A001", " 0 0 CR ", " Power ON"},
                      DecodeRow{"AllProjectorsQuery", "AFFFCRA\r", "AFFF", " F F CR ", " Stand by"},
                      DecodeRow{"PrefixChangedToAll", "A001CR0\r", "AFFF", " 0 0 CR ", std::nullopt},
                      DecodeRow{"PrefixChosenAfterSingleQuery", "CR0\r", "A001", " 0 0 CR ", std::nullopt},
                      DecodeRow{"BackToSingleAfterAddressedQuery", "A002CR9\r", "", " X ", std::nullopt}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    Slices, DecodeStatus,
    ::testing::Values(
        DecodeRow{"LampHoursKeepCrToken", "CR3\r", "", " 1 2 3 4 5 CR ", " 1 2 3 4 5 CR  Hour Use"},
        DecodeRow{"LampHoursCutAfter38", "CR3\r", "", " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 CR ",
                  " 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 Hour Use"},
        DecodeRow{"LampHoursEmpty", "CR3\r", "", "", " Hour Use"},
        DecodeRow{"TemperaturesEleven", "CR6\r", "", " 1 2 3 4 5 6 7 8 9 A B CR ",
                  "  S1= 1 2 3 4 5 C  ,   S2=  8 9 A B C"},
        DecodeRow{"TemperaturesFourteenCharactersNoS2", "CR6\r", "", " 1 2 3 4 5 CR ",
                  "  S1= 1 2 3 4 5 C  ,   S2=  C"},
        DecodeRow{"TemperaturesS2FromPosition15", "CR6\r", "", " 1 2 3 4 5 6 CR ",
                  "  S1= 1 2 3 4 5 C  ,   S2= R  C"},
        DecodeRow{"TemperaturesShort", "CR6\r", "", " 2 ", "  S1= 2  C  ,   S2=  C"},
        DecodeRow{"TemperaturesEmpty", "CR6\r", "", "", "  S1= C  ,   S2=  C"},
        DecodeRow{"FreeTextWhole", "CR9\r", "", " P C - 9 8 CR ", " P C - 9 8 CR "},
        DecodeRow{"FreeTextEmpty", "CR9\r", "", "", ""}),
    rowName);

struct PressureRow {
    const char* name;
    std::string rxd;
    std::string status;
    std::int16_t pressureValue;
};

void PrintTo(const PressureRow& row, std::ostream* os) {
    *os << row.name;
}

class Pressure : public ::testing::TestWithParam<PressureRow> {};

TEST_P(Pressure, ReadsConvertsAndStores) {
    const PressureRow& row = GetParam();
    std::int16_t pressure = kUntouched;
    EXPECT_EQ(decodeStatusReply("A003CR PRESSURE\r", "A003", row.rxd, pressure), row.status);
    EXPECT_EQ(pressure, row.pressureValue);
}

std::string pressureRowName(const ::testing::TestParamInfo<PressureRow>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    InRange, Pressure,
    ::testing::Values(PressureRow{"Reading512", " 5 1 2 CR ", "650 hPa", 650},
                      PressureRow{"Reading1023", " 1 0 2 3 CR ", "1194 hPa", 1194},
                      PressureRow{"ReadingZero", " 0 CR ", "106 hPa", 106},
                      PressureRow{"NoDigits", " O K CR ", "106 hPa", 106},
                      PressureRow{"Empty", "", "106 hPa", 106},
                      PressureRow{"AckBeforeDigits", " ACK 5 1 2 CR ", "106 hPa", 106},
                      PressureRow{"ExtraBlanksInsideDigits", "   5  1   2 CR ", "650 hPa", 650},
                      PressureRow{"PlusSign", " + 5 1 2 CR ", "650 hPa", 650},
                      PressureRow{"NegativeGivesNegativeText", " - 5 1 2 CR ", "-439 hPa", -439},
                      PressureRow{"MinusOne", " - 1 CR ", "104 hPa", 104},
                      PressureRow{"DecimalRoundsDown", " 5 1 2 . 4 9 CR ", "650 hPa", 650},
                      PressureRow{"DecimalRoundsUp", " 5 1 1 . 6 CR ", "650 hPa", 650},
                      PressureRow{"LeadingPoint", " . 6 CR ", "107 hPa", 107},
                      PressureRow{"SecondPointEndsTheNumber", " 5 1 2 . 4 . 9 CR ", "650 hPa", 650},
                      PressureRow{"HalfToEvenDown", " 2 . 5 CR ", "108 hPa", 108},
                      PressureRow{"HalfToEvenUp", " 3 . 5 CR ", "110 hPa", 110},
                      PressureRow{"HalfToZero", " 0 . 5 CR ", "106 hPa", 106},
                      PressureRow{"NegativeHalfToEven", " - 2 . 5 CR ", "103 hPa", 103},
                      PressureRow{"HalfAbove512", " 5 1 2 . 5 CR ", "650 hPa", 650},
                      PressureRow{"ExponentE", " 5 . 1 2 E 2 CR ", "650 hPa", 650},
                      PressureRow{"ExponentLowerCaseE", " 5 . 1 2 e 2 CR ", "650 hPa", 650},
                      PressureRow{"ExponentPlusSign", " 5 . 1 2 E + 2 CR ", "650 hPa", 650},
                      PressureRow{"ExponentD", " 5 1 2 0 D - 1 CR ", "650 hPa", 650},
                      PressureRow{"ExponentWithoutDigits", " 5 1 2 E CR ", "650 hPa", 650},
                      PressureRow{"TinyExponentReadsZero", " 1 E - 4 0 0 CR ", "106 hPa", 106},
                      PressureRow{"Hex", " & H 2 0 0 ", "650 hPa", 650},
                      PressureRow{"HexLowerCase", " & h 2 0 0 ", "650 hPa", 650},
                      // the C of the CR token is a hexadecimal digit: &H20 followed by CR reads &H20C
                      PressureRow{"HexTakesTheCOfCr", " & H 2 0 CR ", "663 hPa", 663},
                      PressureRow{"Hex16BitsIsSigned", " & H F F F F ", "104 hPa", 104},
                      PressureRow{"HexWithoutDigits", " & H G CR ", "106 hPa", 106},
                      PressureRow{"Octal", " & O 1 0 0 0 CR ", "650 hPa", 650},
                      PressureRow{"Octal16BitsIsSigned", " & O 1 7 7 7 7 7 CR ", "104 hPa", 104},
                      PressureRow{"AmpersandWithoutRadix", " & 5 1 2 CR ", "106 hPa", 106},
                      PressureRow{"HighestReading", " 6 5 5 3 CR ", "7077 hPa", 7077},
                      PressureRow{"LowestReading", " - 6 5 5 3 CR ", "-6865 hPa", -6865},
                      PressureRow{"HalfBelowLimitRoundsIn", " 6 5 5 2 . 5 CR ", "7076 hPa", 7076}),
    pressureRowName);

// Out of range: the raw RXD text, and PressureValue keeps what it held.
INSTANTIATE_TEST_SUITE_P(
    OutOfRange, Pressure,
    ::testing::Values(
        PressureRow{"ProductOverflowsAbove", " 6 5 5 4 CR ", " 6 5 5 4 CR ", kUntouched},
        PressureRow{"ProductOverflowsBelow", " - 6 5 5 4 CR ", " - 6 5 5 4 CR ", kUntouched},
        PressureRow{"HalfAboveLimitRoundsOut", " 6 5 5 3 . 5 CR ", " 6 5 5 3 . 5 CR ", kUntouched},
        PressureRow{"BeyondSixteenBits", " 4 0 0 0 0 CR ", " 4 0 0 0 0 CR ", kUntouched},
        PressureRow{"HugeExponent", " 1 E 4 0 0 CR ", " 1 E 4 0 0 CR ", kUntouched},
        PressureRow{"ExponentDigitsBeyondAnyInteger", " 1 E 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 ",
                    " 1 E 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 ", kUntouched},
        PressureRow{"HexBeyondSixteenBits", " & H 1 0 0 0 0 ", " & H 1 0 0 0 0 ", kUntouched},
        PressureRow{"HexBeyondThirtyTwoBits", " & H 1 2 3 4 5 6 7 8 9 ", " & H 1 2 3 4 5 6 7 8 9 ",
                    kUntouched}),
    pressureRowName);

TEST(Pressure, LongDigitRunsNeitherCrashNorMisread) {
    std::int16_t pressure = kUntouched;
    const std::string nines(200000, '9');
    EXPECT_EQ(decodeStatusReply("CR PRESSURE\r", "", nines, pressure), nines);
    EXPECT_EQ(pressure, kUntouched);

    const std::string tiny = "0." + std::string(200000, '0') + "1";
    EXPECT_EQ(decodeStatusReply("CR PRESSURE\r", "", tiny, pressure), "106 hPa");

    const std::string longInRange = "512." + std::string(5000, '4') + "9";
    EXPECT_EQ(decodeStatusReply("CR PRESSURE\r", "", longInRange, pressure), "650 hPa");
    EXPECT_EQ(pressure, 650);

    const std::string scaledDown = "512" + std::string(100000, '0') + "E-100000";
    EXPECT_EQ(decodeStatusReply("CR PRESSURE\r", "", scaledDown, pressure), "650 hPa");
}

TEST(Decoder, ArbitraryTextKeepsEachAnswerInItsShape) {
    // Every single byte, runs of it, awkward number forms and a megabyte; the sanitizer build also turns any
    // out-of-bounds read or overflow on the way into a failure.
    std::vector<std::string> texts = {std::string(1 << 20, 'x'), std::string(1 << 20, '7')};
    for (const char* awkward : {"&", "&H", "&O", "-", "+-1", ".", "E5", "1E", "1E-", "1D+", "&HFFFFFFFF",
                                "&O37777777777", "&O40000000000", "9.9E999999999999999999999999"})
        texts.emplace_back(awkward);
    for (int byte = 0; byte < 256; ++byte) {
        texts.emplace_back(1, static_cast<char>(byte));
        texts.emplace_back(40, static_cast<char>(byte));
    }
    const auto endsWith = [](const std::string& text, std::string_view tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    for (const std::string& text : texts) {
        std::int16_t pressure = kUntouched;
        const auto hours = decodeStatusReply("CR3\r", "", text, pressure);
        ASSERT_TRUE(hours);
        EXPECT_TRUE(endsWith(*hours, " Hour Use") && hours->size() <= 38 + 9);
        const auto temperatures = decodeStatusReply("CR6\r", "", text, pressure);
        ASSERT_TRUE(temperatures);
        EXPECT_TRUE(temperatures->starts_with("  S1=") && temperatures->size() <= 5 + 10 + 12 + 8 + 2);
        EXPECT_EQ(decodeStatusReply("CR9\r", "", text, pressure), text);
        EXPECT_EQ(pressure, kUntouched);
        for (const char* query : {"CR0\r", "CR1\r", "CR4\r", "CRA\r", "CR7\r"}) {
            const auto status = decodeStatusReply(query, "", text, pressure);
            EXPECT_TRUE(!status || (status->starts_with(' ') && status->size() < 64)) << query;
        }
        const auto hpa = decodeStatusReply("CR PRESSURE\r", "", text, pressure);
        ASSERT_TRUE(hpa);
        if (*hpa != text) {
            EXPECT_EQ(*hpa, std::to_string(pressure) + " hPa");
        } else {
            EXPECT_EQ(pressure, kUntouched);
        }
    }
}

struct NumberRow {
    const char* name;
    std::string text;
    std::optional<double> value;
};

void PrintTo(const NumberRow& row, std::ostream* os) {
    *os << row.name;
}

class ReadNumber : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ReadNumber, ReadsAsValDoes) {
    EXPECT_EQ(readNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReadNumber,
    ::testing::Values(
        NumberRow{"Empty", "", 0.0}, NumberRow{"OnlyBlanks", "   ", 0.0}, NumberRow{"Letters", "abc", 0.0},
        NumberRow{"SignAlone", "-", 0.0}, NumberRow{"PointAlone", ".", 0.0},
        NumberRow{"TwoSigns", "+-1", 0.0}, NumberRow{"ExponentWithoutMantissa", "E5", 0.0},
        NumberRow{"PointThenExponent", ".E5", 0.0}, NumberRow{"BlanksAnywhere", " 1 2 . 5 E 1 ", 125.0},
        NumberRow{"TrailingPoint", "7.", 7.0}, NumberRow{"LeadingZeros", "000012", 12.0},
        NumberRow{"CommaEndsIt", "1,5", 1.0}, NumberRow{"NegativeFraction", "-.25", -0.25},
        NumberRow{"ExponentD", "1.5D3", 1500.0}, NumberRow{"LowerCaseD", "2d-1", 0.2},
        NumberRow{"ExponentSignOnly", "3E-", 3.0}, NumberRow{"SignBeforeRadixIsNoNumber", "-&H10", 0.0},
        NumberRow{"CStyleHex", "0x10", 0.0}, NumberRow{"HexUpTo16BitsWraps", "&H8000", -32768.0},
        NumberRow{"HexAbove16BitsIsLong", "&H10000", 65536.0},
        NumberRow{"HexLeadingZerosDoNotWiden", "&H0000FFFF", -1.0},
        NumberRow{"Hex32BitsWraps", "&HFFFFFFFF", -1.0}, NumberRow{"HexTooLong", "&H100000000", {}},
        NumberRow{"HexStopsAtNonDigit", "&H1G", 1.0}, NumberRow{"OctalStopsAt8", "&O78", 7.0},
        NumberRow{"OctalLong", "&O200000", 65536.0}, NumberRow{"OctalTooLong", "&O40000000000", {}},
        NumberRow{"LargestDouble", "1.7976931348623157E308", 1.7976931348623157e308},
        NumberRow{"BeyondDouble", "1.8E308", {}}, NumberRow{"SubnormalKept", "5E-324", 5e-324},
        NumberRow{"BelowSubnormal", "1E-400", 0.0}, NumberRow{"ZeroWithHugeExponent", "0E99999", 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    // The conversion's rounding of the pressure never meets an exact half for a 16-bit product, so the halves
    // of that step are proven here, on the function both steps use.
    EXPECT_EQ(roundHalfEven(0.5), 0.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(-0.5), 0.0);
    EXPECT_EQ(roundHalfEven(-1.5), -2.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(649.5), 650.0);
    EXPECT_EQ(roundHalfEven(650.5), 650.0);
    EXPECT_EQ(roundHalfEven(-762.5), -762.0);
    EXPECT_EQ(roundHalfEven(-763.5), -764.0);
}

TEST(RoundHalfEven, NonHalvesGoToTheNearest) {
    EXPECT_EQ(roundHalfEven(2.4999999999999996), 2.0);
    EXPECT_EQ(roundHalfEven(2.5000000000000004), 3.0);
    EXPECT_EQ(roundHalfEven(-0.49999999999999994), 0.0);
    EXPECT_EQ(roundHalfEven(-0.5000000000000001), -1.0);
    EXPECT_EQ(roundHalfEven(-762.4999999999999), -762.0);
    EXPECT_EQ(roundHalfEven(9007199254740993.0), 9007199254740993.0);
    EXPECT_EQ(roundHalfEven(-1e-300), 0.0);
}

// Through the form: the receive event, the RXD line read back, the STATUS line.

TEST(StatusLine, ReplyInPiecesDecodesOnceEnoughHasArrived) {
    Panel p;
    p.form.click("Command44");
    p.receive("0");
    EXPECT_EQ(p.rxd(), " 0 ");
    EXPECT_EQ(p.status(), "");
    p.receive("0\r");
    EXPECT_EQ(p.status(), " Power ON");
}

TEST(StatusLine, PartialReplyKeepsThePreviousText) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    p.ui.clock.advance(600); // the reply window has emptied ReceiveBuffer; the clearing is still to come
    p.form.click("Command44");
    p.receive("8");
    EXPECT_EQ(p.status(), " Power ON");
    p.receive("0\r");
    EXPECT_EQ(p.status(), " Stand by");
}

TEST(StatusLine, ModeShowsAsSoonAsTheFirstCharacterArrives) {
    Panel p;
    p.form.click("Command45");
    p.receive("3");
    EXPECT_EQ(p.status(), " Input mode 3");
}

TEST(StatusLine, PressureInPiecesEndsOnTheWholeReading) {
    Panel p;
    p.form.click("Command99");
    p.receive("5");
    EXPECT_EQ(p.status(), "111 hPa");
    p.receive("12\r");
    EXPECT_EQ(p.status(), "650 hPa");
    EXPECT_EQ(p.form.PressureValue, 650);
}

TEST(StatusLine, PressureOutOfRangeShowsTheRawReply) {
    Panel p;
    p.form.click("Command99");
    p.receive("512\r");
    p.ui.clock.advance(600);
    p.form.click("Command99");
    p.receive("7000\r");
    EXPECT_EQ(p.status(), " 7 0 0 0 CR ");
    EXPECT_EQ(p.form.PressureValue, 650);
}

TEST(StatusLine, TypedQueryDecodedLikeTheButton) {
    for (const std::string reply : {"00\r", "80\r", "21\r"}) {
        Panel button;
        button.form.click("Command44");
        button.receive(reply);

        Panel typed;
        typed.ui.setText(ControlId("Text1"), "CR0");
        typed.form.click("Command95");
        typed.receive(reply);

        ASSERT_EQ(typed.written(), std::vector<std::string>{"CR0\r"});
        EXPECT_NE(button.status(), "") << reply;
        EXPECT_EQ(typed.status(), button.status()) << reply;
    }
}

TEST(StatusLine, TypedLowerCaseQueryNotDecoded) {
    Panel p;
    p.ui.setText(ControlId("Text1"), "cr0");
    p.form.click("Command95");
    p.receive("00\r");
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.status(), "");
}

TEST(StatusLine, AddressedQueryDecodedWhileItsProjectorStaysSelected) {
    Panel p;
    p.form.click("Option5");
    p.form.click("Command12");
    p.receive("FF\r");
    EXPECT_EQ(p.written().back(), "A001CRA\r");
    EXPECT_EQ(p.status(), " Stand by");
}

TEST(StatusLine, ProjectorChangedBeforeTheAnswerNotDecoded) {
    Panel p;
    p.form.click("Option5");
    p.form.click("Command44");
    p.form.click("Option4");
    p.receive("00\r");
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.status(), "");
}

TEST(StatusLine, PowerFailAnswerLeavesTheLineAlone) {
    Panel p;
    p.form.click("Command55");
    p.receive("03\r");
    ASSERT_EQ(p.status(), " No1,2 ON  : 2 Lamp mode");
    p.ui.clock.advance(600);
    p.form.click("Command52");
    p.receive("00\r");
    EXPECT_EQ(p.rxd(), " 0 0 CR ");
    EXPECT_EQ(p.status(), " No1,2 ON  : 2 Lamp mode");
}

TEST(CodeTableTexts, OnlyWhatATableWritesCounts) {
    EXPECT_TRUE(isCodeTableText(" Power ON"));
    EXPECT_TRUE(isCodeTableText(" No1 ON  : 2 Lamp mode"));
    EXPECT_FALSE(isCodeTableText(" Power On"));
    EXPECT_FALSE(isCodeTableText(" No1 ON : 2 Lamp mode")) << "the double blank is part of the text";
    EXPECT_FALSE(isCodeTableText("650 hPa"));
    EXPECT_FALSE(isCodeTableText(""));
}

} // namespace
} // namespace q7
