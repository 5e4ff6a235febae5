// SPDX-License-Identifier: MIT
#include "chain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace q7sim {

std::string logToken(std::string_view bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (code < 32 || code > 126) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", code);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + '"';
}

Chain::Chain(const std::vector<std::string>& ids, const ProjectorSettings& settings, LineFaults faults,
             Millis now)
    : faults_(std::move(faults)), chatterStart_(now), random_(faults_.seed) {
    projectors_.reserve(ids.size());
    for (const std::string& id : ids)
        projectors_.emplace_back(id, settings, now);
}

void Chain::logEvent(Millis now, std::string_view event) {
    if (log_) log_(std::to_string(now.count()) + " " + std::string(event));
}

void Chain::receive(std::string_view bytes, Millis now) {
    for (const char c : bytes) {
        // CR ends a frame; a lone LF does too, but the LF of a CR LF pair is not a frame of its own.
        if (c == '\r' || (c == '\n' && (!buffer_.empty() || overlong_))) {
            takeFrame(now);
        } else if (c != '\n') {
            if (buffer_.size() < kMaxFrame)
                buffer_ += c;
            else
                overlong_ = true;
        }
    }
}

void Chain::takeFrame(Millis now) {
    const std::string frame = std::move(buffer_);
    const bool overlong = overlong_;
    buffer_.clear();
    overlong_ = false;
    ++frames_;

    std::string line = "RX " + logToken(frame);
    if (overlong) {
        logEvent(now, line + " overlong, dropped");
    } else if (hangUpRequested_) {
        logEvent(now, line + " ignored, hanging up");
    } else {
        // A chain passes every frame along; each projector acts on its own address, on "AFFF" and on frames
        // without an address, and only the first one answers the shared frames so that replies do not
        // collide.
        std::string_view command = frame;
        std::vector<Projector*> targets;
        Projector* answering = nullptr;
        if (frame.size() >= 4 && frame[0] == 'A') {
            const std::string_view address = std::string_view(frame).substr(1, 3);
            command = std::string_view(frame).substr(4);
            for (Projector& p : projectors_)
                if (address == "FFF" || address == p.id()) targets.push_back(&p);
        } else {
            for (Projector& p : projectors_)
                targets.push_back(&p);
        }
        if (!targets.empty()) answering = targets.front();

        std::optional<std::string> reply;
        for (Projector* p : targets) {
            auto answer = p->answer(command, now);
            if (p == answering) reply = std::move(answer);
        }

        line += " to ";
        for (std::size_t i = 0; i < targets.size(); ++i)
            line += (i ? "," : "") + targets[i]->id();
        const bool withheld =
            faults_.noReply || silent_ ||
            std::find(faults_.noReplyTo.begin(), faults_.noReplyTo.end(), command) != faults_.noReplyTo.end();
        if (targets.empty()) {
            line += "none";
        } else if (!reply) {
            line += " no reply";
        } else if (withheld) {
            line += " reply withheld";
        } else {
            line += " reply " + logToken(*reply);
            schedule(std::move(*reply), now);
        }
        logEvent(now, line);
    }
    if (faults_.hangUpAfter > 0 && frames_ == faults_.hangUpAfter) requestHangUp();
}

void Chain::schedule(std::string reply, Millis now) {
    if (faults_.garbage) {
        std::uniform_int_distribution<int> count(1, 3);
        std::uniform_int_distribution<int> high(0x80, 0xFF);
        for (int n = count(random_); n > 0; --n) {
            // Anywhere before the closing CR, so the reply still ends the way a listener expects.
            std::uniform_int_distribution<std::size_t> where(0, reply.size() - 1);
            reply.insert(reply.begin() + static_cast<std::ptrdiff_t>(where(random_)),
                         static_cast<char>(high(random_)));
        }
    }
    const Millis due = std::max(now + faults_.delay, lastDue_);
    if (faults_.split && reply.size() > 1) {
        const std::size_t half = reply.size() / 2;
        queue_.push_back({due, reply.substr(0, half)});
        queue_.push_back({due + faults_.splitGap, reply.substr(half)});
        lastDue_ = due + faults_.splitGap;
    } else {
        queue_.push_back({due, std::move(reply)});
        lastDue_ = due;
    }
}

std::optional<Millis> Chain::nextChatter() const {
    if (faults_.chatterRate <= 0) return std::nullopt;
    const double at = static_cast<double>(chatterSent_ + 1) * 1000.0 / faults_.chatterRate;
    return chatterStart_ + Millis(static_cast<Millis::rep>(std::ceil(at)));
}

std::string Chain::takeDue(Millis now) {
    std::string out;
    if (faults_.chatterRate > 0) {
        const double elapsed = static_cast<double>((now - chatterStart_).count());
        const auto owed = static_cast<std::uint64_t>(std::max(0.0, elapsed * faults_.chatterRate / 1000.0));
        std::uniform_int_distribution<int> printable(0x21, 0x7E);
        for (; chatterSent_ < owed; ++chatterSent_)
            out += static_cast<char>(printable(random_));
    }
    while (!queue_.empty() && queue_.front().due <= now) {
        out += queue_.front().bytes;
        queue_.pop_front();
    }
    return out;
}

std::optional<Millis> Chain::nextDue() const {
    std::optional<Millis> next = nextChatter();
    if (!queue_.empty() && (!next || queue_.front().due < *next)) next = queue_.front().due;
    return next;
}

} // namespace q7sim
