// SPDX-License-Identifier: MIT
// Speed of the real window and the real serial port, measured at the far end of a pseudo-terminal: click to
// wire, the repeat of every held period, release to silence, and the event loop under a chattering device.
// Mouse events go to the window as the windowing system delivers them (QTest on the QWindow); the far end
// answers each frame with ACK CR as a projector does. Prints Markdown table rows: what, measured, target,
// met.
//
// Usage: panel_bench [floor] [click] [repeat] [release] [chatter]   (default: all). BENCH_QUICK=1 shortens
// the runs.

#include "panel/form.h"
#include "pty_wire.h"
#include "qt/core/qt_line.h"
#include "qt/widgets/qt_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using q7bench::nowMs;
using q7bench::PtyWire;
using q7bench::WireFrame;

bool quick() {
    return qEnvironmentVariableIntValue("BENCH_QUICK") != 0;
}

// Nearest rank.
double percentile(std::vector<double> values, double p) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double maximum(const std::vector<double>& values) {
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

std::string format(const char* pattern, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// BENCH_SAMPLES=1: every sample on stderr, one "label value" line each, to look at a distribution.
void samples(const std::string& label, const std::vector<double>& values) {
    if (!qEnvironmentVariableIsSet("BENCH_SAMPLES")) return;
    for (double v : values)
        std::fprintf(stderr, "%s %.3f\n", label.c_str(), v);
}

void row(const std::string& what, const std::string& measured, const std::string& target, const char* met) {
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), measured.c_str(), target.c_str(), met);
    std::fflush(stdout);
}

// The event loop runs meanwhile, as it would in the program.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitForFrames(PtyWire& wire, std::size_t count, int timeoutMs) {
    if (wire.frameCount() >= count) return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    wire.setOnFrame([&loop, count](std::size_t frames) {
        if (frames >= count) QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (wire.frameCount() < count) loop.exec();
    wire.setOnFrame(nullptr); // waits for a callback under way, so none can post to the loop once it is gone
    return wire.frameCount() >= count;
}

std::size_t residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stoul(line.substr(6));
    return 0;
}

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The program's own wiring (programs/q7panel.cpp), with the whole window in view so that every line that
// changes is painted.
class Panel {
  public:
    explicit Panel(const std::string& device) : window_(port_, {device, "/dev/null/none"}), form_(window_) {
        window_.attach(form_);
        form_.load();
        form_.keyDown(0x4A, 2);
        form_.dblClick("Image1");
        window_.window()->show();
        // A network port connects in the background.
        ready_ = QTest::qWaitForWindowExposed(window_.window()) &&
                 QTest::qWaitFor([this] { return !port_.isConnecting(); }, 5000) && port_.isOpen();
        spin(100); // the first paints and the port's first events are not what is measured
    }
    bool ready() const { return ready_; }
    q7::Form1& form() { return form_; }

    void click(const char* control) {
        QTest::mouseClick(handle(), Qt::LeftButton, Qt::NoModifier, centre(control));
    }
    void press(const char* control) {
        QTest::mousePress(handle(), Qt::LeftButton, Qt::NoModifier, centre(control));
    }
    void release(const char* control) {
        QTest::mouseRelease(handle(), Qt::LeftButton, Qt::NoModifier, centre(control));
    }

  private:
    QWindow* handle() const { return window_.window()->windowHandle(); }
    QPoint centre(const char* control) const {
        const QWidget* w = window_.control(control);
        return w->mapTo(window_.window(), w->rect().center());
    }

    q7::QtLine port_;
    q7::QtWindow window_;
    q7::Form1 form_;
    bool ready_ = false;
};

