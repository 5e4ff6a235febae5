// SPDX-License-Identifier: MIT
#include "link/rfc2217.h"

#include <utility>

namespace q7 {

namespace {

constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kIac = 255;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// COM-PORT commands; the server answers each with the same code plus 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kServerOffset = 100;

std::uint32_t parityCode(Parity parity) {
    switch (parity) {
    case Parity::None:
        return 1;
    case Parity::Odd:
        return 2;
    case Parity::Even:
        return 3;
    case Parity::Mark:
        return 4;
    case Parity::Space:
        return 5;
    }
    return 1;
}

std::uint32_t stopSizeCode(StopBits stopBits) {
    switch (stopBits) {
    case StopBits::One:
        return 1;
    case StopBits::Two:
        return 2;
    case StopBits::OneAndHalf:
        return 3;
    }
    return 1;
}

Message valueText(std::size_t command, std::uint32_t value) {
    for (const Parity parity : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space})
        if (command == 3 && value == parityCode(parity))
            return Message::verbatim(std::string(1, kParityLetters[static_cast<std::size_t>(parity)]));
    if (command == 4 && value == 3) return Message::verbatim("1.5");
    if (command == kSetBaudRate) return Message(Text::q7tr("%1 bit/s"), {Message::number(value)});
    return Message::number(value);
}

void appendEscaped(std::string& out, std::uint8_t byte) {
    out += static_cast<char>(byte);
    if (byte == kIac) out += static_cast<char>(kIac);
}

} // namespace

