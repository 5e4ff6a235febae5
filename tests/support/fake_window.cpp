// SPDX-License-Identifier: MIT
#include "fake_window.h"

#include <cstdio>
#include <cstdlib>

namespace q7::test {

Result<> FakeLine::applySettings(const std::string& settings) {
    if (refuseSettings) return failure(Message("settings refused"));
    applied.emplace_back(settings, open_);
    return {};
}

Result<Line::Opening> FakeLine::open() {
    if (open_) return connecting_ ? Opening::Pending : Opening::Open;
    tries.emplace_back(clock_ ? clock_->now() : 0, address_);
    if (refused.count(address_))
        return failure(Message("Cannot open %1: no such device", {Message::verbatim(address_)}));
    open_ = true;
    connecting_ = slowOpen;
    return slowOpen ? Opening::Pending : Opening::Open;
}

void FakeLine::finishOpen(bool ok) {
    connecting_ = false;
    open_ = ok;
    if (!events_) return;
    if (ok)
        events_->opened();
    else
        events_->openFailed(
            Message("Cannot open %1: the server refused the connection.", {Message::verbatim(address_)}));
}

void FakeLine::lose() {
    open_ = connecting_ = false;
    if (events_) events_->lost(Message("the server closed the connection"));
}

void FakeLine::receive(const std::string& bytes) {
    incoming += bytes;
    if (events_) events_->received();
}

bool FakeLine::write(std::string_view bytes) {
    // As the program's lines: once the process is ending, no frame goes out.
    if (!open_ || connecting_ || endingSignal()) return false;
    writes.push_back({clock_ ? clock_->now() : 0, std::string(bytes)});
    pending += slowLine ? bytes.size() : 0;
    return true;
}

std::vector<std::string> FakeLine::written() const {
    std::vector<std::string> out;
    for (const Write& w : writes)
        out.push_back(w.bytes);
    return out;
}

FakeWindow::FakeWindow() {
    for (const TimerId id : {Timer1, Timer2, Timer3, Timer4})
        timers_[id - Timer1] = clock.makeTimer(startInterval(id), [this, id] {
            ticks.emplace_back(clock.now(), id);
            if (form_) form_->timerTick(id);
        });
    hidden_["Frame8"] = hidden_["Command34"] = true;
    selected_ = {{"port", ""}, {"speed", "Option9"}, {"projector", "Option3"}};
}

ControlId id(std::string_view name) {
    const ControlSpec* row = findControl(name);
    if (!row) {
        std::fprintf(stderr, "no control %.*s in the layout\n", static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return ControlId::of(*row);
}

Panel::Panel(bool load) {
    ui.attach(form);
    if (load) form.load();
}

void Panel::receive(const std::string& bytes) {
    ui.fakePort.receive(bytes);
}

std::vector<std::int64_t> Panel::writeTimes(std::int64_t since) const {
    std::vector<std::int64_t> at;
    for (const FakeLine::Write& w : ui.fakePort.writes)
        if (w.at >= since) at.push_back(w.at - since);
    return at;
}

std::vector<std::int64_t> Panel::ticks(TimerId timer, std::int64_t since) const {
    std::vector<std::int64_t> at;
    for (const auto& [when, id] : ui.ticks)
        if (id == timer && when >= since) at.push_back(when - since);
    return at;
}

} // namespace q7::test
