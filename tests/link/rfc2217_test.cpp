// SPDX-License-Identifier: MIT
// The bytes on the wire are written out as RFC 854, 856 and 2217 define them: IAC FF, SB FA, SE F0, WILL FB,
// WONT FC, DO FD, DONT FE; options BINARY 00, ECHO 01, SUPPRESS-GO-AHEAD 03, COM-PORT-OPTION 2C (44).

#include "link/rfc2217.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using namespace std::string_literals;
using LineState = Rfc2217Client::LineState;

const LineSettings k19200{19200, Parity::None, 8, StopBits::One};
const LineSettings k9600{9600, Parity::None, 8, StopBits::One};

// What ser2net sends first on a port in telnet mode with RFC 2217 allowed.
const std::string kSer2netGreeting = "\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x01\xFF\xFE\x01"
                                     "\xFF\xFD\x00\xFF\xFB\x00\xFF\xFD\x2C"s;
// SET-BAUDRATE 19200, SET-DATASIZE 8, SET-PARITY NONE, SET-STOPSIZE 1.
const std::string kSet19200N81 = "\xFF\xFA\x2C\x01\x00\x00\x4B\x00\xFF\xF0\xFF\xFA\x2C\x02\x08\xFF\xF0"
                                 "\xFF\xFA\x2C\x03\x01\xFF\xF0\xFF\xFA\x2C\x04\x01\xFF\xF0"s;
const std::string kSet9600N81 = "\xFF\xFA\x2C\x01\x00\x00\x25\x80\xFF\xF0\xFF\xFA\x2C\x02\x08\xFF\xF0"
                                "\xFF\xFA\x2C\x03\x01\xFF\xF0\xFF\xFA\x2C\x04\x01\xFF\xF0"s;
// The server's answers: the command plus 100 with the value in use.
const std::string kAnswerRest =
    "\xFF\xFA\x2C\x66\x08\xFF\xF0\xFF\xFA\x2C\x67\x01\xFF\xF0\xFF\xFA\x2C\x68\x01\xFF\xF0"s;
const std::string kAnswer19200 = "\xFF\xFA\x2C\x65\x00\x00\x4B\x00\xFF\xF0"s + kAnswerRest;
const std::string kAnswer9600 = "\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0"s + kAnswerRest;

// The opening offers and asks BINARY and SUPPRESS-GO-AHEAD and offers COM-PORT-OPTION; the line is ready only
// once binary goes both ways and the server takes COM-PORT-OPTION.
TEST(Rfc2217, OpeningOffersAndAsksBinaryAndComPortAndIsReadyOnlyWithAllAgreed) {
    const std::pair<std::string, bool> agreements[] = {
        {""s, false},
        {"\xFF\xFD\x2C\xFF\xFD\x00"s, false},
        {"\xFF\xFD\x2C\xFF\xFB\x00"s, false},
        {"\xFF\xFD\x00\xFF\xFB\x00"s, false},
        {"\xFF\xFD\x00\xFF\xFB\x00\xFF\xFD\x2C"s, true},
    };
    for (const auto& [bytes, ready] : agreements) {
        Rfc2217Client client;
        EXPECT_EQ(client.opening(), "\xFF\xFB\x00\xFF\xFD\x00\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x2C"s);
        (void)client.feed(bytes);
        EXPECT_EQ(client.ready(), ready) << testing::PrintToString(bytes);
    }
}

// Ser2net's greeting agrees everything and the line settings held go out; a speed change is confirmed by the
// answer to the last request only, and an answer that differs is reported.
TEST(Rfc2217, Ser2netsGreetingAgreesEverythingAndEachLineSettingIsConfirmedOrReported) {
    Rfc2217Client client;
    client.opening();
    EXPECT_EQ(client.setLine(k19200), "") << "no COM-PORT command before the option is agreed";
    EXPECT_EQ(client.lineState(), LineState::Pending);
    const Rfc2217Client::Output out = *client.feed(kSer2netGreeting);
    EXPECT_EQ(out.reply, "\xFF\xFE\x01"s + kSet19200N81) << "ECHO refused; our own offers need no answer";
    EXPECT_EQ(out.data, "");
    EXPECT_TRUE(client.ready());
    EXPECT_EQ(client.lineState(), LineState::Pending) << "agreed, not yet answered";
    EXPECT_EQ(client.setLine(k9600), kSet9600N81);
    EXPECT_EQ(client.feed(kAnswer19200)->reply, ""); // owed to the first request
    EXPECT_EQ(client.lineState(), LineState::Pending);
    (void)client.feed(kAnswer9600);
    EXPECT_EQ(client.lineState(), LineState::Confirmed);
    EXPECT_EQ(client.confirmedSpeed(), 9600u);
    EXPECT_EQ(client.feed(kSer2netGreeting)->reply, "") << "requests already agreed or refused get no answer";

    client.setLine(k19200);
    (void)client.feed(kAnswer9600);
    EXPECT_EQ(client.lineState(), LineState::Different);
    EXPECT_EQ(client.lineProblem().english(),
              "the server set the speed to 9600 bit/s instead of 19200 bit/s");

    client.setLine(k19200);
    (void)client.feed("\xFF\xFA\x2C\x65\x00\x00\x4B\x00\xFF\xF0\xFF\xFA\x2C\x66\x08\xFF\xF0"
                      "\xFF\xFA\x2C\x67\x03\xFF\xF0\xFF\xFA\x2C\x68\x02\xFF\xF0"s);
    EXPECT_EQ(client.lineProblem().english(), "the server set the parity to E instead of N")
        << "the first difference";
}

