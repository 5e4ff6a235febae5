// SPDX-License-Identifier: MIT
#pragma once
// The fakes the form runs on in the tests: a serial port that records every write, and window services with
// its timers on a virtual clock and controls that remember what the form set. Panel is Form1 on them.

#include "panel/form.h"
#include "virtual_clock.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace q7::test {

class FakePort final : public SerialPort {
  public:
    explicit FakePort(const VirtualClock* clock = nullptr) : clock_(clock) {}
    void setPortNumber(int port) override { number_ = port; }
    int portNumber() const override { return number_; }
    std::string deviceName() const override { return number_ == 2 ? "/dev/fake2" : "/dev/fake1"; }
    bool applySettings(const std::string& settings, std::string* error) override;
    bool open(std::string* error) override;
    bool isConnecting() const override { return connecting; }
    void close() override { open_ = connecting = false; }
    bool isOpen() const override { return open_; }
    bool write(const std::string& bytes) override;
    std::string readAll() override { return std::exchange(incoming, {}); }
    std::size_t pendingOutput() const override { return pending; }

    std::vector<std::string> written() const;
    struct Write {
        std::int64_t at; // on the virtual clock, if there is one
        std::string bytes;
    };
    std::vector<Write> writes;
    std::vector<std::pair<std::string, bool>> applied; // each settings text, and whether the port was open
    int opens = 0;
    std::set<int> refusedPorts;
    // With slowOpen an open only starts, as over a network: the test then tells the form how it ended.
    bool slowOpen = false;
    bool connecting = false;
    bool refuseSettings = false;
    std::string incoming;
    // Bytes not yet on the wire; with slowLine each write adds to them and the test drains them.
    std::size_t pending = 0;
    bool slowLine = false;

  private:
    const VirtualClock* clock_;
    int number_ = 0;
    bool open_ = false;
};

class FakeWindow final : public WindowServices {
  public:
    FakeWindow();
    void attach(Form1& form) { form_ = &form; }
    Timer& timer(TimerId id) override { return *timers_[id - Timer1]; }
    SerialPort& port() override { return fakePort; }
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
    int showWarning(const std::string& text) override {
        warnings.push_back(text);
        return static_cast<int>(warnings.size());
    }
    void closeWarning(int box) override { closed.push_back(box); }
    void quit() override { ++quits; }

    VirtualClock clock;
    FakePort fakePort{&clock};
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
    std::unique_ptr<VirtualClock::Timer> timers_[PortWatch];
    std::map<std::string, std::string> texts_, selected_;
    std::map<std::string, bool> hidden_;
};

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