// What the machine itself allows: a bare thread sleeping to absolute 5 ms deadlines, no Qt, no panel. Late
// wake-ups here come from the scheduler, the virtual machine and whatever else runs, and bound what any
// timer can do. Run alone, and beside the holds and the chatter, where it tells a stall of the machine from
// one of the panel.
class MachineFloor {
  public:
    MachineFloor()
        : sleeper_([this] {
              timespec next{};
              clock_gettime(CLOCK_MONOTONIC, &next);
              const double first = nowMs();
              for (int i = 1; !stop_; ++i) {
                  next.tv_nsec += 5'000'000;
                  if (next.tv_nsec >= 1'000'000'000) {
                      next.tv_nsec -= 1'000'000'000;
                      ++next.tv_sec;
                  }
                  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
                  late_.push_back(nowMs() - first - 5.0 * i);
              }
          }) {}
    ~MachineFloor() { stop(); }
    const std::vector<double>& stop() {
        stop_ = true;
        if (sleeper_.joinable()) sleeper_.join();
        return late_;
    }
    std::string worst() {
        return format("machine floor beside it: worst wake-up %.1f ms late", maximum(stop()));
    }

  private:
    std::atomic<bool> stop_{false};
    std::vector<double> late_;
    std::thread sleeper_;
};

void timerFloor() {
    const int seconds = quick() ? 2 : 5;
    MachineFloor floor;
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::vector<double>& late = floor.stop();
    samples("floor", late);
    row(format("Machine floor: a bare thread waking at absolute 5 ms deadlines for %d s (no Qt)", seconds),
        format("late: median %.3f ms, p99 %.3f ms, max %.3f ms", percentile(late, 50), percentile(late, 99),
               maximum(late)),
        "for reference", "—");
}

// From the mouse event handed to the window to the frame's CR readable at the far end; the event loop runs
// meanwhile as it would. A one-shot button acts on the release that completes the click: timed from that
// release, its press a few milliseconds earlier as by hand, and from the press of a click delivered press and
// release back to back (QTest::mouseClick). A held button acts on the press.
void clickToWire(PtyWire& wire, const char* over = "") {
    const int rounds = quick() ? 200 : 1000;
    enum class Gesture { Release, BackToBack, Press };
    struct Case {
        const char* what;
        const char* control;
        const char* frame;
        Gesture gesture;
    };
    const Case cases[] = {
        {"Click to wire: one-shot \"ON\" (`Command17`), from the release", "Command17", "C00",
         Gesture::Release},
        {"Click to wire: one-shot \"ON\", press and release back to back, from the press", "Command17", "C00",
         Gesture::BackToBack},
        {"Press to wire: held Zoom \"+\" (`Command15`)", "Command15", "C47", Gesture::Press},
    };
    for (const Case& c : cases) {
        Panel panel(wire.device());
        if (!panel.ready()) return row(c.what, "panel not ready", "", "—");
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(2, 12);
        std::vector<double> ms;
        MachineFloor floor;
        for (int i = -20; i < rounds; ++i) {
            if (c.gesture == Gesture::Release) {
                panel.press(c.control);
                spin(pause(random));
            }
            const std::size_t before = wire.frameCount();
            const double start = nowMs();
            switch (c.gesture) {
            case Gesture::Release:
                panel.release(c.control);
                break;
            case Gesture::BackToBack:
                panel.click(c.control);
                break;
            case Gesture::Press:
                panel.press(c.control);
                break;
            }
            if (!waitForFrames(wire, before + 1, 1000)) return row(c.what, "no frame on the wire", "", "no");
            const WireFrame frame = wire.framesSince(before).front();
            if (frame.text != c.frame) return row(c.what, "wrong frame " + frame.text, "", "no");
            if (i >= 0) ms.push_back(frame.ms - start);
            if (c.gesture == Gesture::Press) panel.release(c.control);
            spin(pause(random)); // clicks at no fixed phase to the panel's timers
        }
        const std::string machine = floor.worst();
        samples(format("%s.%d", c.control, static_cast<int>(c.gesture)), ms);
        const double p99 = percentile(ms, 99);
        row(format("%s%s, %d times", c.what, over, rounds),
            format("median %.3f ms, p99 %.3f ms, max %.3f ms; ", percentile(ms, 50), p99, maximum(ms)) +
                machine,
            "p99 < 1 ms", p99 < 1.0 ? "yes" : "no");
    }
}

