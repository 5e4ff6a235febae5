// SPDX-License-Identifier: MIT
#pragma once
// One exchange with a projector, for the programs that ask and wait (q7ctl, the bridge): the frame written,
// the reply collected until its CR or until the reply window ends, and what came of it. And a held button
// held for a time: its frame repeated at its period, paced as the panel paces it, then let go. One at a
// time per line; the owner hands over the line's received events.

#include "link/line.h"
#include "link/timer.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace q7 {

enum class Outcome {
    Ack,     // ACK CR
    Reply,   // any other text ending in CR
    Nak,     // NAK CR
    Partial, // characters, but no CR within the window
    None,    // nothing
};
std::string_view outcomeName(Outcome outcome);

struct Exchanged {
    std::string frame;    // the bytes sent
    std::string received; // up to and with the first CR, or all that came within the window
    Outcome outcome = Outcome::None;
    int frames = 1; // frames written (a hold repeats)
};

// What one exchange keeps of a reply that never ends.
inline constexpr std::size_t kReplyLimit = 32767;

class Exchange {
  public:
    using Done = std::function<void(const Exchanged&)>;

    Exchange(Line& line, TimerFactory& timers);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // Discards what waits in the input, writes the frame and collects its reply; done comes once, when the
    // CR has arrived or the window has ended. False, and no done, when the frame could not be written.
    bool ask(std::string frame, int windowMs, Done done);
    // The frame at once, then every period while the line is not still busy with the earlier ones, until
    // heldMs have passed; done then, with the reply to the first frame as ask() collects it. False as for
    // ask().
    bool hold(std::string frame, int periodMs, int heldMs, Done done);
    // Characters are waiting on the line.
    void received();
    // Ends what runs without done and writes nothing more.
    void stop();
    bool busy() const { return static_cast<bool>(done_); }

  private:
    bool begin(std::string frame, Done done);
    void repeat();
    void finish();

    Line& line_;
    std::unique_ptr<Timer> window_;
    std::unique_ptr<Timer> repeat_;
    std::unique_ptr<Timer> release_;
    Exchanged current_;
    bool replied_ = false; // the first CR has come
    bool holding_ = false;
    Done done_;
};

} // namespace q7
