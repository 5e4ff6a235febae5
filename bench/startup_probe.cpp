// SPDX-License-Identifier: MIT
// Start-up of the panel: from the fork that starts the process to its window viewable on the X display, and
// its resident memory once it has settled. "Viewable" is what `xdotool search --onlyvisible --name` tests (a
// window whose map state is IsViewable, its name matching); --xdotool polls by running xdotool itself, as
// the figures for other programs were taken, otherwise one X connection polls every 0.2 ms.
//
// Usage: startup_probe [--xdotool] [--runs N] [--name TEXT] -- PROGRAM [ARGUMENT...]
// Prints one line per run (ms, VmRSS kB), then "result MEDIAN_MS MIN_MS MAX_MS MEDIAN_VMRSS_MB".

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

std::string windowName(Display* display, Window window) {
    static const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netWmName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (name.empty()) {
        char* legacy = nullptr;
        if (XFetchName(display, window, &legacy) && legacy) {
            name = legacy;
            XFree(legacy);
        }
    }
    return name;
}

// The same walk as xdotool's search: every window below the root, at any depth. 0 when none.
Window viewableWindowNamed(Display* display, Window window, const std::string& text) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        windowName(display, window).find(text) != std::string::npos)
        return window;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = viewableWindowNamed(display, children[i], text);
    if (children) XFree(children);
    return found;
}

// As a window manager's close button does, so that the program ends its own way (the port closed, its lock
// file removed) and the next run starts from the same state.
bool closeAndWait(Display* display, Window window, pid_t pid) {
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &close);
    XFlush(display);
    for (int waited = 0; waited < 3000; waited += 10) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        usleep(10'000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

bool xdotoolFinds(const std::string& text) {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    std::string search = "search", visible = "--onlyvisible", byName = "--name", pattern = text;
    char program[] = "xdotool";
    char* args[] = {program, search.data(), visible.data(), byName.data(), pattern.data(), nullptr};
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, "xdotool", &quiet, nullptr, args, environ) == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&quiet);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

int xErrors(Display*, XErrorEvent*) {
    return 0; // a window destroyed during the walk
}

} // namespace

int main(int argc, char** argv) {
    bool useXdotool = false;
    int runs = 10;
    std::string name = "VELM";
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--xdotool"))
            useXdotool = true;
        else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--name") && i + 1 < argc)
            name = argv[++i];
    }
    if (i + 1 >= argc) {
        std::fprintf(stderr, "usage: %s [--xdotool] [--runs N] [--name TEXT] -- PROGRAM [ARGUMENT...]\n",
                     argv[0]);
        return 2;
    }
    char** program = argv + i + 1;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_probe: no X display\n");
        return 1;
    }
    XSetErrorHandler(xErrors);
    const Window root = DefaultRootWindow(display);

    std::vector<double> times, resident;
    // One run more than asked: the first starts with cold caches and is not counted.
    for (int run = 0; run <= runs; ++run) {
        pid_t pid = 0;
        const double start = nowMs();
        if (posix_spawn(&pid, program[0], nullptr, nullptr, program, environ) != 0) {
            std::perror("startup_probe: cannot start the program");
            return 1;
        }
        double shown = -1;
        Window window = 0;
        while (nowMs() - start < 10000) {
            if (useXdotool ? xdotoolFinds(name) : (window = viewableWindowNamed(display, root, name)) != 0) {
                shown = nowMs() - start;
                break;
            }
            if (!useXdotool) usleep(200);
        }
        if (useXdotool && shown >= 0) window = viewableWindowNamed(display, root, name);
        // Settled: the first paint done, the event loop idle.
        usleep(500'000);
        const long kb = residentKb(pid);
        if (!window || !closeAndWait(display, window, pid)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            std::fprintf(stderr, "startup_probe: run %d did not end on closing its window\n", run);
        }
        if (shown < 0) {
            std::fprintf(stderr, "startup_probe: no viewable window named %s within 10 s\n", name.c_str());
            return 1;
        }
        std::printf("run %d: %.1f ms, VmRSS %ld kB%s\n", run, shown, kb,
                    run == 0 ? " (warm-up, not counted)" : "");
        if (run == 0) continue;
        times.push_back(shown);
        resident.push_back(static_cast<double>(kb));
    }
    std::printf("result %.1f %.1f %.1f %.1f\n", median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), median(resident) / 1024.0);
    XCloseDisplay(display);
    return 0;
}