std::string Rfc2217Client::opening() {
    std::string out;
    const auto offer = [&](Side& side, std::uint8_t verb, std::uint8_t option) {
        if (side != Side::No) return;
        side = Side::WantYes;
        out += {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
    };
    offer(ours_[kBinary], kWill, kBinary);
    offer(theirs_[kBinary], kDo, kBinary);
    offer(ours_[kSuppressGoAhead], kWill, kSuppressGoAhead);
    offer(theirs_[kSuppressGoAhead], kDo, kSuppressGoAhead);
    offer(ours_[kComPort], kWill, kComPort);
    return out;
}

Result<Rfc2217Client::Output> Rfc2217Client::feed(std::string_view fromServer) {
    if (!error_.empty()) return failure(error_);
    Output out;
    out.data.reserve(fromServer.size());
    for (std::size_t i = 0; i < fromServer.size();) {
        const auto byte = static_cast<std::uint8_t>(fromServer[i]);
        switch (parse_) {
        case Parse::Data:
            if (byte == kIac) {
                parse_ = Parse::Iac;
            } else if (byte == 0 && afterCr_ && theirs_[kBinary] != Side::Yes) {
                afterCr_ = false; // text mode's CR NUL stands for a bare CR
            } else {
                afterCr_ = byte == '\r';
                out.data += static_cast<char>(byte);
            }
            break;
        case Parse::Iac:
            parse_ = Parse::Data;
            if (byte == kIac) {
                afterCr_ = false;
                out.data += static_cast<char>(kIac);
            } else if (byte >= kWill) {
                verb_ = byte;
                parse_ = Parse::Option;
            } else if (byte == kSb) {
                sub_.clear();
                parse_ = Parse::Sub;
            } // NOP, GO-AHEAD, DATA-MARK and the rest carry nothing the line needs
            break;
        case Parse::Option:
            parse_ = Parse::Data;
            command(verb_, byte, out.reply);
            break;
        case Parse::Sub:
        case Parse::SubIac:
            if (parse_ == Parse::Sub && byte == kIac) {
                parse_ = Parse::SubIac;
                break;
            }
            if (parse_ == Parse::SubIac && byte != kIac) {
                if (byte == kSe) {
                    parse_ = Parse::Data;
                    subnegotiation();
                    break;
                }
                // A command inside a subnegotiation ends it unfinished; the command itself still counts.
                parse_ = Parse::Iac;
                continue;
            }
            parse_ = Parse::Sub;
            if (sub_.size() < kSubnegotiationLimit) sub_ += static_cast<char>(byte);
            break;
        }
        ++i;
    }
    if (!error_.empty()) return failure(error_);
    return out;
}

// RFC 1143's rules for a side that only ever asks for options to be enabled: an answer goes out only when the
// state changes, so two ends can never echo each other's requests.
void Rfc2217Client::command(std::uint8_t verb, std::uint8_t option, std::string& reply) {
    const bool theirSide = verb == kWill || verb == kWont;
    const bool enable = verb == kWill || verb == kDo;
    Side& side = theirSide ? theirs_[option] : ours_[option];
    const bool wanted = option == kBinary || option == kSuppressGoAhead || (option == kComPort && !theirSide);
    const auto answer = [&](std::uint8_t answerVerb) {
        reply += {static_cast<char>(kIac), static_cast<char>(answerVerb), static_cast<char>(option)};
    };

    if (enable) {
        if (!wanted) {
            bool& refused = theirSide ? refusedTheirs_[option] : refusedOurs_[option];
            if (!refused) answer(theirSide ? kDont : kWont);
            refused = true;
            return;
        }
        if (side == Side::No) {
            answer(theirSide ? kDo : kWill);
            if (++changes_ > kChangeLimit)
                fail(Message(Text::q7tr("the server renegotiates its options without end")));
        }
        side = Side::Yes;
        if (option == kComPort && lineHeld_) sendLine(reply);
        return;
    }

    const Side before = std::exchange(side, Side::No);
    if (before == Side::Yes) answer(theirSide ? kDont : kWont);
    // A server that says WONT where DONT belongs means the same refusal.
    const bool refusesComPort =
        option == kComPort && (before != Side::No || (theirSide && ours_[kComPort] != Side::Yes));
    if (refusesComPort) fail(Message(Text::q7tr("the server does not offer serial port control (RFC 2217)")));
    if (option == kBinary && before != Side::No)
        fail(Message(Text::q7tr("the server does not offer binary transmission (RFC 856)")));
}

void Rfc2217Client::subnegotiation() {
    if (sub_.size() < 2 || static_cast<std::uint8_t>(sub_[0]) != kComPort) return;
    const auto code = static_cast<std::uint8_t>(sub_[1]);
    // Notifications of line and modem state, flow control and signatures are not needed.
    if (code <= kServerOffset || code > kServerOffset + kSetStopSize) return;
    const std::size_t command = code - kServerOffset;
    const std::string_view value = std::string_view(sub_).substr(2);
    if (value.size() != (command == kSetBaudRate ? 4u : 1u) || unanswered_[command] == 0) return;
    if (--unanswered_[command] > 0) return;
    std::uint32_t number = 0;
    for (const char c : value)
        number = number << 8 | static_cast<std::uint8_t>(c);
    if (command == kSetBaudRate) confirmedSpeed_ = number;
    static constexpr const char* kWhat[] = {"", Text::q7tr("the server set the speed to %1 instead of %2"),
                                            Text::q7tr("the server set the data bits to %1 instead of %2"),
                                            Text::q7tr("the server set the parity to %1 instead of %2"),
                                            Text::q7tr("the server set the stop bits to %1 instead of %2")};
    if (number != asked_[command] && lineProblem_.empty())
        lineProblem_ =
            Message(kWhat[command], {valueText(command, number), valueText(command, asked_[command])});
}

void Rfc2217Client::fail(Message why) {
    if (error_.empty()) error_ = std::move(why);
}

bool Rfc2217Client::ready() const {
    return error_.empty() && ours_[kBinary] == Side::Yes && theirs_[kBinary] == Side::Yes &&
           ours_[kComPort] == Side::Yes;
}

std::string Rfc2217Client::escape(std::string_view data) {
    std::string out;
    out.reserve(data.size() + data.size() / 16);
    for (const char c : data)
        appendEscaped(out, static_cast<std::uint8_t>(c));
    return out;
}

std::string Rfc2217Client::setLine(const LineSettings& line) {
    lineAsked_ = true;
    lineProblem_ = {};
    asked_ = {0, static_cast<std::uint32_t>(line.speed), static_cast<std::uint32_t>(line.dataBits),
              parityCode(line.parity), stopSizeCode(line.stopBits)};
    std::string out;
    if (ours_[kComPort] == Side::Yes)
        sendLine(out);
    else
        lineHeld_ = true;
    return out;
}

// In the order RFC 2217 recommends, so that no intermediate combination is invalid.
void Rfc2217Client::sendLine(std::string& out) {
    lineHeld_ = false;
    for (std::size_t command = kSetBaudRate; command <= kSetStopSize; ++command) {
        out += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                static_cast<char>(command)};
        const std::uint32_t value = asked_[command];
        if (command == kSetBaudRate)
            for (int shift = 24; shift > 0; shift -= 8)
                appendEscaped(out, static_cast<std::uint8_t>(value >> shift));
        appendEscaped(out, static_cast<std::uint8_t>(value));
        out += {static_cast<char>(kIac), static_cast<char>(kSe)};
        ++unanswered_[command];
    }
}

Rfc2217Client::LineState Rfc2217Client::lineState() const {
    if (!lineAsked_) return LineState::NotAsked;
    for (const unsigned owed : unanswered_)
        if (owed > 0) return LineState::Pending;
    if (lineHeld_) return LineState::Pending;
    return lineProblem_.empty() ? LineState::Confirmed : LineState::Different;
}

} // namespace q7
