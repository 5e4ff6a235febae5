// SPDX-License-Identifier: MIT
#pragma once
// One line, kept open: the open a user asks for, with the pending open of a network line; the loss; and the
// watch that opens the line again after an outage. One instance per line; it reports what happens as events
// and never shows anything itself.
//
// The watch tries quietly: a device every second (one that is back may still refuse us for a moment, while
// udev gives it its group), a network server at 1, 2, then every 4 seconds, as its tries take time. A
// connection ends the outage only once it has stayed open for a second: a server that accepts and hangs up at
// once (ser2net without its adapter) is a failed try, not a reconnection.

#include "link/line.h"
#include "link/timer.h"

#include <memory>

namespace q7 {

class LineSupervisor final : private LineEvents {
  public:
    class Events {
      public:
        virtual void received() = 0;
        // The outcome of an open() that returned Pending.
        virtual void opened() = 0;
        virtual void openFailed(const Message& why) = 0;
        // An outage begins: the line went away. Nothing more is said of it until back().
        virtual void lost(const Message& why) = 0;
        // The outage ended (one begun by lost() or by watch()): a connection has held.
        virtual void back() = 0;
        virtual void settingsFailed(const Message& why) = 0;

      protected:
        ~Events() = default;
    };

    static constexpr int kFirstTryMs = 1000;
    static constexpr int kLongestWaitMs = 4000;
    static constexpr int kHoldsAfterMs = 1000;

    LineSupervisor(Line& line, TimerFactory& timers, Events& events);
    ~LineSupervisor();
    LineSupervisor(const LineSupervisor&) = delete;
    LineSupervisor& operator=(const LineSupervisor&) = delete;

    Line& line() { return line_; }
    // Opens the line as its user asks; a failure found at once is returned and not reported.
    Result<Line::Opening> open();
    // An outage that the user has already been told of (the line was not there when asked for): the line is
    // tried as after a loss, and back() ends it.
    void watch();
    // Ends any watch first, so that nothing opens the line again on the way out.
    void close();
    bool isWatching() const { return watching_; }

  private:
    void received() override;
    void opened() override;
    void openFailed(const Message& why) override;
    void lost(const Message& why) override;
    void settingsFailed(const Message& why) override;

    void tryAgain();
    void tryLater();
    void onTrial();

    Line& line_;
    Events& events_;
    std::unique_ptr<Timer> watchTimer_;
    std::unique_ptr<Timer> holdTimer_;
    bool userPending_ = false; // an open of the user's that has not ended
    bool watching_ = false;    // an outage, until a connection holds
    bool trying_ = false;      // the watch's pending open
    int waitMs_ = kFirstTryMs;
};

} // namespace q7
