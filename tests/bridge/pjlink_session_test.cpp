// SPDX-License-Identifier: MIT
// PJLink's texts, and one connection's session on the virtual clock against a fake client and projector: the
// greeting, the digest, framing however the bytes come, the limits, and the idle close.

#include "pjlink/session.h"
#include "virtual_clock.h"

#include <gtest/gtest.h>

namespace q7::pjlink {
namespace {

#define DIGEST "5d8409bc1c3fa39749434aa3a5c38682" // random 498e4a67, password JBMIAProjectorLink
#define WRONG "5d8409bc1c3fa39749434aa3a5c38683"

TEST(PjlinkTexts, DigestsRandomsAndMacAddresses) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("498e4a67JBMIAProjectorLink"), DIGEST);
    const std::string random = newRandom();
    EXPECT_EQ(random.size(), 8u);
    EXPECT_EQ(random.find_first_not_of("0123456789abcdef"), std::string::npos) << random;
    EXPECT_NE(newRandom(), random);
    // The first byte as MD5 gave it: 54, 19 (multicast), 67 (both bits), b3, 01.
    EXPECT_EQ(macAddress("bridge", "hall", "001"), "56:81:66:D9:24:4A");
    EXPECT_EQ(macAddress("bridge", "hall", "006"), "1A:93:46:F3:F3:CC");
    EXPECT_EQ(macAddress("ab", "c", "d"), "66:90:A2:82:BD:C1");
    EXPECT_EQ(macAddress("a", "bc", "d"), "B2:60:42:BB:E8:1C");
    EXPECT_EQ(macAddress("", "", ""), "02:CA:B6:FB:0C:2D");
}

TEST(PjlinkTexts, LinesAndDatagrams) {
    EXPECT_EQ(replyLine({'2', "INNM", "?31"}, "DVI-D"), "%2INNM=DVI-D\r");
    EXPECT_EQ(replyLine({'1', "NAME", "?"}, ""), "%1NAME=\r");
    EXPECT_EQ(searchAnswer("56:81:66:D9:24:4A"), "%2ACKN=56:81:66:D9:24:4A\r");
    EXPECT_EQ(notification("LKUP", "56:81:66:D9:24:4A"), "%2LKUP=56:81:66:D9:24:4A\r");
    EXPECT_EQ(notification("POWR", "1"), "%2POWR=1\r");
    for (const auto& [datagram, search] : std::vector<std::pair<std::string, bool>>{{"%2SRCH\r", true},
                                                                                    {"%2SRCH\r\n", true},
                                                                                    {"%2SRCH", false},
                                                                                    {"%2SRCH\r\r", false},
                                                                                    {"%1SRCH\r", false},
                                                                                    {"%2srch\r", false},
                                                                                    {"x%2SRCH\r", false},
                                                                                    {"", false}})
        EXPECT_EQ(isSearch(datagram), search) << datagram;
}

struct FakeConnection final : Connection {
    void write(std::string_view bytes) override { writes.emplace_back(bytes); }
    void close() override { closed = true; }
    const std::string& peer() const override { return address; }
    std::vector<std::string> writes;
    bool closed = false;
    std::string address = "10.0.5.9";
};

// Records each command as class, body, blank and parameter; answers "OK" at once, or keeps the answer.
struct FakeProjector final : Session::Projector {
    void command(const Command& command, Session::Answer answer) override {
        commands.push_back(command.pjClass + command.body + " " + command.param);
        if (atOnce)
            answer("OK");
        else
            answers.push_back(std::move(answer));
    }
    bool atOnce = false;
    std::vector<std::string> commands;
    std::vector<Session::Answer> answers;
};

struct Rig {
    Rig(bool password, bool atOnce) {
        projector.atOnce = atOnce;
        session = std::make_unique<Session>(connection, clock, projector,
                                            password ? "JBMIAProjectorLink" : "", "498e4a67");
    }
    test::VirtualClock clock;
    FakeConnection connection;
    FakeProjector projector;
    std::unique_ptr<Session> session;
};

