// SPDX-License-Identifier: MIT
#pragma once
// The client end of a Telnet connection to a serial device server with the COM-PORT-CONTROL option
// (RFC 854, 856, 1143, 2217), as a state machine without I/O: bytes from the server go in, the serial line's
// data and the answers owed to the server come out.
//
// Negotiated: BINARY both ways (in Telnet's default text mode a CR travels as CR NUL, and every frame ends in
// CR), SUPPRESS-GO-AHEAD both ways (as ser2net offers it), COM-PORT-OPTION on our side. Every other option is
// refused, once per option and direction, so that a server repeating a request can never make the answers
// grow with it; a server that turns wanted options on and off beyond kChangeLimit times has failed. Of a
// subnegotiation only kSubnegotiationLimit bytes are kept: the answers read here are shorter, so a longer one
// is ignored.

#include "base/message.h"
#include "link/line_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q7 {

class Rfc2217Client {
  public:
    // Of the line settings last asked for: NotAsked before setLine; Pending until the server has answered
    // every command; then Confirmed, or Different when it keeps some other value (lineProblem says which).
    enum class LineState { NotAsked, Pending, Confirmed, Different };

    struct Output {
        std::string data;  // the serial line's bytes, Telnet escapes removed
        std::string reply; // to send to the server now
    };

    static constexpr std::size_t kSubnegotiationLimit = 64;
    static constexpr unsigned kChangeLimit = 100;

    // The first bytes to send once connected: our offers and requests.
    std::string opening();
    // A failure is final (the server refused what the line needs, or will not stop renegotiating): every
    // later feed returns it again.
    Result<Output> feed(std::string_view fromServer);

    // Binary transmission agreed both ways and the server takes COM-PORT commands; no data may be sent
    // before.
    bool ready() const;

    // Bytes kept between feeds: a subnegotiation in progress, never more than kSubnegotiationLimit.
    std::size_t heldBytes() const { return sub_.size(); }

    // Data for the serial line as it must travel: every byte 255 doubled.
    static std::string escape(std::string_view data);

    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for the line. Returned to be sent at once when
    // the server already takes COM-PORT commands; otherwise held and sent in the reply that agrees the
    // option.
    std::string setLine(const LineSettings& line);
    LineState lineState() const;
    const Message& lineProblem() const { return lineProblem_; }
    // The speed the server last confirmed, in bits per second.
    std::optional<std::uint32_t> confirmedSpeed() const { return confirmedSpeed_; }

  private:
    enum class Side : std::uint8_t { No, WantYes, Yes };
    enum class Parse : std::uint8_t { Data, Iac, Option, Sub, SubIac };
    // Indexed by COM-PORT command: 1 baud rate, 2 data size, 3 parity, 4 stop size.
    static constexpr std::size_t kLineCommands = 5;

    void command(std::uint8_t verb, std::uint8_t option, std::string& reply);
    void subnegotiation();
    void sendLine(std::string& out);
    void fail(Message why);

    Parse parse_ = Parse::Data;
    std::uint8_t verb_ = 0;
    bool afterCr_ = false;
    std::string sub_;

    std::array<Side, 256> ours_{};   // options we perform (WILL/WONT, asked by DO/DONT)
    std::array<Side, 256> theirs_{}; // options the server performs (DO/DONT, asked by WILL/WONT)
    std::array<bool, 256> refusedOurs_{};
    std::array<bool, 256> refusedTheirs_{};
    unsigned changes_ = 0;
    Message error_;

    bool lineAsked_ = false;
    bool lineHeld_ = false; // asked before the server took COM-PORT commands
    std::array<std::uint32_t, kLineCommands> asked_{};
    // Answers still owed; only the answer to the latest request is compared with it.
    std::array<unsigned, kLineCommands> unanswered_{};
    std::optional<std::uint32_t> confirmedSpeed_;
    Message lineProblem_;
};

} // namespace q7
