// SPDX-License-Identifier: MIT
#include "fake_window.h"

namespace q7::test {

bool FakePort::applySettings(const std::string& settings, std::string* error) {
    if (refuseSettings && error)
        *error = "settings refused";
    else
        applied.emplace_back(settings, open_);
    return !refuseSettings;
}

bool FakePort::open(std::string* error) {
    if (refusedPorts.count(number_)) {
        if (error) *error = "Cannot open " + deviceName() + ": no such device";
        return false;
    }
    ++opens;
    connecting = slowOpen;
    return open_ = true;
}

bool FakePort::write(const std::string& bytes) {
    if (!open_) return false;
    writes.push_back({clock_ ? clock_->now() : 0, bytes});
    pending += slowLine ? bytes.size() : 0;
    return true;
}

std::vector<std::string> FakePort::written() const {
    std::vector<std::string> out;
    for (const Write& w : writes)
        out.push_back(w.bytes);
    return out;
}

FakeWindow::FakeWindow() {
    for (const TimerId id : {Timer1, Timer2, Timer3, Timer4, PortWatch})
        timers_[id - Timer1] = std::make_unique<VirtualClock::Timer>(clock, startInterval(id), [this, id] {
            ticks.emplace_back(clock.now(), id);
            if (form_) form_->timerTick(id);
        });
    hidden_["Frame8"] = hidden_["Command34"] = true;
    selected_ = {{"port", ""}, {"speed", "Option9"}, {"projector", "Option3"}};
}

Panel::Panel(bool load) {
    ui.attach(form);
    if (load) form.load();
}

void Panel::receive(const std::string& bytes) {
    ui.fakePort.incoming += bytes;
    form.comm(2); // the code of waiting characters
}

std::vector<std::int64_t> Panel::writeTimes(std::int64_t since) const {
    std::vector<std::int64_t> at;
    for (const FakePort::Write& w : ui.fakePort.writes)
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
