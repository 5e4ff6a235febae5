// SPDX-License-Identifier: MIT
#include "pjlink/session.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace q7::pjlink {
namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool alphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}
bool hexDigit(char c) {
    return (c >= '0' && c <= '9') || (upper(c) >= 'A' && upper(c) <= 'F');
}

bool sameDigest(std::string_view given, std::string_view expected) {
    return given.size() == expected.size() && std::equal(given.begin(), given.end(), expected.begin(),
                                                         [](char a, char b) { return upper(a) == upper(b); });
}

} // namespace

Session::Session(Connection& connection, TimerFactory& timers, Projector& projector, std::string password,
                 std::string random)
    : connection_(connection), projector_(projector),
      digest_(password.empty() ? std::string() : md5Hex(random + password)),
      idle_(timers.makeTimer(kIdleMs, [this] { end({}); })), authenticated_(digest_.empty()),
      self_(std::make_shared<Session*>(this)) {
    connection_.write(password.empty() ? std::string("PJLINK 0\r") : "PJLINK 1 " + random + "\r");
    if (!over_) idle_->setEnabled(true);
}

Session::~Session() = default;

// A line is kept only up to the longest a digest and a command make together; the rest of a longer one is
// counted, not kept, and the line is refused once its end comes.
void Session::received(std::string_view bytes) {
    for (const char c : bytes) {
        if (over_) return;
        if (c == '\r' || c == '\n') {
            const bool overlong = std::exchange(overlong_, false);
            const std::string line = std::exchange(line_, {});
            if (!line.empty() || overlong) take(line, overlong);
        } else if (line_.size() < kDigestChars + kLongestCommand) {
            line_ += c;
        } else {
            overlong_ = true;
        }
    }
}

// The command starts at the line's first '%'; what comes before it is the digest's place.
// - No '%', or fewer than the six characters of "%1POWR": nothing a controller could match an answer to, so
//   the line is ignored.
// - With a password, whatever stands before the '%' must be the right digest (upper or lower case), and the
//   first command must have one: anything else is "PJLINK ERRA" and the end of the connection, so that a
//   client that carries on after ERRA without a digest is never served.
// - Without a password, the clients seen send no digest after "PJLINK 0"; one that does anyway (a controller
// set up
//   with a password the projector does not have) is served: the digest is ignored. Anything else in front of
//   the '%' is not PJLink and the line is ignored.
// - A class other than 1 or 2, or a body that is not four letters or digits, is an undefined command: ERR1,
//   under class 1 and the body as sent. A line too long, a missing blank or an empty parameter: ERR2. No
//   command takes an empty parameter, so the projector is never handed one.
void Session::take(std::string_view line, bool overlong) {
    const std::size_t start = line.find('%');
    if (start == std::string_view::npos) return;
    const std::string_view digest = line.substr(0, start), text = line.substr(start);
    if (text.size() < 6) return;
    if (!digest_.empty()) {
        if (digest.empty() ? !authenticated_ : !sameDigest(digest, digest_)) return end("PJLINK ERRA\r");
        authenticated_ = true;
    } else if (!digest.empty() &&
               !(digest.size() == kDigestChars && std::all_of(digest.begin(), digest.end(), hexDigit))) {
        return;
    }

    Waiting waiting;
    waiting.command.pjClass = text[1] == '2' ? '2' : '1';
    std::transform(text.begin() + 2, text.begin() + 6, std::back_inserter(waiting.command.body), upper);
    const std::string& body = waiting.command.body;
    if ((text[1] != '1' && text[1] != '2') || !std::all_of(body.begin(), body.end(), alphanumeric))
        waiting.refusal = "ERR1";
    else if (overlong || text.size() + 1 > kLongestCommand || text.size() < 8 || text[6] != ' ')
        waiting.refusal = "ERR2";
    else
        waiting.command.param = text.substr(7);

    if (waiting_.size() + (asking_ ? 1 : 0) >= kWaitingLimit) return end({});
    waiting_.push_back(std::move(waiting));
    idle_->setEnabled(false);
    pump();
}

// An answer may come at once, from inside command(): the loop then carries on from there.
void Session::pump() {
    if (pumping_) return;
    pumping_ = true;
    while (!over_ && !asking_ && !waiting_.empty()) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        if (!next.refusal.empty()) {
            connection_.write(replyLine(next.command, next.refusal));
            continue;
        }
        asking_ = true;
        asked_ = std::move(next.command);
        projector_.command(
            asked_, [self = std::weak_ptr<Session*>(self_), serial = ++serial_](const std::string& value) {
                if (const std::shared_ptr<Session*> session = self.lock())
                    (*session)->answered(serial, value);
            });
    }
    pumping_ = false;
    if (!over_ && !asking_ && waiting_.empty()) idle_->setEnabled(true);
}

void Session::answered(std::uint64_t serial, const std::string& value) {
    if (over_ || !asking_ || serial != serial_) return;
    asking_ = false;
    connection_.write(replyLine(asked_, value));
    pump();
}

void Session::end(std::string_view last) {
    over_ = true;
    idle_->setEnabled(false);
    waiting_.clear();
    if (!last.empty()) connection_.write(last);
    connection_.close();
}

void Session::closed() {
    over_ = true;
    idle_->setEnabled(false);
    waiting_.clear();
}

} // namespace q7::pjlink
