// SPDX-License-Identifier: MIT
// Cost of one receive event on the real window: append to ReceiveBuffer, trace it, set the RXD line, decode,
// repaint. Measured with 1, 1,000 and 32,767 characters already received.

#include "panel/form.h"
#include "panel/qt_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A port whose receive buffer always holds the next chunk.
class ChunkPort final : public q7::SerialPort {
public:
    std::string next;
    void setPortNumber(int) override {}
    int portNumber() const override { return 1; }
    std::string deviceName() const override { return "bench"; }
    bool applySettings(const std::string&, std::string*) override { return true; }
    bool open(std::string*) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    bool write(const std::string&) override { return true; }
    std::string readAll() override { return next; }
    std::size_t pendingOutput() const override { return 0; }
};

struct Figures {
    double median;
    double p99;
};

Figures measure(q7::Form1& form, ChunkPort& port, QWidget* window, std::size_t filled, int rounds) {
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(rounds));
    for (int r = 0; r < rounds; ++r) {
        form.ReceiveBuffer.assign(filled > 0 ? filled - 1 : 0, '7');
        port.next = filled > 0 ? "8" : "";
        QElapsedTimer t;
        t.start();
        form.comm(2);
        window->repaint();
        micros.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    return {micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ChunkPort port;
    q7::QtWindow window(port);
    q7::Form1 form(window);
    window.attach(form);
    form.load();
    form.keyDown(0x4A, 2);
    form.dblClick("Image1"); // the whole window, RXD line in view
    window.window()->show();
    QApplication::processEvents();
    form.click("Command44"); // a status query, so the decoder runs too

    std::printf("%-28s %12s %12s\n", "characters in ReceiveBuffer", "median (ms)", "p99 (ms)");
    for (std::size_t filled : {std::size_t{1}, std::size_t{1000}, std::size_t{32767}}) {
        const Figures f = measure(form, port, window.window(), filled, 400);
        std::printf("%-28zu %12.3f %12.3f\n", filled, f.median / 1000.0, f.p99 / 1000.0);
    }
    return 0;
}
