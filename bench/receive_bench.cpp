// SPDX-License-Identifier: MIT
// Cost of one receive event on the real window, with 1, 1,000 and 32,767 characters in ReceiveBuffer once it
// has run: the form's part (append, trace, set the RXD line, decode), then with the repaint of the two lines
// it changes, as the next pass of the event loop paints them. The whole window repainted is shown as a bound.
// Prints Markdown table rows: what, measured, target, met.

#include "panel/form.h"
#include "qt/widgets/qt_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A port whose receive buffer always holds the next chunk.
class ChunkPort final : public q7::Line {
  public:
    std::string next;
    void setEvents(q7::LineEvents*) override {}
    void setAddress(const std::string&) override {}
    std::string address() const override { return "bench"; }
    q7::Result<> applySettings(const std::string&) override { return {}; }
    q7::Result<Opening> open() override { return Opening::Open; }
    bool isConnecting() const override { return false; }
    void close() override {}
    bool isOpen() const override { return true; }
    bool write(std::string_view) override { return true; }
    std::string readAll() override { return next; }
    std::size_t pendingOutput() const override { return 0; }
};

enum class Paint { None, ChangedLines, WholeWindow };

struct Figures {
    double median;
    double p99;
};

Figures measure(q7::Form1& form, ChunkPort& port, q7::QtWindow& window, std::size_t filled, Paint paint,
                int rounds) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(rounds));
    QWidget* rxd = window.control("Label12");
    QWidget* status = window.control("Label22");
    for (int r = 0; r < rounds; ++r) {
        form.ReceiveBuffer.assign(filled - 1, '7');
        port.next.assign(1, '8');
        // Another text first, so that the event always changes what the RXD line shows.
        window.setText(q7::Label12, "");
        QElapsedTimer t;
        t.start();
        form.comm(q7::kCommEventReceive);
        if (paint == Paint::ChangedLines) {
            rxd->repaint();
            status->repaint();
        } else if (paint == Paint::WholeWindow) {
            window.window()->repaint();
        }
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[(ms.size() * 99 + 99) / 100 - 1]};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ChunkPort port;
    q7::QtWindow window(port, {"bench", "bench"});
    q7::Form1 form(window);
    window.attach(form);
    form.load();
    form.keyDown(0x4A, 2);
    form.dblClick("Image1"); // the whole window, RXD line in view
    window.window()->show();
    QApplication::processEvents();
    form.click("Command44"); // a status query, so the decoder runs too
    QApplication::processEvents();

    const int rounds = qEnvironmentVariableIntValue("BENCH_QUICK") ? 300 : 1000;
    for (std::size_t filled : {std::size_t{1}, std::size_t{1000}, std::size_t{32767}}) {
        const Figures form_ = measure(form, port, window, filled, Paint::None, rounds);
        const Figures lines = measure(form, port, window, filled, Paint::ChangedLines, rounds);
        const Figures whole = measure(form, port, window, filled, Paint::WholeWindow, rounds / 4);
        char what[96], measured[256];
        std::snprintf(what, sizeof what, "Receive event, %zu characters in `ReceiveBuffer`", filled);
        std::snprintf(
            measured, sizeof measured,
            "median %.3f ms, p99 %.3f ms (form alone: median %.3f ms; whole window repainted: median "
            "%.3f ms)",
            lines.median, lines.p99, form_.median, whole.median);
        const bool bounded = filled == q7::Form1::kReceiveBufferLimit;
        std::printf("| %s | %s | %s | %s |\n", what, measured, bounded ? "< 1 ms" : "—",
                    bounded ? (lines.median < 1.0 ? "yes" : "no") : "—");
    }
    return 0;
}
