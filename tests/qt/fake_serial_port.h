// SPDX-License-Identifier: MIT
#pragma once
// A serial port for widget tests: opens whatever it is asked to, records every write, and can play a line
// that is still busy sending so that a held button's repeat ticks write nothing more.

#include "link/serial_port.h"

#include <string>
#include <vector>

namespace q7::test {

class FakeSerialPort final : public SerialPort {
  public:
    void setPortNumber(int port) override { number_ = port; }
    int portNumber() const override { return number_; }
    std::string deviceName() const override { return number_ == 2 ? "/dev/fake2" : "/dev/fake1"; }
    bool applySettings(const std::string& settings, std::string*) override {
        settings_ = settings;
        return true;
    }
    bool open(std::string*) override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool write(const std::string& bytes) override {
        if (!open_) return false;
        writes.push_back(bytes);
        return true;
    }
    std::string readAll() override {
        std::string out;
        out.swap(incoming);
        return out;
    }
    std::size_t pendingOutput() const override { return lineBusy ? 1 : 0; }

    std::vector<std::string> writes;
    std::string incoming;
    // While set, every frame written seems still on its way: repeat ticks of a hold add nothing.
    bool lineBusy = false;

  private:
    int number_ = 0;
    bool open_ = false;
    std::string settings_;
};

} // namespace q7::test
