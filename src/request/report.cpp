// SPDX-License-Identifier: MIT
#include "request/report.h"

#include "display/trace.h"

#include <charconv>

namespace q7 {
namespace {

std::string number(double n) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, n).ptr;
    return std::string(text, end);
}

std::string joined(const std::vector<double>& numbers, std::string_view unit, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        out += (i ? separator : "") + number(numbers[i]) + std::string(unit);
    return out;
}

// The value in words; empty when the reply carries none.
std::string words(const StatusKey& key, const StatusValue& v) {
    switch (v.kind) {
    case StatusValue::Kind::None:
        return {};
    case StatusValue::Kind::Number:
        return number(v.number) + std::string(key.unit);
    case StatusValue::Kind::Text:
        return v.text;
    case StatusValue::Kind::Numbers:
        return joined(v.numbers, key.unit, ", ");
    case StatusValue::Kind::Mutes:
        return std::string("video mute ") + (v.video ? "on" : "off") + ", audio mute " +
               (v.audio ? "on" : "off");
    case StatusValue::Kind::Lamps:
        return v.text + ", lamps lit: " + (v.numbers.empty() ? "none" : joined(v.numbers, "", ", "));
    }
    return {};
}

// The trace of what came, without its closing blank: ": 1 2".
std::string shown(const std::string& received) {
    std::string trace = traceText(received);
    if (trace.ends_with(' ')) trace.pop_back();
    return ":" + trace;
}

std::string statusLine(const Answer& a) {
    const Exchanged& e = a.exchanged;
    if (std::string w = words(*a.key, statusValue(a.key->key, e.received)); !w.empty()) return w;
    switch (e.outcome) {
    case Outcome::None:
        return e.frames ? "no reply" : "not asked";
    case Outcome::Nak:
        return "refused (NAK)";
    case Outcome::Partial:
        return "incomplete reply" + shown(e.received);
    case Outcome::Ack:
    case Outcome::Reply:
        break;
    }
    return "unexpected reply" + shown(e.received);
}

} // namespace

std::string plainText(const Request& request, const std::vector<Answer>& answers) {
    std::string out;
    for (const Answer& a : answers) {
        if (request.kind == Request::Kind::Status) {
            out += a.name + ": " + statusLine(a) + "\n";
            continue;
        }
        const std::string& got = a.exchanged.received;
        out += (got.empty() ? std::string(kNoReply) : traceText(got)) + "\n";
        if (a.statusText) out += *a.statusText + "\n";
    }
    return out;
}

std::vector<Message> replyNotes(const std::vector<Answer>& answers) {
    std::vector<Message> notes;
    for (const Answer& a : answers) {
        const Exchanged& e = a.exchanged;
        if (e.frames == 0) continue;
        const Message frame = Message::verbatim(e.frame.substr(0, e.frame.find('\r')));
        const Message window = Message::number(e.windowMs);
        if (e.outcome == Outcome::None)
            notes.emplace_back(Text::q7tr("no reply to %1 within %2 ms"),
                               std::initializer_list<Message>{frame, window});
        else if (e.outcome == Outcome::Partial)
            notes.emplace_back(Text::q7tr("the reply to %1 did not end within %2 ms"),
                               std::initializer_list<Message>{frame, window});
    }
    return notes;
}

} // namespace q7
