// SPDX-License-Identifier: MIT
#pragma once
// The ends of the program that do not pass through "END": SIGTERM, SIGINT and SIGHUP (a logout, a kill,
// Ctrl+C in the terminal), and a broken display connection, on which the toolkit exits by itself. Each must
// still close the port, so that its lock file goes and the line gets back the settings it had. The signal
// that arrived is endingSignal().

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

} // namespace q7
