// SPDX-License-Identifier: MIT
#include "log/session_log.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace q7 {
namespace {

std::string localTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(when);
    const auto ms = duration_cast<milliseconds>(when - seconds).count();
    const LocalTime local = localTimeAt(system_clock::to_time_t(seconds));
    const std::tm& tm = local.fields;
    const long offset = std::labs(local.utcOffsetSeconds) / 60;
    char out[80];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms),
                  local.utcOffsetSeconds < 0 ? '-' : '+', offset / 60, offset % 60);
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

Message cannotWrite(const std::string& path, const std::error_code& error) {
    return Message(Text::q7tr("Cannot write the log %1: %2."),
                   {Message::verbatim(path), Message::verbatim(error.message())});
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
    LogFile file;
    if (const std::error_code error = file.open(path)) return failure(cannotWrite(path, error));
    return std::unique_ptr<SessionLog>(new SessionLog(path, std::move(file), maxBytes, std::move(onFailure)));
}

SessionLog::SessionLog(std::string path, LogFile file, std::uint64_t maxBytes, Failed onFailure)
    : path_(std::move(path)), maxBytes_(maxBytes), onFailure_(std::move(onFailure)), file_(std::move(file)),
      writer_(&SessionLog::run, this) {}

SessionLog::~SessionLog() {
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    writer_.join();
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
    file_.unlock();
    return result;
}

// Locks the file that the path names now: another process may have rotated it since we opened ours.
Result<> SessionLog::lock() {
    for (;;) {
        if (const std::error_code error = file_.lock()) return failure(cannotWrite(path_, error));
        if (file_.isNamedBy(path_)) {
            const std::error_code error = file_.size(size_);
            if (!error) return {};
            file_.unlock();
            return failure(cannotWrite(path_, error));
        }
        if (const std::error_code error = file_.open(path_)) return failure(cannotWrite(path_, error));
    }
}

// Only the holder of the lock on the file that the path names renames it, so two never rotate one file. A
// file removed by hand meanwhile needs no rotation.
Result<> SessionLog::rotate() {
    if (const std::error_code error = renameToOlder(path_)) return failure(cannotWrite(path_, error));
    if (const std::error_code error = file_.open(path_)) return failure(cannotWrite(path_, error));
    return lock();
}

// A line cut short by a full disk is taken back: left in place, the next append after space is freed would
// join it, and a reader could not tell the two apart.
Result<> SessionLog::put(const std::string& chunk) {
    for (std::size_t at = 0; at < chunk.size();) {
        std::error_code error;
        const std::size_t n = file_.write(std::string_view(chunk).substr(at), error);
        if (n == 0) {
            // The lines before it stay (npos + 1 is 0); the write's error is the one told either way.
            const std::size_t whole = std::string_view(chunk).substr(0, at).rfind('\n') + 1;
            const bool takenBack = whole == at || file_.truncate(size_ + whole);
            size_ += takenBack ? whole : at;
            return failure(cannotWrite(path_, error));
        }
        at += n;
    }
    size_ += chunk.size();
    return {};
}

} // namespace q7
