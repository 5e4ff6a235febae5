// SPDX-License-Identifier: MIT
#include "pty_wire.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace q7bench {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

PtyWire::PtyWire(Kind kind) {
    if (kind == Kind::Tcp) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            close(listener_);
            listener_ = -1;
            return;
        }
        device_ = "socket://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        reader_ = std::thread([this] { readLoop(); });
        return;
    }
    char name[PATH_MAX] = {};
    int master = -1;
    if (openpty(&master, &slave_, name, nullptr, nullptr) != 0) {
        slave_ = -1;
        return;
    }
    // Raw until the panel sets its own line: no echo of chatter or answers back into the wire, CR stays CR.
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    device_ = name;
    master_ = master;
    reader_ = std::thread([this] { readLoop(); });
}

PtyWire::~PtyWire() {
    stopChatter();
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    if (listener_ >= 0) close(listener_);
}

std::size_t PtyWire::frameCount() const {
    std::lock_guard lock(mutex_);
    return frames_.size();
}

std::vector<WireFrame> PtyWire::framesSince(std::size_t first) const {
    std::lock_guard lock(mutex_);
    if (first >= frames_.size()) return {};
    return {frames_.begin() + static_cast<std::ptrdiff_t>(first), frames_.end()};
}

void PtyWire::setOnFrame(std::function<void(std::size_t)> callback) {
    std::lock_guard lock(mutex_);
    onFrame_ = std::move(callback);
}

void PtyWire::readLoop() {
    std::string partial;
    char buffer[4096];
    static constexpr char kAck[] = {'\x06', '\r'};
    while (!stop_) {
        pollfd p[2] = {{master_, POLLIN, 0}, {listener_, POLLIN, 0}};
        // Bounded so that the destructor is never kept waiting on a silent line.
        if (poll(p, 2, 50) <= 0) continue;
        if (p[1].revents & POLLIN) {
            const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            const int one = 1;
            setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            if (const int old = master_.exchange(connection); old >= 0) close(old);
            partial.clear();
            continue;
        }
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t n = read(master_, buffer, sizeof buffer);
        const double at = nowMs();
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) usleep(1000); // panel's side closed for a moment
            if (n == 0 && listener_ >= 0) close(master_.exchange(-1));    // the panel let the connection go
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] != '\r') {
                partial += buffer[i];
                continue;
            }
            if (answering_) {
                [[maybe_unused]] const ssize_t sent = write(master_, kAck, sizeof kAck);
            }
            std::lock_guard lock(mutex_);
            frames_.push_back({std::move(partial), at});
            partial.clear();
            if (onFrame_) onFrame_(frames_.size());
        }
    }
}

void PtyWire::startChatter(int charsPerSecond) {
    stopChatter();
    chatterStop_ = false;
    chattered_ = 0;
    chatter_ = std::thread([this, charsPerSecond] { chatterLoop(charsPerSecond); });
}

std::size_t PtyWire::stopChatter() {
    chatterStop_ = true;
    if (chatter_.joinable()) chatter_.join();
    return chattered_;
}

void PtyWire::chatterLoop(int charsPerSecond) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> printable(0x20, 0x7E);
    std::string chunk;
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const double start = nowMs();
    std::uint64_t written = 0;
    while (!chatterStop_) {
        // Paced on absolute time, so that a late wake-up sends the characters it owes instead of losing them.
        const auto due = static_cast<std::uint64_t>((nowMs() - start) * charsPerSecond / 1000.0);
        chunk.clear();
        for (; written + chunk.size() < due;)
            chunk += static_cast<char>(printable(random));
        std::size_t off = 0;
        while (off < chunk.size()) {
            const ssize_t n = write(master_, chunk.data() + off, chunk.size() - off);
            if (n <= 0) break;
            off += static_cast<std::size_t>(n);
        }
        written += off;
        chattered_ = written;
        next.tv_nsec += 1'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
}

} // namespace q7bench
