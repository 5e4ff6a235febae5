// SPDX-License-Identifier: MIT
#pragma once
// A pseudo-terminal standing in for the cable: the test holds the master end and plays the projector; the
// port under test opens the slave by its path, as it would open /dev/ttyS0.

#include <fcntl.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace q7::test {

class Pty {
  public:
    Pty() {
        if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
        path_ = ::ttyname(slave_);
        termios raw = settings();
        ::cfmakeraw(&raw);
        ::tcsetattr(master_, TCSANOW, &raw);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        hangUp();
        ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }
    bool send(const std::string& bytes) const {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // What has arrived so far, without waiting.
    std::string drain() const {
        std::string out;
        char chunk[4096];
        for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;)
            out.append(chunk, static_cast<std::size_t>(n));
        return out;
    }
    // The other end hangs up, as a pulled adapter does.
    void hangUp() {
        if (master_ >= 0) ::close(std::exchange(master_, -1));
    }
    // Settings of the test's own, such as a speed the port under test never uses.
    void setSettings(const termios& tio) const { ::tcsetattr(master_, TCSANOW, &tio); }
    // The line settings the port under test has applied.
    termios settings() const {
        termios tio{};
        ::tcgetattr(master_, &tio);
        return tio;
    }

  private:
    int master_ = -1, slave_ = -1;
    std::string path_;
};

} // namespace q7::test
