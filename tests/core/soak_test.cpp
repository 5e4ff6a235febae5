// SPDX-License-Identifier: MIT
// Hours of random operation on the virtual clock, with the panel's invariants checked after every event.

#include "display/trace.h"
#include "fake_window.h"
#include "panel/views.h"
#include "protocol/command_catalogue.h"
#include "protocol/held_buttons.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

namespace q7 {
namespace {

using test::Panel;

// A text the trace format can produce: a leading blank, then pieces. "&" is both the piece of code 20 and the
// start of the piece of "&" itself, so every way of reading the text is tried.
bool isTrace(const std::string& s) {
    if (s.empty() || s[0] != ' ') return false;
    std::vector<char> reachable(s.size() + 1, 0);
    reachable[1] = 1;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (!reachable[i]) continue;
        auto mark = [&](std::string_view piece) {
            if (s.compare(i, piece.size(), piece) == 0) reachable[i + piece.size()] = 1;
        };
        mark("ACK ");
        mark("CR ");
        mark("LF ");
        mark("&");
        if (i + 1 < s.size() && s[i] >= 32 && s[i] <= 122 && s[i + 1] == ' ') reachable[i + 2] = 1;
    }
    return reachable[s.size()];
}

bool isStatusText(const std::string& s) {
    static const std::regex pressure("-?[0-9]+ hPa");
    for (char c : s)
        if (c < 32 || c > 126) return false;
    return s.empty() || s[0] == ' ' || std::regex_match(s, pressure);
}

TEST(TraceValidator, RecognisesTracesAndRejectsOthers) {
    EXPECT_TRUE(isTrace(traceText("A001CR0\r\x06\x14\x01{\n")));
    EXPECT_FALSE(isTrace(" X X X X")) << "the mark of a missing reply is no trace";
    EXPECT_FALSE(isTrace("X"));
    EXPECT_FALSE(isTrace(" AB"));
    EXPECT_FALSE(isTrace(""));
}

class Soak {
  public:
    explicit Soak(unsigned seed) : rng_(seed) {
        for (const auto& e : commandCatalogue())
            oneShot_.push_back(e.control);
        for (const auto& h : heldButtons())
            held_.push_back(h.control);
    }

    void run(std::int64_t virtualMs) {
        while (p_.ui.clock.now() < virtualMs && !::testing::Test::HasFatalFailure()) {
            step();
            check();
        }
        quiesce();
    }

    std::size_t events = 0;

  private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string randomBytes(int max) {
        std::string s(static_cast<std::size_t>(pick(max) + 1), '\0');
        for (char& c : s)
            c = static_cast<char>(pick(256));
        return s;
    }

    void step() {
        ++events;
        switch (pick(16)) {
        case 0:
        case 1:
        case 2:
            p_.form.click(oneShot_[static_cast<std::size_t>(pick(static_cast<int>(oneShot_.size())))]);
            break;
        case 3:
        case 4: {
            if (!heldControl_.empty()) break;
            heldControl_ = held_[static_cast<std::size_t>(pick(static_cast<int>(held_.size())))];
            p_.form.press(heldControl_);
            break;
        }
        case 5:
            if (heldControl_.empty()) break;
            if (pick(4) == 0)
                p_.form.holdInterrupted();
            else
                p_.form.release(heldControl_);
            heldControl_.clear();
            // Nothing is written once the hold has ended, until the operator acts again.
            writesAtRelease_ = p_.ui.fakePort().writes.size();
            p_.ui.clock.advance(pick(400));
            EXPECT_EQ(p_.ui.fakePort().writes.size(), writesAtRelease_);
            break;
        case 6:
            p_.form.click("Option" + std::to_string(3 + pick(6)));
            break;
        case 7: {
            p_.ui.fakePort().refusedPorts.clear();
            if (pick(3) == 0) p_.ui.fakePort().refusedPorts.insert(1 + pick(2));
            p_.form.click(pick(2) ? "Option1" : "Option2");
            break;
        }
        case 8:
            p_.form.click(pick(2) ? "Option9" : "Option10");
            break;
        case 9: {
            static const char* replies[] = {"00\r",          "80\r",  "1\r",    "11\r", "12345\r",
                                            "123456789AB\r", "512\r", "\x06\r", "FF\r", "03\r"};
            receive(replies[pick(10)]);
            break;
        }
        case 10:
            receive(randomBytes(pick(10) == 0 ? 4000 : 20));
            break;
        case 11:
            if (pick(8) == 0) p_.form.portLost();
            break;
        case 12:
            p_.form.click(pick(2) ? "Command33" : "Command34");
            break;
        case 13:
            if (pick(2))
                p_.form.keyDown(kKeyJ, pick(8));
            else
                p_.form.dblClick("Image1");
            break;
        case 14:
            p_.ui.setText(ControlId("Text1"), pick(2) ? randomBytes(12) : std::string("CR0"));
            p_.form.click(pick(4) ? "Command95" : "Command96");
            break;
        default:
            p_.ui.clock.advance(pick(2) ? pick(60) : pick(6000));
            break;
        }
    }

    void receive(const std::string& bytes) {
        p_.ui.fakePort().incoming += bytes;
        p_.form.comm(pick(10) == 0 ? 1 + pick(3) : 2);
        p_.ui.fakePort().incoming.clear();
    }

    void check() {
        const Form1& f = p_.form;
        ASSERT_LE(f.ReceiveBuffer.size(), Form1::kReceiveBufferLimit);
        ASSERT_EQ(f.HeldButton != 0, !heldControl_.empty()) << "a hold outlived its release";
        ASSERT_EQ(p_.ui.timer(Timer1).isEnabled(), !heldControl_.empty())
            << "the repeat timer outlived the hold";
        ASSERT_LE(f.AwaitingReply, 1);
        const std::string txd = p_.txd();
        ASSERT_TRUE(txd.empty() || txd == traceText(f.OutgoingCommand)) << txd;
        const std::string rxd = p_.rxd();
        ASSERT_TRUE(rxd.empty() || rxd == kNoReply || isTrace(rxd)) << rxd;
        ASSERT_TRUE(isStatusText(p_.status())) << p_.status();
        const int h = p_.ui.windowHeight();
        ASSERT_TRUE(h == 5350 || h == 6645 || h == 7200 || h == 9100) << h;
    }

    // With nothing held and nothing arriving, everything winds down.
    void quiesce() {
        if (!heldControl_.empty()) p_.form.release(heldControl_);
        heldControl_.clear();
        const auto writes = p_.ui.fakePort().writes.size();
        p_.ui.clock.advance(10000);
        EXPECT_EQ(p_.ui.fakePort().writes.size(), writes);
        for (const TimerId n : {Timer1, Timer2, Timer3, Timer4})
            EXPECT_FALSE(p_.ui.timer(n).isEnabled()) << "Timer" << n;
        EXPECT_EQ(p_.txd(), "");
        EXPECT_EQ(p_.rxd(), "");
        EXPECT_EQ(p_.status(), "");
        EXPECT_FALSE(p_.ui.isVisible(ControlId("Frame8")));
    }

    Panel p_;
    std::mt19937 rng_;
    std::vector<std::string_view> oneShot_;
    std::vector<std::string_view> held_;
    std::string heldControl_;
    std::size_t writesAtRelease_ = 0;
};

TEST(Soak, HoursOfRandomOperation) {
    constexpr std::int64_t kHour = 3600 * 1000;
    for (unsigned seed : {1u, 2u, 3u}) {
        Soak soak(seed);
        soak.run(kHour);
        EXPECT_GT(soak.events, 1000u);
    }
}

} // namespace
} // namespace q7
