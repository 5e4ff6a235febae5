// SPDX-License-Identifier: MIT
#include "pseudo_terminal.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace q7::test {

Pty::Pty() {
    if (::openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    path_ = ::ttyname(slave_);
    termios raw = settings();
    ::cfmakeraw(&raw);
    ::tcsetattr(master_, TCSANOW, &raw);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
    hangUp();
    if (slave_ >= 0) ::close(slave_);
}

bool Pty::send(const std::string& bytes) const {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::string Pty::drain() const {
    std::string out;
    char chunk[4096];
    for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<std::size_t>(n));
    return out;
}

void Pty::hangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

termios Pty::settings() const {
    termios tio{};
    ::tcgetattr(master_, &tio);
    return tio;
}

} // namespace q7::test
