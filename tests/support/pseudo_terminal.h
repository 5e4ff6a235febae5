// SPDX-License-Identifier: MIT
#pragma once
// A pseudo-terminal standing in for the cable: the test holds the master end and plays the projector; the
// port under test opens the slave by its path, as it would open /dev/ttyS0.

#include <string>
#include <termios.h>

namespace q7::test {

class Pty {
  public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }
    bool send(const std::string& bytes) const;
    // What has arrived so far, without waiting.
    std::string drain() const;
    // The other end hangs up, as a pulled adapter does.
    void hangUp();
    // The line settings the port under test has set.
    termios settings() const;

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

} // namespace q7::test
