// SPDX-License-Identifier: MIT
#include "log/session_log.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace q7 {
namespace {

std::string localTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(when);
    const auto ms = duration_cast<milliseconds>(when - seconds).count();
    const std::time_t t = system_clock::to_time_t(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    char date[32], zone[8];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    // ISO 8601 wants the offset as +09:00; %z writes +0900.
    if (std::strftime(zone, sizeof zone, "%z", &tm) != 5) std::strcpy(zone, "+0000");
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03d%.3s:%.2s", date, static_cast<int>(ms), zone, zone + 3);
    return out;
}

void appendField(std::string& line, std::string_view text) {
    for (const char c : text)
        line += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    line += '\t';
}

std::string formatLine(std::string_view port, std::string_view direction, std::string_view trace,
                       std::string_view bytes) {
    std::string line = localTime(std::chrono::system_clock::now()) + '\t';
    appendField(line, port);
    appendField(line, direction);
    appendField(line, trace);
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0) line += ' ';
        line += kDigits[b >> 4];
        line += kDigits[b & 0xF];
    }
    line += '\n';
    return line;
}

Message cannotWrite(const std::string& path, int error) {
    return Message(Text::q7tr("Cannot write the log %1: %2."),
                   {Message::verbatim(path), Message::verbatim(std::generic_category().message(error))});
}

int openForAppend(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

} // namespace

Result<std::uint64_t> parseLogSize(std::string_view text) {
    std::uint64_t unit = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'k')) unit = 1024;
    if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) unit = 1024 * 1024;
    const std::string_view digits = unit == 1 ? text : text.substr(0, text.size() - 1);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value == 0 ||
        value > std::numeric_limits<std::uint64_t>::max() / unit)
        return failure(
            Message(Text::q7tr("the size of the log must be a whole number of bytes above 0, or of "
                               "kibibytes with K or mebibytes with M, not %1"),
                    {quoted(std::string(text))}));
    return value * unit;
}

Result<std::unique_ptr<SessionLog>> SessionLog::open(const std::string& path, std::uint64_t maxBytes,
                                                     Failed onFailure) {
    const int fd = openForAppend(path);
    if (fd < 0) return failure(cannotWrite(path, errno));
    return std::unique_ptr<SessionLog>(new SessionLog(path, fd, maxBytes, std::move(onFailure)));
}

SessionLog::SessionLog(std::string path, int fd, std::uint64_t maxBytes, Failed onFailure)
    : path_(std::move(path)), maxBytes_(maxBytes), onFailure_(std::move(onFailure)), fd_(fd),
      writer_(&SessionLog::run, this) {}

SessionLog::~SessionLog() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    writer_.join();
    ::close(fd_);
}

void SessionLog::write(std::string_view port, Direction dir, std::string_view trace, std::string_view bytes) {
    static constexpr std::string_view kDirections[] = {"TX", "RX", "--"};
    std::string line = formatLine(port, kDirections[static_cast<int>(dir)], trace, bytes);
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (stopped_) return;
        if (queue_.size() + (unreported_ > 0 ? 2 : 1) > kQueueLines) {
            ++dropped_;
            ++unreported_;
            return;
        }
        if (unreported_ > 0) {
            queue_.push_back(formatLine(
                "", "--", "dropped " + std::to_string(unreported_) + " lines: the disk fell behind", ""));
            ++queued_;
            unreported_ = 0;
        }
        queue_.push_back(std::move(line));
        ++queued_;
    }
    wake_.notify_one();
}

void SessionLog::flush() {
    std::unique_lock<std::mutex> hold(mutex_);
    const std::uint64_t target = queued_;
    written_.wait(hold, [&] { return done_ >= target; });
}

std::uint64_t SessionLog::dropped() const {
    const std::lock_guard<std::mutex> hold(mutex_);
    return dropped_;
}

void SessionLog::run() {
    bool stopped = false;
    for (;;) {
        std::vector<std::string> lines;
        {
            std::unique_lock<std::mutex> hold(mutex_);
            wake_.wait(hold, [&] { return !queue_.empty() || ending_; });
            if (queue_.empty()) return;
            lines.swap(queue_);
        }
        // After a failure the lines are let go: one report, and no retry against a disk that is full.
        if (!stopped) {
            const Result<> appended = append(lines);
            if (!appended) {
                stopped = true;
                if (onFailure_) onFailure_(appended.error());
            }
        }
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            stopped_ = stopped;
            done_ += lines.size();
        }
        written_.notify_all();
    }
}

Result<> SessionLog::append(const std::vector<std::string>& lines) {
    if (Result<> locked = lock(); !locked) return locked;
    std::string chunk;
    Result<> result;
    for (const std::string& line : lines) {
        while (result && size_ + chunk.size() > 0 && size_ + chunk.size() + line.size() > maxBytes_) {
            result = put(chunk);
            chunk.clear();
            if (result) result = rotate();
        }
        if (!result) break;
        chunk += line;
    }
    if (result) result = put(chunk);
    ::flock(fd_, LOCK_UN);
    return result;
}

// Locks the file that the path names now: another process may have rotated it since we opened ours.
Result<> SessionLog::lock() {
    for (;;) {
        struct stat ours = {}, named = {};
        if (::flock(fd_, LOCK_EX) != 0 || ::fstat(fd_, &ours) != 0) return failure(cannotWrite(path_, errno));
        if (::stat(path_.c_str(), &named) == 0 && named.st_dev == ours.st_dev &&
            named.st_ino == ours.st_ino) {
            size_ = static_cast<std::uint64_t>(ours.st_size);
            return {};
        }
        const int fd = openForAppend(path_);
        if (fd < 0) return failure(cannotWrite(path_, errno));
        ::close(fd_); // and with it our lock on the old file
        fd_ = fd;
    }
}

// Only the holder of the lock on the file that the path names renames it, so two never rotate one file. A
// file removed by hand meanwhile needs no rotation.
Result<> SessionLog::rotate() {
    if (::rename(path_.c_str(), (path_ + ".1").c_str()) != 0 && errno != ENOENT)
        return failure(cannotWrite(path_, errno));
    const int fd = openForAppend(path_);
    if (fd < 0) return failure(cannotWrite(path_, errno));
    ::close(fd_);
    fd_ = fd;
    return lock();
}

// A line cut short by a full disk is taken back: left in place, the next append after space is freed would
// join it, and a reader could not tell the two apart.
Result<> SessionLog::put(const std::string& chunk) {
    for (std::size_t at = 0; at < chunk.size();) {
        const ssize_t n = ::write(fd_, chunk.data() + at, chunk.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            // The lines before it stay (npos + 1 is 0); the write's error is the one told either way.
            const std::size_t whole = std::string_view(chunk).substr(0, at).rfind('\n') + 1;
            const bool takenBack = whole == at || ::ftruncate(fd_, static_cast<off_t>(size_ + whole)) == 0;
            size_ += takenBack ? whole : at;
            return failure(cannotWrite(path_, error));
        }
        at += static_cast<std::size_t>(n);
    }
    size_ += chunk.size();
    return {};
}

} // namespace q7