// Gaps between the frames of one hold on the wire.
void repeatAccuracy(PtyWire& wire) {
    const int seconds = quick() ? 3 : 10;
    struct Case {
        int period;
        const char* what;
        const char* prepare; // a one-shot click or a D.Zoom press and release that sets the period first
        const char* held;
        const char* frame;
    };
    const Case cases[] = {
        {5, "cursor \"↑\" after a D.Zoom release", "Command48", "Command5", "C3C"},
        {50, "Zoom \"+\"", nullptr, "Command15", "C47"},
        {200, "cursor \"↑\" after MENU \"ON\"", "Command23", "Command5", "C3C"},
        {250, "VOL \"+\"", nullptr, "Command1", "C09"},
        {500, "\"SELECT\"", nullptr, "Command6", "C3F"},
    };
    for (const Case& c : cases) {
        const std::string what = format("Repeat %d ms: %s, held %d s", c.period, c.what, seconds);
        Panel panel(wire.device());
        if (!panel.ready()) return row(what, "panel not ready", "", "—");
        if (c.prepare && std::string(c.prepare) == "Command48") {
            panel.press(c.prepare);
            spin(20);
            panel.release(c.prepare);
        } else if (c.prepare) {
            panel.click(c.prepare);
        }
        spin(300);
        const std::size_t before = wire.frameCount();
        MachineFloor floor;
        panel.press(c.held);
        spin(seconds * 1000);
        panel.release(c.held);
        const std::string machine = floor.worst();
        spin(50);
        std::vector<double> times;
        for (const WireFrame& f : wire.framesSince(before))
            if (f.text == c.frame) times.push_back(f.ms);
        if (times.size() < 3) return row(what, format("%zu frames", times.size()), "", "no");
        std::vector<double> deviation;
        for (std::size_t i = 1; i < times.size(); ++i)
            deviation.push_back(std::abs(times[i] - times[i - 1] - c.period));
        std::vector<double> gaps;
        for (std::size_t i = 1; i < times.size(); ++i)
            gaps.push_back(times[i] - times[i - 1]);
        samples(format("gap%d", c.period), gaps);
        const double span = times.back() - times.front();
        const double mean = span / static_cast<double>(times.size() - 1);
        const double error = (mean - c.period) / c.period * 100.0;
        const double p99 = percentile(deviation, 99);
        const double rate = static_cast<double>(times.size() - 1) * 1000.0 / span;
        bool met = std::abs(error) < 1.0 && p99 < 2.0;
        std::string measured = format("mean %.3f ms (%+.2f %%), p99 deviation %.3f ms, max %.3f ms", mean,
                                      error, p99, maximum(deviation));
        std::string target = "mean within 1 %, p99 deviation < 2 ms";
        if (c.period == 5) {
            measured += format(", %.1f frames/s", rate);
            target += ", ≥ 190 frames/s";
            met = met && rate >= 190.0;
        }
        row(what, measured + "; " + machine, target, met ? "yes" : "no");
    }
}

// The 5 ms arrow with "001" selected: at 9600 baud its 8-byte frame takes 8.3 ms, longer than the period.
// A pseudo-terminal has no line speed: the bytes are readable the moment they are written, and its output
// queue (TIOCOUTQ) always reads 0, so the repeat tick's "earlier frames still leaving" guard cannot engage
// here. What this sees is the panel's part: whatever frame it still writes after the release. On a UART the
// frame in flight at the release adds at most one frame time.
void releaseToSilence(PtyWire& wire) {
    const int holds = quick() ? 10 : 30;
    for (const auto& [speed, option] :
         {std::pair{19200, q7::ControlId("Option9")}, std::pair{9600, q7::ControlId("Option10")}}) {
        const double frameMs = 8 * 10 * 1000.0 / speed; // "A001C3C" CR, 10 bits a character
        const std::string what =
            format("Release to silence at %d baud, \"001\", 5 ms arrow, %d holds", speed, holds);
        Panel panel(wire.device());
        if (!panel.ready()) return row(what, "panel not ready", "", "—");
        panel.form().click("Option5");
        panel.form().click(option);
        panel.press("Command48");
        spin(20);
        panel.release("Command48");
        std::mt19937 random(11);
        std::uniform_int_distribution<int> holdMs(100, 300);
        int mostAfter = 0;
        std::vector<double> tail;
        for (int i = 0; i < holds; ++i) {
            const std::size_t before = wire.frameCount();
            panel.press("Command5");
            spin(holdMs(random));
            const double released = nowMs();
            panel.release("Command5");
            spin(100);
            int after = 0;
            double last = released;
            for (const WireFrame& f : wire.framesSince(before)) {
                if (f.text != "A001C3C" || f.ms <= released) continue;
                ++after;
                last = f.ms;
            }
            mostAfter = std::max(mostAfter, after);
            tail.push_back(last - released);
        }
        const bool met = mostAfter <= 1 && maximum(tail) <= frameMs;
        row(what,
            format(
                "frames after the release: at most %d; release to the last one: median %.3f ms, max %.3f ms "
                "(pseudo-terminal: the panel's part)",
                mostAfter, percentile(tail, 50), maximum(tail)),
            format("≤ one frame time (%.1f ms)", frameMs), met ? "yes" : "no");
    }
}

