// SPDX-License-Identifier: MIT
#pragma once
// The ends of the program that do not pass through "END": SIGTERM, SIGINT and SIGHUP (a logout, a kill,
// Ctrl+C in the terminal), and a broken display connection, on which the toolkit exits by itself. Each must
// still close the port, so that its lock file goes and the line gets back the settings it had. The signal
// that arrived is endingSignal(). On Windows the console's events stand for the signals: Ctrl+C for SIGINT,
// Ctrl+Break for SIGBREAK (21), its window closed for SIGHUP (1), a logoff or shutdown for SIGTERM.

#include <QObject>
#include <QSocketNotifier>

namespace q7 {

class Line;

class ProcessEnd final : public QObject {
    Q_OBJECT
  public:
    // Installs the signal handlers (a SIGHUP ignored at start, as under nohup, stays ignored) and closes the
    // port should the process exit without returning from main.
    explicit ProcessEnd(Line& line);
    ~ProcessEnd() override;

  signals:
    // From the event loop, once: end the program as "END" does.
    void endRequested();

  private:
    QSocketNotifier* notifier_ = nullptr;
};

#ifdef Q_OS_WIN
// The console's handler, which Windows calls on a thread of its own: the end is handed to the event loop.
int __stdcall onConsoleEvent(unsigned long event);
#endif

} // namespace q7