using Lines = std::vector<std::string>;
struct Script {
    const char* name;
    bool password;
    Lines input;    // the packets as they come
    Lines commands; // handed to the projector
    Lines writes;   // after the greeting
    bool closed;
};

const std::string k128(128, 'a'), k129(129, 'a');

// Each script is played as its packets came, joined into one, and one byte at a time.
TEST(PjlinkSession, Scripts) {
    const std::vector<Script> scripts = {
        {"no password", false, {"%1POWR ?\r"}, {"1POWR ?"}, {"%1POWR=OK\r"}, false},
        {"digest", true, {DIGEST "%1POWR 1\r"}, {"1POWR 1"}, {"%1POWR=OK\r"}, false},
        {"digest upper case",
         true,
         {"5D8409BC1C3FA39749434AA3A5C38682%1POWR ?\r"},
         {"1POWR ?"},
         {"%1POWR=OK\r"},
         false},
        {"digest again, then none",
         true,
         {DIGEST "%1POWR ?\r" DIGEST "%2INPT ?\r", "%1AVMT ?\r"},
         {"1POWR ?", "2INPT ?", "1AVMT ?"},
         {"%1POWR=OK\r", "%2INPT=OK\r", "%1AVMT=OK\r"},
         false},
        {"no digest", true, {"%1POWR ?\r", "%1POWR ?\r"}, {}, {"PJLINK ERRA\r"}, true},
        {"wrong digest", true, {WRONG "%1POWR ?\r", DIGEST "%1POWR ?\r"}, {}, {"PJLINK ERRA\r"}, true},
        {"bad digest", true, {"5d8409bc%1POWR ?\r"}, {}, {"PJLINK ERRA\r"}, true},
        {"wrong digest later",
         true,
         {DIGEST "%1POWR ?\r" WRONG "%1INPT ?\r%1AVMT ?\r"},
         {"1POWR ?"},
         {"%1POWR=OK\r", "PJLINK ERRA\r"},
         true},
        {"digest without password", false, {DIGEST "%1POWR ?\r"}, {"1POWR ?"}, {"%1POWR=OK\r"}, false},
        {"line ends",
         false,
         {"%1POWR ?\r\n\n%1INPT 31\n", "\r%2snum ?\r"},
         {"1POWR ?", "1INPT 31", "2SNUM ?"},
         {"%1POWR=OK\r", "%1INPT=OK\r", "%2SNUM=OK\r"},
         false},
        {"malformed",
         false,
         {"%3POWR ?\r%1POWR\r%1POWR?\r%1PO?R 1\r%1POWR \rhello\r%1PO\rxx%1POWR ?\r%1INPT 3A\r"},
         {"1INPT 3A"},
         {"%1POWR=ERR1\r", "%1POWR=ERR2\r", "%1POWR=ERR2\r", "%1PO?R=ERR1\r", "%1POWR=ERR2\r", "%1INPT=OK\r"},
         false},
        {"136 bytes", false, {"%1NAME " + k128 + "\r"}, {"1NAME " + k128}, {"%1NAME=OK\r"}, false},
        {"137 bytes",
         false,
         {"%1NAME " + k129 + "\r%1POWR ?\r"},
         {"1POWR ?"},
         {"%1NAME=ERR2\r", "%1POWR=OK\r"},
         false},
        {"136 with digest",
         true,
         {DIGEST "%1NAME " + k128 + "\r"},
         {"1NAME " + k128},
         {"%1NAME=OK\r"},
         false},
        {"137 with digest", true, {DIGEST "%1NAME " + k129 + "\r"}, {}, {"%1NAME=ERR2\r"}, false},
        {"far too long",
         false,
         {"%2INNM " + std::string(5000, '1') + "\r%1POWR ?\r"},
         {"1POWR ?"},
         {"%2INNM=ERR2\r", "%1POWR=OK\r"},
         false},
    };
    for (const Script& script : scripts)
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(std::string(script.name) + " " + std::to_string(way));
            Rig rig(script.password, true);
            std::string all;
            for (const std::string& packet : script.input)
                if (way == 0)
                    rig.session->received(packet);
                else
                    all += packet;
            if (way == 1) rig.session->received(all);
            for (std::size_t i = 0; way == 2 && i < all.size(); ++i)
                rig.session->received(std::string_view(all).substr(i, 1));
            Lines writes{script.password ? "PJLINK 1 498e4a67\r" : "PJLINK 0\r"};
            writes.insert(writes.end(), script.writes.begin(), script.writes.end());
            EXPECT_EQ(rig.connection.writes, writes);
            EXPECT_EQ(rig.projector.commands, script.commands);
            EXPECT_EQ(rig.connection.closed, script.closed);
        }
}

