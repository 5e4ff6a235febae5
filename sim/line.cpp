// SPDX-License-Identifier: MIT
#include "line.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace q7sim {

namespace {

std::string failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

speed_t speedCode(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

} // namespace

Line Line::openPseudoTerminal(std::string* error) {
    Line line;
    line.fd_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (line.fd_ < 0) {
        *error = failure("posix_openpt");
        return Line();
    }
    char name[128];
    if (grantpt(line.fd_) != 0 || unlockpt(line.fd_) != 0 || ptsname_r(line.fd_, name, sizeof name) != 0) {
        *error = failure("pseudo-terminal");
        return Line();
    }
    line.path_ = name;
    // Without a process holding the panel's end, a pseudo-terminal reports a hang-up on every poll until the
    // panel opens it again.
    line.peer_ = open(name, O_RDWR | O_NOCTTY);
    if (line.peer_ < 0 || !makeRaw(line.peer_)) {
        *error = failure(line.path_);
        return Line();
    }
    fcntl(line.fd_, F_SETFL, fcntl(line.fd_, F_GETFL) | O_NONBLOCK);
    return line;
}

Line Line::openDevice(const std::string& path, int baud, std::string* error) {
    Line line;
    line.device_ = true;
    line.path_ = path;
    const speed_t speed = speedCode(baud);
    if (speed == B0) {
        *error = "unsupported speed " + std::to_string(baud);
        return Line();
    }
    line.fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    if (line.fd_ < 0 || tcgetattr(line.fd_, &t) != 0) {
        *error = failure(path);
        return Line();
    }
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD | HUPCL;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (tcsetattr(line.fd_, TCSANOW, &t) != 0) {
        *error = failure(path);
        return Line();
    }
    return line;
}

Line Line::listenTcp(const std::string& address, int port, std::string* error) {
    // Brackets as in a URL, where an IPv6 address's colons would run into the port's.
    const bool ipv6 = address.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + address + "]" : address;
    sockaddr_storage storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    socklen_t size = ipv6 ? sizeof *v6 : sizeof *v4;
    if (ipv6) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    } else {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
    }
    if (inet_pton(storage.ss_family, address.c_str(),
                  ipv6 ? static_cast<void*>(&v6->sin6_addr) : &v4->sin_addr) != 1) {
        *error = host + ": not an IPv4 or IPv6 address";
        return Line();
    }

    Line line;
    line.listen_ = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (line.listen_ < 0) {
        *error = failure("socket");
        return Line();
    }
    const int on = 1;
    setsockopt(line.listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    auto* bound = reinterpret_cast<sockaddr*>(&storage);
    if (bind(line.listen_, bound, size) != 0 || listen(line.listen_, 4) != 0 ||
        getsockname(line.listen_, bound, &size) != 0) {
        *error = failure(host + ":" + std::to_string(port));
        return Line();
    }
    const std::uint16_t chosen = ipv6 ? v6->sin6_port : v4->sin_port;
    line.path_ = "socket://" + host + ":" + std::to_string(ntohs(chosen));
    return line;
}

bool Line::acceptClient() {
    if (listen_ < 0 || fd_ >= 0) return false;
    fd_ = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd_ < 0) return false;
    // Each reply leaves at once, as it would from a serial device server.
    const int on = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void Line::dropClient() {
    if (listen_ < 0 || fd_ < 0) return;
    close(fd_);
    fd_ = -1;
}

Line::Line(Line&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), peer_(std::exchange(other.peer_, -1)),
      listen_(std::exchange(other.listen_, -1)), device_(other.device_), path_(std::move(other.path_)) {}

Line& Line::operator=(Line&& other) noexcept {
    if (this != &other) {
        hangUp();
        fd_ = std::exchange(other.fd_, -1);
        peer_ = std::exchange(other.peer_, -1);
        listen_ = std::exchange(other.listen_, -1);
        device_ = other.device_;
        path_ = std::move(other.path_);
    }
    return *this;
}

Line::~Line() {
    hangUp();
}

void Line::drain(std::chrono::milliseconds bound) {
    if (fd_ < 0) return;
    if (device_) {
        tcdrain(fd_);
        return;
    }
    // Written bytes reach the panel's queue a moment later, so an empty queue right after the write proves
    // nothing.
    const auto end = std::chrono::steady_clock::now() + bound;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // A socket's unsent bytes (TIOCOUTQ) must leave before it closes; of a pseudo-terminal, what the panel
    // has not read.
    const int fd = listen_ >= 0 ? fd_ : peer_;
    const unsigned long request = listen_ >= 0 ? TIOCOUTQ : FIONREAD;
    int waiting = 0;
    while (std::chrono::steady_clock::now() < end && ioctl(fd, request, &waiting) == 0 && waiting > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void Line::hangUp() {
    if (fd_ >= 0 && device_) {
        termios t{};
        if (tcgetattr(fd_, &t) == 0) {
            cfsetospeed(&t, B0);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    if (peer_ >= 0) close(peer_);
    if (fd_ >= 0) close(fd_);
    if (listen_ >= 0) close(listen_);
    fd_ = peer_ = listen_ = -1;
}

} // namespace q7sim
