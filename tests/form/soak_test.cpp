// SPDX-License-Identifier: MIT
// Hours of random operation on the virtual clock, the panel's invariants checked after every event.

#include "design.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace q7 {
namespace {

// A text the trace format can produce: a leading blank, then pieces. "&" is the piece of code 20 and the
// start of the piece of "&" itself, so every way of reading the text is tried.
bool isTrace(const std::string& s) {
    if (s.empty() || s[0] != ' ') return false;
    std::vector<char> reachable(s.size() + 1, 0);
    reachable[1] = 1;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (!reachable[i]) continue;
        for (std::string_view piece : {"ACK ", "CR ", "LF ", "&"})
            if (s.compare(i, piece.size(), piece) == 0) reachable[i + piece.size()] = 1;
        if (i + 1 < s.size() && s[i] >= 32 && s[i] <= 122 && s[i + 1] == ' ') reachable[i + 2] = 1;
    }
    return reachable[s.size()];
}

// What the STATUS line may show for the soak's replies, with anything after them: the code tables' texts for
// "00", "80" and "1"; the lamp hours (a slice of the RXD line, then " Hour Use"); the two temperatures; the
// free text and an unreadable pressure (the RXD line itself); a pressure in hPa.
bool isStatusText(const std::string& s) {
    static const std::set<std::string> kTables = {" Power ON",
                                                  " Stand by",
                                                  " No signal",
                                                  " Input mode 1",
                                                  " Top/Bottom , Left/Right reversal",
                                                  " Video & Audio mute OFF",
                                                  " All OFF : 2 Lamp mode"};
    const bool printable = std::all_of(s.begin(), s.end(), [](char c) { return c >= ' ' && c <= '~'; });
    const std::size_t digits = s.find_first_not_of("0123456789", s.starts_with('-'));
    const std::size_t s2 = s.find(" C  ,   S2= ");
    return s.empty() || kTables.count(s) || isTrace(s) ||
           (printable && s.starts_with(' ') && s.ends_with(" Hour Use") && s.size() <= 38 + 9) ||
           (printable && s.starts_with("  S1= ") && s2 != std::string::npos && s2 <= 15 &&
            s.ends_with(" C")) ||
           (digits != std::string::npos && digits > s.starts_with('-') && s.substr(digits) == " hPa");
}

TEST(Soak, HoursOfRandomOperation) {
    const char* const replies[] = {"00\r", "80\r", "1\r", "12345\r", "123456789AB\r", "512\r", "\x06\r"};
    for (unsigned seed : {1u, 2u, 3u}) {
        test::Panel p;
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        std::string held;
        while (p.ui.clock.now() < 3600 * 1000 && !HasFatalFailure()) {
            switch (pick(12)) {
            case 0:
            case 1:
                p.form.click(test::id(design::kControls[pick(std::size(design::kControls))].name));
                break;
            case 2:
                if (held.empty())
                    p.form.press(test::id(held = design::kHeld[pick(std::size(design::kHeld))].name));
                break;
            case 3: {
                if (held.empty()) break;
                if (pick(4))
                    p.form.release(test::id(held));
                else
                    p.form.holdInterrupted();
                held.clear();
                const std::size_t writes = p.written().size();
                p.advance(pick(400));
                EXPECT_EQ(p.written().size(), writes) << "a frame after the hold ended";
                break;
            }
            case 4:
                p.ui.fakePort.refused = {"/dev/fake" + std::to_string(1 + pick(3))}; // no fake3: both open
                if (pick(8) == 0 && p.ui.fakePort.isOpen()) p.ui.fakePort.lose();
                break;
            case 5:
            case 6: {
                std::string bytes = replies[pick(std::size(replies))];
                for (int n = pick(2) ? 0 : 1 + pick(pick(10) ? 20 : 4000); n > 0; --n)
                    bytes += static_cast<char>(pick(256));
                p.ui.fakePort.incoming = bytes;
                p.form.comm(pick(10) ? 2 : 1);
                p.ui.fakePort.incoming.clear();
                break;
            }
            case 7:
                pick(2) ? p.form.keyDown(0x4A, pick(8)) : p.form.dblClick("Image1");
                p.ui.setText(Text1, pick(2) ? "CR0" : std::string(1, static_cast<char>(pick(256))));
                break;
            default:
                p.advance(pick(2) ? pick(60) : pick(6000));
                break;
            }
            ASSERT_LE(p.form.ReceiveBuffer.size(), 32767u);
            ASSERT_EQ(p.form.HeldButton != 0, !held.empty()) << "a hold outlived its release";
            ASSERT_EQ(p.ui.timer(Timer1).isEnabled(), !held.empty()) << "the repeat outlived the hold";
            ASSERT_TRUE(p.txd().empty() || isTrace(p.txd())) << p.txd();
            ASSERT_TRUE(p.rxd().empty() || p.rxd() == " X X X X" || isTrace(p.rxd())) << p.rxd();
            ASSERT_TRUE(isStatusText(p.status())) << p.status();
        }
        // With nothing held and nothing arriving, everything winds down after a last command.
        if (!held.empty()) p.form.release(test::id(held));
        p.form.click("Command18");
        const std::size_t writes = p.written().size();
        p.advance(10000);
        EXPECT_EQ(p.written().size(), writes);
        for (const TimerId t : {Timer1, Timer2, Timer3, Timer4})
            EXPECT_FALSE(p.ui.timer(t).isEnabled()) << "Timer" << t;
        EXPECT_EQ(p.txd() + p.rxd() + p.status(), "");
    }
}

} // namespace
} // namespace q7
