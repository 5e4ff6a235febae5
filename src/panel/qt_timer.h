// SPDX-License-Identifier: MIT
#pragma once
// Timer service on QTimer: precise, ticks delivered directly on the user-interface thread.

#include "panel/window_services.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace q7 {

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> onTick);
    void setInterval(int ms) override;
    int interval() const override;
    void setEnabled(bool on) override;
    bool isEnabled() const override;

private:
    QTimer timer_;
};

} // namespace q7
