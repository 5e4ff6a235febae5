// SPDX-License-Identifier: MIT
#include "qt/core/process_end.h"

#include "link/line.h"

#include <csignal>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace q7 {
namespace {

int wakeUp[2] = {-1, -1};
Line* lineAtExit = nullptr;

#ifdef Q_OS_UNIX
// Only what is safe in a signal handler: a flag and one byte down a non-blocking pipe, errno kept.
void onSignal(int signo) {
    const int saved = errno;
    setEndingSignal(signo);
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}
#endif

void closeAtExit() {
    if (lineAtExit) lineAtExit->close();
}

} // namespace

ProcessEnd::ProcessEnd(Line& line) {
    lineAtExit = &line;
    static const bool registered = std::atexit(closeAtExit) == 0;
    (void)registered;
#ifdef Q_OS_UNIX
    if (::pipe2(wakeUp, O_NONBLOCK | O_CLOEXEC) != 0) return;
    notifier_ = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(wakeUp[0], bytes, sizeof bytes) > 0) {
        }
        notifier_->setEnabled(false);
        emit endRequested();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signo, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        ::sigaction(signo, &action, nullptr);
    }
#endif
}

ProcessEnd::~ProcessEnd() {
    lineAtExit = nullptr;
}

} // namespace q7
