// SPDX-License-Identifier: MIT
#pragma once
// The session log behind --log FILE: one line for each frame sent or received and each event of a line,
//   2026-12-07T14:03:12.345+09:00 <tab> COM1 <tab> TX <tab> C00 <tab> 43 30 30 0D
// the local time of the call with its offset from UTC, the port, TX, RX or -- for an event, the trace form
// (the panel's readable form, or the event's text) and the bytes in upper-case hexadecimal, empty for an
// event; every line has these five fields. A tab, CR or LF in the port or the trace becomes a blank, so that
// a line stays one line of five fields.
//
// A thread of its own does all the file's I/O: the thread that serves a port only formats a line and queues
// it, and never waits on a slow disk. Several lines (a bridge's) share one SessionLog; several processes
// (q7ctl runs) may share one file: each line is appended under a lock of the whole file, which also covers
// the size check and the rotation, so that none is lost or cut by another's rotation.

#include "base/message.h"
#include "log/log_file.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace q7 {

inline constexpr std::uint64_t kDefaultLogBytes = 10 * 1024 * 1024;

// The value of --log-size: bytes, or with K or M (either case) kibibytes or mebibytes; above 0.
Result<std::uint64_t> parseLogSize(std::string_view text);

class SessionLog {
  public:
    enum class Direction { TX, RX, Event };
    // Called once, from the log's thread, when a write fails (a full disk): the line it cut short is taken
    // back, so the file ends with a whole line, and the log has stopped. The owner hands the message to its
    // own thread to show it.
    using Failed = std::function<void(const Message&)>;

    // Lines waiting for the disk besides those being written: a line that finds the queue full is dropped
    // and counted, and the count is written once the disk catches up, so that a slow disk never holds up a
    // port nor eats the memory.
    static constexpr std::size_t kQueueLines = 10000;

    // The file opened for appending at once, so that a log that cannot be written is refused before any
    // line is served. Before a line would take the file above maxBytes, FILE becomes FILE.1 (replacing the
    // older one) and a new FILE begins; a single line above maxBytes is written alone into a new file.
    static Result<std::unique_ptr<SessionLog>> open(const std::string& path, std::uint64_t maxBytes,
                                                    Failed onFailure = {});
    // Writes what is queued (at most kQueueLines lines) before it returns.
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // The time is taken here, not when the line reaches the disk.
    void write(std::string_view port, Direction dir, std::string_view trace, std::string_view bytes);
    // Returns once every line queued before the call is written, or dropped because the log has stopped.
    void flush();
    std::uint64_t dropped() const;

  private:
    SessionLog(std::string path, LogFile file, std::uint64_t maxBytes, Failed onFailure);
    void run();
    Result<> append(const std::vector<std::string>& lines);
    Result<> lock();
    Result<> rotate();
    Result<> put(const std::string& chunk);

    const std::string path_;
    const std::uint64_t maxBytes_;
    const Failed onFailure_;
    LogFile file_;           // the log's thread alone uses it once it runs
    std::uint64_t size_ = 0; // of file_, while locked

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // lines queued, or the end
    std::condition_variable written_; // lines done with
    std::vector<std::string> queue_;
    std::uint64_t queued_ = 0;     // lines ever queued
    std::uint64_t done_ = 0;       // of them written or discarded
    std::uint64_t dropped_ = 0;    // for a full queue
    std::uint64_t unreported_ = 0; // dropped, and not yet said in the file
    bool stopped_ = false;         // a write failed: no more lines are queued
    bool ending_ = false;
    std::thread writer_;
};

} // namespace q7
