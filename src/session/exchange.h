// SPDX-License-Identifier: MIT
#pragma once
// One exchange with a projector, for the programs that ask and wait (q7ctl, the bridge): the frame written,
// the reply collected until its CR or until the reply window ends, and what came of it. And a held button
// held for a time: its frame repeated at its period, paced as the panel paces it, then let go. One at a
// time per line; the owner hands over the line's received events.
//
// Every reply belongs to its frame. What waits in the line before a frame is written belongs to no one and
// is dropped. A reply that did not end with its CR (nothing came, or half of it) may still be on its way, so
// it leaves the line unclean: before the next frame, and before the owner lets the line go, the exchange
// waits until the line has been quiet for kQuietMs (and a half reply's CR has come), kLongestQuietMs at
// most, and drops what came meanwhile. A hold ends as a release does, then waits for the replies to the
// frames it wrote, so that nothing it caused is still in flight when the line changes hands.

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
    int frames = 1; // frames written (a hold repeats); 0 when the first could not be written
    int windowMs = 0;
};

// What one exchange keeps of a reply that never ends.
inline constexpr std::size_t kReplyLimit = 32767;

class Exchange {
  public:
    using Done = std::function<void(const Exchanged&)>;

    static constexpr int kQuietMs = 100;
    static constexpr int kLongestQuietMs = 1000;

    Exchange(Line& line, TimerFactory& timers);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // The line has just been opened. A line kept open for long (the bridge's) may meet a projector still
    // talking: quiet makes the first frame wait until the line is quiet.
    void opened(bool quiet);
    // Writes the frame once the line is clean and collects its reply; done comes once, when the CR has
    // arrived or the window has ended, or at once with no frame written when the line refused it.
    void ask(std::string frame, int windowMs, Done done);
    // The frame at once, then every period while the line is not still busy with the earlier ones, until
    // heldMs have passed; then the replies to the frames written, until as many CRs have come as frames
    // went out or windowMs after the last one. Done with the reply to the first frame as ask() collects it.
    void hold(std::string frame, int periodMs, int heldMs, int windowMs, Done done);
    // The process is ending: nothing more is written, and what was written has at most ms for its replies
    // before done comes as usual. A frame still waiting for a quiet line is never written: done at once.
    void interrupt(int ms);
    // Then, once the line is clean: at once when it is.
    void settle(std::function<void()> then);
    // Characters are waiting on the line.
    void received();
    // Ends what runs without done and writes nothing more.
    void stop();
    bool busy() const { return state_ != State::Idle; }

  private:
    enum class State { Idle, Quieting, Asking, Holding, Draining };

    void quiet(std::function<void()> then);
    void quietTick();
    void quietEnded();
    void windowEnded();
    void write(int windowMs);
    void repeat();
    void release();
    void finish();
    void timers(bool on);

    Line& line_;
    std::unique_ptr<Timer> window_;
    std::unique_ptr<Timer> repeat_;
    std::unique_ptr<Timer> release_;
    std::unique_ptr<Timer> quiet_;
    std::unique_ptr<Timer> bound_; // the longest quiet wait, or what is left to a process that is ending
    State state_ = State::Idle;
    Exchanged current_;
    bool replied_ = false;  // the first CR has come
    int crs_ = 0;           // CRs since the first frame
    bool midReply_ = false; // bytes have come since the last CR
    bool clean_ = true;
    bool awaitCr_ = false; // the line is clean only once a half reply's CR has come
    Done done_;
    std::function<void()> afterQuiet_;
};

} // namespace q7
