// SPDX-License-Identifier: MIT
#pragma once
// The far end of a pseudo-terminal, where a projector would sit: a reader thread takes every frame the panel
// writes with the CLOCK_MONOTONIC time at which its carriage return became readable, optionally answers each
// frame with ACK CR as a projector does, and a writer thread can play a device that chatters without pause.
// Or, as a raw TCP serial device server on 127.0.0.1, the same end behind socket://: each new connection of
// the panel takes the place of the last. Standard C++ and POSIX only.

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace q7bench {

// Milliseconds on CLOCK_MONOTONIC, the clock both ends share.
double nowMs();

struct WireFrame {
    std::string text; // without its CR
    double ms;        // when the CR was read
};

class PtyWire {
  public:
    enum class Kind { Pty, Tcp };
    explicit PtyWire(Kind kind = Kind::Pty);
    ~PtyWire();
    PtyWire(const PtyWire&) = delete;
    PtyWire& operator=(const PtyWire&) = delete;

    // The path the panel opens.
    const std::string& device() const { return device_; }
    bool ok() const { return master_ >= 0 || listener_ >= 0; }

    void setAnswering(bool on) { answering_ = on; }
    std::size_t frameCount() const;
    std::vector<WireFrame> framesSince(std::size_t first) const;
    // Runs on the reader thread after every frame with the number of frames so far; keep it short (post to
    // the event loop) and do not call back into the wire from it.
    void setOnFrame(std::function<void(std::size_t frames)> callback);

    // Random printable characters at charsPerSecond, written every millisecond as a fast UART would hand
    // them over, until stopChatter(). Returns the characters written.
    void startChatter(int charsPerSecond);
    std::size_t stopChatter();

  private:
    void readLoop();
    void chatterLoop(int charsPerSecond);

    std::atomic<int> master_{-1};
    int listener_ = -1;
    int slave_ = -1; // kept open so that the panel closing its side never reads as a hang-up
    std::string device_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answering_{true};
    std::atomic<bool> chatterStop_{false};
    std::atomic<std::size_t> chattered_{0};
    mutable std::mutex mutex_;
    std::vector<WireFrame> frames_;
    std::function<void(std::size_t)> onFrame_;
    std::thread reader_;
    std::thread chatter_;
};

} // namespace q7bench
