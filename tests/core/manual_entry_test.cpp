// SPDX-License-Identifier: MIT
// The CMD box: whatever it holds goes out framed, unaltered.

#include "fake_window.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using test::Panel;

struct TypedCase {
    const char* name;
    const char* option;
    std::string typed;
    std::string frame;
};

class ManualEntry : public ::testing::TestWithParam<TypedCase> {};

TEST_P(ManualEntry, SendsTheBoxAsItStands) {
    Panel p;
    p.form.click(GetParam().option);
    p.ui.setText(ControlId("Text1"), GetParam().typed);
    p.form.click("Command95");
    ASSERT_EQ(p.written().size(), 1u);
    EXPECT_EQ(p.written()[0], GetParam().frame);
    EXPECT_EQ(p.ui.text(ControlId("Text1")), GetParam().typed) << "the box is not cleared";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ManualEntry,
    ::testing::Values(TypedCase{"EmptyIsABareCr", "Option3", "", "\r"},
                      TypedCase{"EmptyToAll", "Option4", "", "AFFF\r"},
                      TypedCase{"LowerCaseUnchanged", "Option3", "cr0", "cr0\r"},
                      TypedCase{"BlanksKept", "Option3", " C00 ", " C00 \r"},
                      TypedCase{"TypedAddressAfterThePrefix", "Option5", "A002C00", "A001A002C00\r"},
                      TypedCase{"OwnCarriageReturn", "Option3", "C00\rC01", "C00\rC01\r"},
                      TypedCase{"Latin1Byte", "Option3", "C\xe9", "C\xe9\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ManualEntry, SendAgainSendsTheSameTextAndSetsTheLongWindow) {
    Panel p;
    p.ui.setText(ControlId("Text1"), "C00");
    p.form.click("Command95");
    p.form.click("Command95");
    EXPECT_EQ(p.written(), (std::vector<std::string>{"C00\r", "C00\r"}));
    EXPECT_EQ(p.ui.timer(Timer2).interval(), 2000);
    EXPECT_EQ(p.ui.timer(Timer4).interval(), 2500);
    p.ui.clock.advance(1999);
    EXPECT_EQ(p.rxd(), "");
    p.ui.clock.advance(1);
    EXPECT_EQ(p.rxd(), " X X X X");
}

TEST(ManualEntry, NonAsciiShowsOnePlaceholderPerCharacter) {
    Panel p;
    p.ui.setText(ControlId("Text1"), "C\xe9?");
    p.form.click("Command95");
    EXPECT_EQ(p.txd(), " C ? ? CR ");
}

TEST(ManualEntry, ClsEmptiesTheBoxAndNothingElse) {
    Panel p;
    p.form.click("Command44");
    p.receive("00\r");
    p.ui.setText(ControlId("Text1"), "C00");
    const auto before = std::make_tuple(p.txd(), p.rxd(), p.status(), p.form.OutgoingCommand,
                                        p.ui.timer(Timer2).isEnabled(), p.ui.timer(Timer4).isEnabled());
    p.form.click("Command96");
    EXPECT_EQ(p.ui.text(ControlId("Text1")), "");
    EXPECT_EQ(p.written().size(), 1u);
    EXPECT_EQ(std::make_tuple(p.txd(), p.rxd(), p.status(), p.form.OutgoingCommand,
                              p.ui.timer(Timer2).isEnabled(), p.ui.timer(Timer4).isEnabled()),
              before);
}

} // namespace
} // namespace q7
