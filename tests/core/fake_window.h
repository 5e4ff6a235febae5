// SPDX-License-Identifier: MIT
#pragma once
// Window services for tests: a virtual clock that delivers timer ticks in time order, a fake serial port that
// records every write, and controls that remember what the form set.

#include "panel/form.h"
#include "panel/window_services.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace q7::test {

class VirtualClock;

class FakeTimer final : public Timer {
  public:
    FakeTimer(VirtualClock& clock, int interval) : clock_(clock), interval_(interval) {}
    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool on) override;
    bool isEnabled() const override { return enabled_; }
    std::int64_t due() const { return due_; }

  private:
    friend class VirtualClock;
    VirtualClock& clock_;
    int interval_;
    bool enabled_ = false;
    std::int64_t due_ = 0;
    std::uint64_t order_ = 0; // ties between timers fall due in the order they were started
};

class VirtualClock {
  public:
    std::int64_t now() const { return now_; }
    std::uint64_t nextOrder() { return ++order_; }
    void addTimer(FakeTimer* timer, TimerId number) { timers_.push_back({timer, number}); }
    void setSink(Form1* form) { form_ = form; }

    // Delivers every tick that falls due up to now + ms, one at a time, in time order.
    void advance(std::int64_t ms) {
        const std::int64_t end = now_ + ms;
        for (;;) {
            Entry* next = nullptr;
            for (Entry& e : timers_) {
                if (!e.timer->enabled_ || e.timer->due_ > end) continue;
                if (!next || e.timer->due_ < next->timer->due_ ||
                    (e.timer->due_ == next->timer->due_ && e.timer->order_ < next->timer->order_))
                    next = &e;
            }
            if (!next) break;
            now_ = next->timer->due_;
            next->timer->due_ = now_ + std::max(1, next->timer->interval_);
            next->timer->order_ = nextOrder();
            ticks.push_back({now_, next->number});
            if (form_) form_->timerTick(next->number);
        }
        now_ = end;
    }

    struct Tick {
        std::int64_t at;
        TimerId timer;
    };
    std::vector<Tick> ticks;

  private:
    struct Entry {
        FakeTimer* timer;
        TimerId number;
    };
    std::int64_t now_ = 0;
    std::uint64_t order_ = 0;
    std::vector<Entry> timers_;
    Form1* form_ = nullptr;
};

inline void FakeTimer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_) {
        due_ = clock_.now() + std::max(1, interval_);
        order_ = clock_.nextOrder();
    }
}

inline void FakeTimer::setEnabled(bool on) {
    enabled_ = on;
    if (on) {
        due_ = clock_.now() + std::max(1, interval_);
        order_ = clock_.nextOrder();
    }
}

class FakePort final : public SerialPort {
  public:
    explicit FakePort(VirtualClock& clock) : clock_(clock) {}

    void setPortNumber(int port) override { number_ = port; }
    int portNumber() const override { return number_; }
    std::string deviceName() const override { return number_ == 2 ? "/dev/fake2" : "/dev/fake1"; }
    bool applySettings(const std::string& settings, std::string* error) override {
        if (refuseSettings) {
            if (error) *error = "settings refused";
            return false;
        }
        settings_ = settings;
        settingsApplied.push_back({settings, open_});
        return true;
    }
    bool open(std::string* error) override {
        ++openAttempts;
        if (refusedPorts.count(number_)) {
            if (error) *error = "Cannot open " + deviceName() + ": no such device";
            return false;
        }
        open_ = true;
        openedPort = number_;
        return true;
    }
    void close() override {
        ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    bool write(const std::string& bytes) override {
        if (!open_) {
            ++refusedWrites;
            return false;
        }
        writes.push_back({clock_.now(), bytes});
        if (slowLine) pending += bytes.size();
        return true;
    }
    std::string readAll() override {
        std::string out;
        out.swap(incoming);
        return out;
    }
    std::size_t pendingOutput() const override { return pending; }

    const std::string& settings() const { return settings_; }

    struct Write {
        std::int64_t at;
        std::string bytes;
    };
    std::vector<Write> writes;
    struct Applied {
        std::string settings;
        bool whileOpen;
    };
    std::vector<Applied> settingsApplied;
    std::set<int> refusedPorts;
    bool refuseSettings = false;
    std::string incoming;
    // With slowLine, written bytes stay pending until the test drains them, as on a slow line.
    bool slowLine = false;
    std::size_t pending = 0;
    int openAttempts = 0;
    int closes = 0;
    int refusedWrites = 0;
    int openedPort = 0;

  private:
    VirtualClock& clock_;
    int number_ = 0;
    bool open_ = false;
    std::string settings_;
};

class FakeWindow final : public WindowServices {
  public:
    FakeWindow()
        : port_(clock), timers_{FakeTimer(clock, startInterval(Timer1)),
                                FakeTimer(clock, startInterval(Timer2)),
                                FakeTimer(clock, startInterval(Timer3)),
                                FakeTimer(clock, startInterval(Timer4)),
                                FakeTimer(clock, startInterval(PortWatch))} {
        for (const TimerId id : {Timer1, Timer2, Timer3, Timer4, PortWatch})
            clock.addTimer(&timers_[id - Timer1], id);
        visible_["Frame8"] = false;
        visible_["Command34"] = false;
        selected_.insert("Option3");
        selected_.insert("Option9");
    }

