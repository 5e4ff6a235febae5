// SPDX-License-Identifier: MIT
#include "request/request.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace q7 {
namespace {

std::string joined(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
    std::string name;
    for (std::size_t i = from; i < to; ++i)
        name += (i > from ? " " : "") + words[i];
    return name;
}

// Names far longer than any are no misspelling: they get no search, and only their start is said back.
constexpr std::size_t kLongestGuess = 64;

Result<const NamedButton*> button(const std::string& name) {
    if (const NamedButton* found = findButton(name)) return found;
    if (name.size() > kLongestGuess)
        return failure(Message(q7::Text::q7tr("no button is named %1 (q7ctl list shows them all)"),
                               {quoted(name.substr(0, 24) + "...")}));
    std::string nearest;
    for (const std::string_view n : closestNames(name))
        nearest += (nearest.empty() ? "\"" : ", \"") + std::string(n) + "\"";
    return failure(
        Message(q7::Text::q7tr("no button is named %1; the nearest names are %2 (q7ctl list shows them all)"),
                {quoted(name), Message::verbatim(nearest)}));
}

} // namespace

Result<int> parseSeconds(const std::string& text, int longestS) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > longestS)
        return failure(
            Message(Text::q7tr("the seconds of a hold must be a number above 0 and at most %1, not %2"),
                    {Message::number(longestS), quoted(text)}));
    return static_cast<int>(std::lround(seconds * 1000));
}

Result<Request> parseRequest(const std::vector<std::string>& words, int longestHoldS) {
    Request request;
    const std::string first = words.empty() ? std::string() : words.front();
    if (words.empty()) return failure(Message(Text::q7tr("no command given (q7ctl --help lists them)")));
    if (first == "list" && words.size() == 1) return request;
    if (first == "list" && words.size() == 2 &&
        (words[1] == "status" || words[1] == "projectors" || words[1] == "speeds")) {
        request.text = words[1];
        return request;
    }
    if (first == "send") {
        if (words.size() != 2)
            return failure(Message(Text::q7tr("send takes one text, in quotes where it has blanks")));
        request.kind = Request::Kind::Send;
        // One command is one frame: a CR inside would make two, and the panel's CMD box takes no control
        // characters either.
        if (std::any_of(words[1].begin(), words[1].end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
            return failure(Message(Text::q7tr("the text to send holds a control character (CR, LF, ...); one "
                                              "command is one frame")));
        request.text = words[1];
        return request;
    }
    if (first == "status") {
        request.kind = Request::Kind::Status;
        for (std::size_t i = 1; i < words.size(); ++i) {
            const StatusKey* key = findStatusKey(words[i]);
            if (!key)
                return failure(Message(Text::q7tr("no status is named %1; the keys are %2"),
                                       {quoted(words[i]), Message::verbatim(commaList(statusKeyNames()))}));
            request.keys.push_back(key);
        }
        if (request.keys.empty())
            for (const StatusKey& key : statusKeys())
                request.keys.push_back(&key);
        return request;
    }
    if (first == "help") {
        request.kind = Request::Kind::Help;
        if (words.size() > 1) request.text = words[1];
        return request;
    }
    if (first == "hold") {
        const std::string all = joined(words, 1, words.size());
        const NamedButton* whole = words.size() > 1 ? findButton(all) : nullptr;
        if (whole && whole->held)
            return failure(Message(Text::q7tr("hold takes the seconds after the name: q7ctl hold %1 SECONDS"),
                                   {Message::verbatim(all)}));
        if (words.size() < 3 && !whole)
            return failure(Message(Text::q7tr("hold takes a held button's name and the seconds")));
        const Result<const NamedButton*> held = whole ? whole : button(joined(words, 1, words.size() - 1));
        if (!held) return failure(held.error());
        if (!(*held)->held)
            return failure(Message(
                Text::q7tr("%1 is not a held button; only these are: vol, zoom, focus, d.zoom, keystone "
                           "+ and -, lens shift up and down, cursor up, down, left and right, select"),
                {quoted(std::string((*held)->name))}));
        const Result<int> ms = parseSeconds(words.back(), longestHoldS);
        if (!ms) return failure(ms.error());
        request.kind = Request::Kind::Hold;
        request.button = *held;
        request.heldMs = *ms;
        return request;
    }
    const Result<const NamedButton*> named = button(joined(words, 0, words.size()));
    if (!named) return failure(named.error());
    request.kind = Request::Kind::Button;
    request.button = *named;
    return request;
}

PortToUse portToUse(const std::optional<std::string>& option, const std::optional<std::string>& environment,
                    const std::function<ChosenPort()>& portOne) {
    if (option) return {*option, {}};
    if (environment && !environment->empty()) return {*environment, {}};
    const ChosenPort one = portOne();
    return {one.device,
            Message(one.source == ChosenPort::Source::Found
                        ? Text::q7tr("no port named; using %1, the panel's port 1")
                        : Text::q7tr("no port named and no serial port found; trying %1, the panel's port 1"),
                    {Message::verbatim(one.device)})};
}

} // namespace q7