TEST(Rfc2217, ValueBytes255AreDoubledInCommands) {
    Rfc2217Client client;
    (void)client.feed("\xFF\xFD\x2C"s);
    EXPECT_EQ(client.setLine({65280, Parity::Even, 7, StopBits::OneAndHalf}),
              "\xFF\xFA\x2C\x01\x00\x00\xFF\xFF\x00\xFF\xF0\xFF\xFA\x2C\x02\x07\xFF\xF0"
              "\xFF\xFA\x2C\x03\x03\xFF\xF0\xFF\xFA\x2C\x04\x03\xFF\xF0"s);
}

TEST(Rfc2217, DataIsUnescapedAcrossChunksAndEscapedOnTheWayOut) {
    Rfc2217Client client;
    (void)client.feed("\xFF\xFB\x00"s);
    EXPECT_EQ(client.feed("80\r\xFF\xFF\x00x\xFF"s)->data, "80\r\xFF\x00x"s);
    EXPECT_EQ(client.feed("\xFF"s)->data, "\xFF") << "a lone IAC at the end of a chunk waits for the next";
    (void)client.feed("\xFF");
    EXPECT_EQ(client.feed("\xFE\x01"s)->reply, "") << "a split DONT about an option that is off";
    (void)client.feed("\xFF\xFB");
    EXPECT_EQ(client.feed("\x18"s)->reply, "\xFF\xFE\x18"s) << "a split WILL TERMINAL-TYPE, refused";
    EXPECT_EQ(Rfc2217Client::escape("C\xFF\r\xFF\xFF"s), "C\xFF\xFF\r\xFF\xFF\xFF\xFF"s);
}

TEST(Rfc2217, TextModeCrNulIsABareCrUntilTheServerSendsBinary) {
    Rfc2217Client client;
    EXPECT_EQ(client.feed("00\r\x00"s)->data, "00\r");
    (void)client.feed("\xFF\xFB\x00"s);
    EXPECT_EQ(client.feed("00\r\x00"s)->data, "00\r\x00"s);
}

TEST(Rfc2217, RefusalsAreFailuresWithAClearText) {
    const std::pair<std::string, const char*> refusals[] = {
        {"\xFF\xFE\x2C"s, "serial port control (RFC 2217)"},
        {"\xFF\xFC\x2C"s, "serial port control (RFC 2217)"},
        {"\xFF\xFC\x00"s, "binary transmission"},
        {"\xFF\xFE\x00"s, "binary transmission"}};
    for (const auto& [bytes, text] : refusals) {
        Rfc2217Client client;
        client.opening();
        const Result<Rfc2217Client::Output> out = client.feed(bytes);
        ASSERT_FALSE(out.has_value());
        EXPECT_NE(out.error().english().find(text), std::string::npos) << out.error().english();
        EXPECT_FALSE(client.feed(kSer2netGreeting).has_value()) << "a failure is final";
    }
    // After the line is open: binary turned off, and options turned on and off without end.
    Rfc2217Client agreed;
    agreed.opening();
    (void)agreed.feed(kSer2netGreeting);
    EXPECT_FALSE(agreed.feed("\xFF\xFC\x00"s).has_value());
    Rfc2217Client flapping;
    flapping.opening();
    (void)flapping.feed(kSer2netGreeting);
    std::string flips;
    for (int i = 0; i < 100; ++i)
        flips += "\xFF\xFC\x03\xFF\xFB\x03"s;
    EXPECT_EQ(flapping.feed(flips)->reply.size(), 100u * 6);
    const Result<Rfc2217Client::Output> endless = flapping.feed("\xFF\xFC\x03\xFF\xFB\x03"s);
    ASSERT_FALSE(endless.has_value());
    EXPECT_EQ(endless.error().english(), "the server renegotiates its options without end");
}

TEST(Rfc2217, NotificationsCommandsAndRunawaySubnegotiationsCarryNoData) {
    Rfc2217Client client;
    client.opening();
    (void)client.feed(kSer2netGreeting);
    const std::string ignored =
        "\xFF\xFA\x2C\x6A\x60\xFF\xF0\xFF\xFA\x2C\x6B\x30\xFF\xF0\xFF\xFA\x2C\x6C\xFF\xF0"
        "\xFF\xF9\xFF\xF1\xFF\xF0\xFF\xFA\x18\x01\xFF\xF0"s;
    EXPECT_EQ(client.feed(ignored + "A")->data, "A");
    (void)client.feed("\xFF\xFA\x2C\x65" + std::string(1 << 20, '\x01'));
    EXPECT_EQ(client.heldBytes(), Rfc2217Client::kSubnegotiationLimit);
    EXPECT_EQ(client.feed("\xFF\xF0"s + 'B')->data, "B");
    // A command inside a subnegotiation ends it and is still answered.
    const Rfc2217Client::Output out = *client.feed("\xFF\xFA\x2C\x65\x00\xFF\xFB\x05"s + 'C');
    EXPECT_EQ(out.reply, "\xFF\xFE\x05"s);
    EXPECT_EQ(out.data, "C");
    EXPECT_TRUE(client.ready());
}

} // namespace
} // namespace q7
