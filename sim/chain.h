// SPDX-License-Identifier: MIT
#pragma once
// The line side of the simulator: projectors daisy-chained on one serial line. It cuts the incoming bytes
// into frames, hands each frame to the projectors it is addressed to, lets one of them answer, and schedules
// the answer on the line with whatever faults were asked for. It owns no file descriptor and no clock: the
// caller feeds bytes with the time they arrived and collects the bytes that are due, so tests run it on
// virtual time.

#include "projector.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace q7sim {

// A projector's receive buffer is small; a longer line is dropped up to its end instead of growing memory.
inline constexpr std::size_t kMaxFrame = 256;

struct LineFaults {
    Millis delay{5};                    // from the end of a frame to the first byte of its reply
    bool noReply = false;               // commands still act, nothing is answered
    std::vector<std::string> noReplyTo; // commands (without address) that get no answer
    bool split = false;                 // each reply in two pieces, splitGap apart
    Millis splitGap{40};
    bool garbage = false;   // one to three bytes above 127 mixed into each reply
    double chatterRate = 0; // characters per second sent on their own, 0 for none
    int hangUpAfter = 0;    // hang up once the reply to this many frames has gone, 0 for never
    std::uint32_t seed = 1; // of the garbage and chatter bytes, so a run can be repeated
};

class Chain {
  public:
    Chain(const std::vector<std::string>& ids, const ProjectorSettings& settings, LineFaults faults,
          Millis now);

    // One line per frame received and per event, without a newline; nothing is logged without a sink.
    void setLog(std::function<void(const std::string&)> sink) { log_ = std::move(sink); }
    void logEvent(Millis now, std::string_view event);

    void receive(std::string_view bytes, Millis now);
    // Everything due on the line by now, in the order it is to be written; taken off the schedule.
    std::string takeDue(Millis now);
    // When takeDue has something next; nothing when the line stays quiet until the next frame.
    std::optional<Millis> nextDue() const;

    // Hangs up as soon as the replies already scheduled have gone; frames after that are not acted on.
    void requestHangUp() { hangUpRequested_ = true; }
    bool hangUpDue() const { return hangUpRequested_ && queue_.empty(); }

    // A projector that has stopped answering, switched on and off from outside while running.
    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }

    std::size_t size() const { return projectors_.size(); }
    Projector& projector(std::size_t index) { return projectors_.at(index); }
    int framesReceived() const { return frames_; }

  private:
    struct Piece {
        Millis due;
        std::string bytes;
    };

    void takeFrame(Millis now);
    void schedule(std::string reply, Millis now);
    std::optional<Millis> nextChatter() const;

    std::vector<Projector> projectors_;
    LineFaults faults_;
    std::function<void(const std::string&)> log_;
    std::string buffer_;
    bool overlong_ = false;
    std::deque<Piece> queue_;
    Millis lastDue_{0};
    Millis chatterStart_;
    std::uint64_t chatterSent_ = 0;
    std::mt19937 random_;
    int frames_ = 0;
    bool hangUpRequested_ = false;
    bool silent_ = false;
};

// A frame or reply as one log token: quoted, with control bytes and bytes above 126 as escapes.
std::string logToken(std::string_view bytes);

} // namespace q7sim
