// SPDX-License-Identifier: MIT
#include "session/logged_line.h"

#include "display/trace.h"

#include <utility>

namespace q7 {

LoggedLine::~LoggedLine() {
    if (events_) line_.setEvents(nullptr);
}

void LoggedLine::setEvents(LineEvents* events) {
    events_ = events;
    line_.setEvents(events ? this : nullptr);
}

// Another address is another line: its first failure is written again.
void LoggedLine::setAddress(const std::string& address) {
    away_ = false;
    line_.setAddress(address);
}

Result<Line::Opening> LoggedLine::open() {
    Result<Opening> opening = line_.open();
    if (!opening)
        wentAway("failed: " + opening.error().english());
    else if (*opening == Opening::Open)
        cameOpen();
    return opening;
}

// A connection given up before it was made was never opened.
void LoggedLine::close() {
    const bool wasOpen = line_.isOpen() && !line_.isConnecting();
    line_.close();
    if (wasOpen) event("closed");
}

bool LoggedLine::write(std::string_view bytes) {
    if (!line_.write(bytes)) return false;
    if (log_ && !bytes.empty())
        log_->write(line_.address(), SessionLog::Direction::TX, traceText(bytes), bytes);
    return true;
}

std::string LoggedLine::readAll() {
    std::string bytes = line_.readAll();
    if (log_ && !bytes.empty())
        log_->write(line_.address(), SessionLog::Direction::RX, traceText(bytes), bytes);
    return bytes;
}

void LoggedLine::received() {
    if (events_) events_->received();
}

void LoggedLine::opened() {
    cameOpen();
    if (events_) events_->opened();
}

void LoggedLine::openFailed(const Message& why) {
    wentAway("failed: " + why.english());
    if (events_) events_->openFailed(why);
}

void LoggedLine::lost(const Message& why) {
    wentAway("lost: " + why.english());
    if (events_) events_->lost(why);
}

void LoggedLine::settingsFailed(const Message& why) {
    if (events_) events_->settingsFailed(why);
}

void LoggedLine::cameOpen() {
    event(std::exchange(away_, false) ? "opened again" : "opened");
}

void LoggedLine::wentAway(const std::string& what) {
    if (!std::exchange(away_, true)) event(what);
}

void LoggedLine::event(const std::string& what) {
    if (log_) log_->write(line_.address(), SessionLog::Direction::Event, what, {});
}

} // namespace q7
