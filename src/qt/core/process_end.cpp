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
#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <mutex>
#include <windows.h>
#endif

namespace q7 {
namespace {

Line* lineAtExit = nullptr;

#ifdef Q_OS_UNIX
int wakeUp[2] = {-1, -1};

// Only what is safe in a signal handler: a flag and one byte down a non-blocking pipe, errno kept.
void onSignal(int signo) {
    const int saved = errno;
    setEndingSignal(signo);
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}
#endif

#ifdef Q_OS_WIN
constexpr int kHangUp = 1; // SIGHUP's number, which Windows does not name

std::mutex endingMutex;
ProcessEnd* ending = nullptr; // to be told, once, under endingMutex
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
#ifdef Q_OS_WIN
    {
        const std::lock_guard<std::mutex> hold(endingMutex);
        ending = this;
    }
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#endif
}

ProcessEnd::~ProcessEnd() {
    lineAtExit = nullptr;
#ifdef Q_OS_WIN
    // From here a console's event ends the process at once, as it does by default.
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    const std::lock_guard<std::mutex> hold(endingMutex);
    ending = nullptr;
#endif
}

#ifdef Q_OS_WIN
BOOL WINAPI onConsoleEvent(DWORD event) {
    int signo = SIGTERM;
    if (event == CTRL_C_EVENT)
        signo = SIGINT;
    else if (event == CTRL_BREAK_EVENT)
        signo = SIGBREAK;
    else if (event == CTRL_CLOSE_EVENT)
        signo = kHangUp;
    else if (event != CTRL_LOGOFF_EVENT && event != CTRL_SHUTDOWN_EVENT)
        return FALSE;
    setEndingSignal(signo);
    {
        const std::lock_guard<std::mutex> hold(endingMutex);
        if (ending) QMetaObject::invokeMethod(ending, &ProcessEnd::endRequested, Qt::QueuedConnection);
        ending = nullptr;
    }
    // Windows ends the process once the handler returns from these, so it waits here, for the few seconds
    // Windows allows, for the program's own exit with the release sent and the port closed. Logoff and
    // shutdown come here only to a process without user32, which Qt Core loads: Windows sends those as window
    // messages.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}
#endif

} // namespace q7
