// SPDX-License-Identifier: MIT
#pragma once
// The fakes the form runs on in the tests: a serial port that records every write, and window services with
// its timers on a virtual clock and controls that remember what the form set. Panel is Form1 on them.

#include "panel/form.h"
#include "session/logged_line.h"
#include "virtual_clock.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace q7::test {

// A line that records every write; opening, failing and losing are the test's to decide.
class FakeLine final : public Line {
  public:
    explicit FakeLine(const VirtualClock* clock = nullptr) : clock_(clock) {}
    void setEvents(LineEvents* events) override { events_ = events; }
    void setAddress(const std::string& address) override {
        if (!open_) address_ = address;
    }
    std::string address() const override { return address_; }
    Result<> applySettings(const std::string& settings) override;
    Result<Opening> open() override;
    bool isConnecting() const override { return connecting_; }
    void close() override { open_ = connecting_ = false; }
    bool isOpen() const override { return open_; }
    bool write(std::string_view bytes) override;
    std::string readAll() override { return std::exchange(incoming, {}); }
    std::size_t pendingOutput() const override { return pending; }

    // What the line reports, as it would from the event loop.
    void finishOpen(bool ok = true);
    void lose();
    void receive(const std::string& bytes);

    std::vector<std::string> written() const;
    struct Write {
        std::int64_t at; // on the virtual clock, if there is one
        std::string bytes;
    };
    std::vector<Write> writes;
    std::vector<std::pair<std::string, bool>> applied; // each settings text, and whether the line was open
    std::vector<std::pair<std::int64_t, std::string>> tries; // every open: when, and the address
    std::set<std::string> refused;                           // addresses that fail at once
    // An open only starts, as over a network: finishOpen() ends it.
    bool slowOpen = false;
    bool refuseSettings = false;
    std::string incoming;
    // Bytes not yet on the wire; with slowLine each write adds to them and the test drains them.
    std::size_t pending = 0;
    bool slowLine = false;

  private:
    const VirtualClock* clock_;
    LineEvents* events_ = nullptr;
    std::string address_;
    bool open_ = false;
    bool connecting_ = false;
};

class FakeWindow final : public WindowServices {
  public:
    FakeWindow();
    void attach(Form1& form) { form_ = &form; }
    Timer& timer(TimerId id) override { return *timers_[id - Timer1]; }
    TimerFactory& timers() override { return clock; }
    Line& port() override { return loggedPort; }
    std::string device(int portNumber) const override {
        return portNumber == 2 ? "/dev/fake2" : "/dev/fake1";
    }
    void setText(ControlId control, const std::string& text) override { texts_[key(control)] = text; }
    std::string text(ControlId control) const override {
        return texts_.count(key(control)) ? texts_.at(key(control)) : "";
    }
    void setVisible(ControlId control, bool visible) override { hidden_[key(control)] = !visible; }
    bool isVisible(ControlId control) const override {
        return !hidden_.count(key(control)) || !hidden_.at(key(control));
    }
    // Options are selected per group: the port, the speed, the projector.
    void setSelected(ControlId option) override { selected_[group(option)] = key(option); }
    bool isSelected(ControlId option) const override { return selected_.at(group(option)) == option.name(); }
    int windowHeight() const override { return height; }
    void setWindowHeight(int twips) override { height = twips; }
    int windowWidth() const override { return 9495 + 150; }
    void moveWindow(int l, int t) override { left = l, top = t; }
    int screenWidth() const override { return screenW; }
    int screenHeight() const override { return screenH; }
    int showWarning(const Message& text) override {
        warnings.push_back(text.english());
        return static_cast<int>(warnings.size());
    }
    void closeWarning(int box) override { closed.push_back(box); }
    void quit() override { ++quits; }

    VirtualClock clock;
    FakeLine fakePort{&clock};
    LoggedLine loggedPort{fakePort}; // the form's line, as the panel's: a log set on it is written
    std::vector<std::pair<std::int64_t, TimerId>> ticks; // every tick delivered: when, and which timer
    std::vector<std::string> warnings;
    std::vector<int> closed; // the boxes the form closed, by the number showWarning gave them
    int quits = 0;
    int height = 9100; // the designed full height, until the form sets another
    int left = 0, top = 0, screenW = 1920 * 15, screenH = 1080 * 15;

  private:
    static std::string key(ControlId c) { return std::string(c.name()); }
    static std::string group(ControlId o) {
        return o == "Option1" || o == "Option2"    ? "port"
               : o == "Option9" || o == "Option10" ? "speed"
                                                   : "projector";
    }
    Form1* form_ = nullptr;
    std::unique_ptr<Timer> timers_[Timer4];
    std::map<std::string, std::string> texts_, selected_;
    std::map<std::string, bool> hidden_;
};

// A control named in a table of the tests' own; a name the layout does not hold stops the run.
ControlId id(std::string_view name);

struct Panel {
    explicit Panel(bool load = true);
    void receive(const std::string& bytes);
    void advance(std::int64_t ms) { ui.clock.advance(ms); }
    std::string txd() const { return ui.text(Label11); }
    std::string rxd() const { return ui.text(Label12); }
    std::string status() const { return ui.text(Label22); }
    std::vector<std::string> written() const { return ui.fakePort.written(); }
    // When each frame was written, or the timer ticked, counted from `since`.
    std::vector<std::int64_t> writeTimes(std::int64_t since = 0) const;
    std::vector<std::int64_t> ticks(TimerId timer, std::int64_t since = 0) const;

    FakeWindow ui;
    Form1 form{ui};
};

} // namespace q7::test
