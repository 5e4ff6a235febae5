// SPDX-License-Identifier: MIT
#pragma once
// One PJLink connection, from its greeting to its close:
// - the greeting "PJLINK 0" without a password, else "PJLINK 1 " and the connection's random;
// - with a password, the first command carries the digest MD5(random + password) in front of it, and a later
//   one may carry it again (some controllers send it every time); a wrong or missing one is answered
//   "PJLINK ERRA" and the connection is closed;
// - commands end with CR (an LF after it, or alone, is taken as well), arrive split or joined in any way,
//   and are answered one at a time in the order they came, each reply in one write; a line longer than
//   kLongestCommand is answered ERR2 and never kept beyond that;
// - kIdleMs after the last command was answered, the connection is closed.

#include "link/timer.h"
#include "net/connection.h"
#include "pjlink/pjlink.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace q7::pjlink {

class Session final : public ConnectionHandler {
  public:
    // A command's answer: "OK", "ERR1" to "ERR4", or a query's value. It may come later, or after the
    // session has gone, when it is dropped.
    using Answer = std::function<void(const std::string& value)>;
    class Projector {
      public:
        virtual void command(const Command& command, Answer answer) = 0;

      protected:
        ~Projector() = default;
    };

    // Commands received and not yet answered, beyond which the connection is closed.
    static constexpr std::size_t kWaitingLimit = 8;

    // No password: no authentication. random: newRandom()'s, given here so that tests choose it.
    Session(Connection& connection, TimerFactory& timers, Projector& projector, std::string password,
            std::string random);
    ~Session() override;

    void received(std::string_view bytes) override;
    void closed() override;

  private:
    struct Waiting {
        Command command;
        std::string refusal; // the session's own answer to a malformed line; empty: the projector's to give
    };
    void take(std::string_view line, bool overlong);
    void pump();
    void answered(std::uint64_t serial, const std::string& value);
    void end(std::string_view last);

    Connection& connection_;
    Projector& projector_;
    const std::string digest_; // empty without a password
    std::unique_ptr<Timer> idle_;
    std::string line_;
    bool overlong_ = false;
    bool authenticated_ = false;
    bool over_ = false; // closed by either side: nothing more is written or asked
    bool pumping_ = false;
    bool asking_ = false;
    Command asked_;
    std::uint64_t serial_ = 0;
    std::deque<Waiting> waiting_;
    // What an answer holds of the session: it expires with it.
    std::shared_ptr<Session*> self_;
};

} // namespace q7::pjlink