// One command at a time, answered in order, each answer taken once.
TEST(PjlinkSession, AsksOneAtATime) {
    Rig rig(true, false);
    rig.session->received(DIGEST "%1POWR ?\r%1INPT ?\r%3XXXX 1\r%1AVMT ?\r");
    EXPECT_EQ(rig.projector.commands, (Lines{"1POWR ?"}));
    rig.projector.answers[0]("0");
    rig.projector.answers[0]("1");
    EXPECT_EQ(rig.projector.commands, (Lines{"1POWR ?", "1INPT ?"}));
    rig.projector.answers[1]("31");
    EXPECT_EQ(rig.projector.commands, (Lines{"1POWR ?", "1INPT ?", "1AVMT ?"}));
    EXPECT_EQ(rig.connection.writes,
              (Lines{"PJLINK 1 498e4a67\r", "%1POWR=0\r", "%1INPT=31\r", "%1XXXX=ERR1\r"}));
}

TEST(PjlinkSession, ClosesAfterThirtyIdleSeconds) {
    Rig rig(true, false);
    rig.clock.advance(29999);
    EXPECT_FALSE(rig.connection.closed);
    rig.clock.advance(1);
    EXPECT_TRUE(rig.connection.closed);
    rig.session->received(DIGEST "%1POWR ?\r");
    EXPECT_TRUE(rig.projector.commands.empty());
    EXPECT_EQ(rig.connection.writes.size(), 1u);
}

// An answer pending holds the connection; lines that are no command do not.
TEST(PjlinkSession, CountsIdleTimeFromTheLastAnswer) {
    Rig rig(false, false);
    rig.clock.advance(20000);
    rig.session->received("%1POWR ?\r");
    rig.clock.advance(60000);
    EXPECT_FALSE(rig.connection.closed);
    rig.projector.answers[0]("1");
    rig.clock.advance(29000);
    rig.session->received("hello\r\r%1PO");
    rig.clock.advance(999);
    EXPECT_FALSE(rig.connection.closed);
    rig.clock.advance(1);
    EXPECT_TRUE(rig.connection.closed);
    EXPECT_EQ(rig.connection.writes, (Lines{"PJLINK 0\r", "%1POWR=1\r"}));
}

TEST(PjlinkSession, ClosesBeyondEightCommandsWaiting) {
    Rig rig(false, false);
    for (int i = 0; i < 8; ++i)
        rig.session->received("%1POWR ?\r");
    EXPECT_FALSE(rig.connection.closed);
    rig.session->received("%1POWR ?\r");
    EXPECT_TRUE(rig.connection.closed);
    rig.projector.answers[0]("1");
    EXPECT_EQ(rig.connection.writes, (Lines{"PJLINK 0\r"}));
    EXPECT_EQ(rig.projector.commands.size(), 1u);
}

TEST(PjlinkSession, DropsAnswersAfterTheClientOrTheSessionWent) {
    Rig gone(false, false), destroyed(false, false);
    for (Rig* rig : {&gone, &destroyed})
        rig->session->received("%1POWR ?\r%1INPT ?\r");
    gone.session->closed();
    gone.projector.answers[0]("1");
    gone.clock.advance(60000);
    destroyed.session.reset();
    destroyed.projector.answers[0]("1");
    for (Rig* rig : {&gone, &destroyed}) {
        EXPECT_EQ(rig->connection.writes, (Lines{"PJLINK 0\r"}));
        EXPECT_EQ(rig->projector.commands.size(), 1u);
        EXPECT_FALSE(rig->connection.closed);
    }
}

} // namespace
} // namespace q7::pjlink
