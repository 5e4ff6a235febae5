// SPDX-License-Identifier: MIT
// q7sim: simulated Q7/Q7L projectors on a pseudo-terminal, a serial device or a TCP port. One thread, one
// poll loop: the line (for TCP: the client, or the port while none is connected), and a pipe on which the
// signal handlers post their signal numbers.

#include "chain.h"
#include "line.h"
#include "sim_options.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace {

// Bytes that no one reads from the line are lost after this much, as they would be on a real cable.
constexpr std::size_t kMaxPendingOutput = 64 * 1024;

int signalPipe[2] = {-1, -1};

void postSignal(int signo) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const auto n = write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignals() {
    if (pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    struct sigaction action {};
    action.sa_handler = postSignal;
    sigemptyset(&action.sa_mask);
    for (const int signo : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2})
        if (sigaction(signo, &action, nullptr) != 0) return false;
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace q7sim;
    // The name it is installed under, not the path it was started by: the manual page is made from this text.
    std::string program = argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "";
    if (program.empty()) program = "q7sim";
    const SimOptions options = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), options.error.c_str(),
                     program.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(simUsage(program).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", program.c_str(), Q7_VERSION);
        return 0;
    }

    std::FILE* log = options.quiet ? nullptr : stderr;
    if (options.logFile && !options.quiet) {
        log = std::fopen(options.logFile->c_str(), "w");
        if (!log) {
            std::perror(options.logFile->c_str());
            return 1;
        }
    }
    if (!installSignals()) {
        std::perror("signals");
        return 1;
    }

    std::string error;
    Line line = options.tcpPort  ? Line::listenTcp(options.bindAddress, *options.tcpPort, &error)
                : options.device ? Line::openDevice(*options.device, options.baud, &error)
                                 : Line::openPseudoTerminal(&error);
    if (!line.isOpen()) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s\n", line.path().c_str());
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    const auto now = [start] {
        return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
    };
    Chain chain(options.ids, options.projector, options.faults, now());
    if (log)
        chain.setLog([log](const std::string& text) {
            std::fprintf(log, "%s\n", text.c_str());
            std::fflush(log);
        });

    std::string pending;
    for (;;) {
        pending += chain.takeDue(now());
        if (pending.size() > kMaxPendingOutput) pending.resize(kMaxPendingOutput);
        if (line.fd() < 0) pending.clear(); // no TCP client: no one hears it
        while (!pending.empty()) {
            const ssize_t n = write(line.fd(), pending.data(), pending.size());
            if (n <= 0) break;
            pending.erase(0, static_cast<std::size_t>(n));
        }
        if (chain.hangUpDue() && pending.empty()) {
            line.drain(std::chrono::seconds(1));
            chain.logEvent(now(), "HANGUP after " + std::to_string(chain.framesReceived()) + " frames");
            line.hangUp();
            return 0;
        }

        int timeout = -1;
        if (const auto due = chain.nextDue())
            timeout = static_cast<int>(std::max<Millis::rep>(0, (*due - now()).count()));
        if (!pending.empty() && (timeout < 0 || timeout > 10))
            timeout = 10; // output queue full: try again soon
        const int waitingForClient = line.fd() < 0 ? line.listenFd() : -1;
        pollfd fds[3] = {{line.fd(), POLLIN, 0}, {signalPipe[0], POLLIN, 0}, {waitingForClient, POLLIN, 0}};
        if (poll(fds, 3, timeout) < 0 && errno != EINTR) {
            std::perror("poll");
            return 1;
        }

        unsigned char signo = 0;
        while (read(signalPipe[0], &signo, 1) == 1) {
            if (signo == SIGUSR1) {
                chain.logEvent(now(), "HANGUP on request");
                line.hangUp();
                return 0;
            }
            if (signo == SIGUSR2) {
                chain.setSilent(!chain.silent());
                chain.logEvent(now(), chain.silent() ? "SILENT" : "ANSWERING");
                continue;
            }
            chain.logEvent(now(), "EXIT");
            return 0;
        }

        if ((fds[2].revents & POLLIN) && line.acceptClient()) chain.logEvent(now(), "CLIENT CONNECTED");

        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[512];
            const ssize_t n = read(line.fd(), buffer, sizeof buffer);
            if (n > 0) {
                chain.receive(std::string_view(buffer, static_cast<std::size_t>(n)), now());
            } else if ((n == 0 || (errno != EAGAIN && errno != EINTR)) && line.listenFd() >= 0) {
                chain.logEvent(now(), "CLIENT GONE");
                line.dropClient();
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                chain.logEvent(now(), "LINE LOST");
                std::fprintf(stderr, "%s: %s: line lost\n", program.c_str(), line.path().c_str());
                return 1;
            }
        }
    }
}