// A device that sends without pause while a 10 ms probe timer, re-armed at each tick, measures how late the
// event loop serves it. A status query goes first, so that every receive event also runs the decoder.
void chatter(PtyWire& wire) {
    const int seconds = quick() ? 10 : 60;
    constexpr int kCharsPerSecond = 11520; // 115,200 bit/s, 10 bits a character
    const std::string what = format("Chatter: 115,200 bit/s (11,520 chars/s) for %d s", seconds);
    Panel panel(wire.device());
    if (!panel.ready()) return row(what, "panel not ready", "", "—");
    const std::size_t before = wire.frameCount();
    panel.click("Command44");
    waitForFrames(wire, before + 1, 1000);
    spin(100);

    std::vector<double> late;
    QTimer probe;
    probe.setSingleShot(true);
    probe.setTimerType(Qt::PreciseTimer);
    double armed = nowMs();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        late.push_back(nowMs() - armed - 10.0);
        armed = nowMs();
        probe.start(10);
    });
    std::vector<std::size_t> rss{residentKb()};
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] { rss.push_back(residentKb()); });

    MachineFloor floor;
    const double cpuBefore = cpuMs();
    const double start = nowMs();
    probe.start(10);
    sampler.start(1000);
    wire.startChatter(kCharsPerSecond);
    spin(seconds * 1000);
    const std::size_t sent = wire.stopChatter();
    const double elapsed = nowMs() - start;
    const double cpu = (cpuMs() - cpuBefore) / elapsed * 100.0;
    probe.stop();
    sampler.stop();
    const std::string machine = floor.worst();
    rss.push_back(residentKb());

    samples("late", late);
    const double p99 = percentile(late, 99);
    const double growthMb =
        static_cast<double>(rss.back()) / 1024.0 - static_cast<double>(rss.front()) / 1024.0;
    const double peakMb = static_cast<double>(*std::max_element(rss.begin(), rss.end())) / 1024.0 -
                          static_cast<double>(rss.front()) / 1024.0;
    const bool met =
        p99 < 20.0 && peakMb < 1.0 && panel.form().ReceiveBuffer.size() == q7::Form1::kReceiveBufferLimit;
    row(what,
        format("probe late: p99 %.3f ms, max %.3f ms; RSS %+.2f MB (peak %+.2f MB); %.0f chars/s taken; "
               "process CPU %.0f %%; `ReceiveBuffer` %zu; ",
               p99, maximum(late), growthMb, peakMb, static_cast<double>(sent) * 1000.0 / elapsed, cpu,
               panel.form().ReceiveBuffer.size()) +
            machine,
        "probe p99 < 20 ms, growth < 1 MB", met ? "yes" : "no");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::set<std::string> wanted(argv + 1, argv + argc);
    const auto runs = [&](const char* name) { return wanted.empty() || wanted.count(name) > 0; };

    PtyWire wire;
    if (!wire.ok()) {
        std::fprintf(stderr, "panel_bench: no pseudo-terminal\n");
        return 1;
    }
    if (runs("floor")) timerFloor();
    if (runs("click")) clickToWire(wire);
    if (runs("click-tcp")) {
        PtyWire server(PtyWire::Kind::Tcp);
        if (server.ok()) clickToWire(server, " over raw TCP on 127.0.0.1 (`socket://`)");
    }
    if (runs("repeat")) repeatAccuracy(wire);
    if (runs("release")) releaseToSilence(wire);
    if (runs("chatter")) chatter(wire);
    return 0;
}