    Timer& timer(TimerId n) override { return timers_.at(n - Timer1); }
    FakeTimer& fakeTimer(TimerId n) { return timers_.at(n - Timer1); }
    SerialPort& port() override { return port_; }
    FakePort& fakePort() { return port_; }
    const FakePort& fakePort() const { return port_; }

    void setText(ControlId control, const std::string& text) override {
        texts_[std::string(control.name())] = text;
    }
    std::string text(ControlId control) const override {
        auto it = texts_.find(std::string(control.name()));
        return it == texts_.end() ? std::string() : it->second;
    }
    void setVisible(ControlId control, bool visible) override {
        visible_[std::string(control.name())] = visible;
    }
    bool isVisible(ControlId control) const override {
        auto it = visible_.find(std::string(control.name()));
        return it == visible_.end() || it->second;
    }
    void setSelected(ControlId option) override {
        // One group per container: the port options, the speeds, the projectors.
        static const std::vector<std::vector<std::string>> groups = {
            {"Option1", "Option2"},
            {"Option9", "Option10"},
            {"Option3", "Option4", "Option5", "Option6", "Option7", "Option8"}};
        for (const auto& group : groups)
            if (std::find(group.begin(), group.end(), option.name()) != group.end())
                for (const auto& member : group)
                    selected_.erase(member);
        selected_.insert(std::string(option.name()));
    }
    bool isSelected(ControlId option) const override {
        return selected_.count(std::string(option.name())) > 0;
    }

    int windowHeight() const override { return height_; }
    void setWindowHeight(int twips) override {
        height_ = twips;
        heights.push_back(twips);
    }
    int windowWidth() const override { return 9495 + 150; }
    void moveWindow(int left, int top) override {
        left_ = left;
        top_ = top;
    }
    int screenWidth() const override { return screenW; }
    int screenHeight() const override { return screenH; }
    int showWarning(const std::string& text) override {
        warnings.push_back(text);
        return static_cast<int>(warnings.size());
    }
    void closeWarning(int box) override { closedWarnings.push_back(box); }
    void quit() override { ++quits; }

    int left() const { return left_; }
    int top() const { return top_; }

    VirtualClock clock;
    std::vector<std::string> warnings;
    std::vector<int> closedWarnings;
    std::vector<int> heights;
    int quits = 0;
    int screenW = 1920 * 15;
    int screenH = 1080 * 15;

  private:
    FakePort port_;
    std::array<FakeTimer, 5> timers_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, bool> visible_;
    std::set<std::string> selected_;
    int height_ = 9100;
    int left_ = 0;
    int top_ = 0;
};

// A form on fake services, loaded as at start-up.
struct Panel {
    FakeWindow ui;
    Form1 form{ui};

    explicit Panel(bool load = true) {
        ui.clock.setSink(&form);
        if (load) form.load();
    }
    void receive(const std::string& bytes) {
        ui.fakePort().incoming += bytes;
        form.comm(kCommEventReceive);
    }
    std::string txd() const { return ui.text(ControlId("Label11")); }
    std::string rxd() const { return ui.text(ControlId("Label12")); }
    std::string status() const { return ui.text(ControlId("Label22")); }
    std::vector<std::string> written() const {
        std::vector<std::string> out;
        for (const auto& w : ui.fakePort().writes)
            out.push_back(w.bytes);
        return out;
    }
};

} // namespace q7::test
