// SPDX-License-Identifier: MIT
// The console's Ctrl+C and Ctrl+Break end q7ctl as SIGINT and SIGBREAK do: the end is asked of the event
// loop, once, and the status is 128 + the signal.
#include "fake_window.h"
#include "qt/core/process_end.h"
#include "request/runner.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <thread>

#include <windows.h>

namespace q7 {
namespace {

TEST(ConsoleEnd, CtrlCAndCtrlBreakEndTheRunAsTheirSignals) {
    int argc = 1;
    char name[] = "console_end_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    for (const auto& [event, status] : {std::pair{CTRL_C_EVENT, 130}, {CTRL_BREAK_EVENT, 149}}) {
        SCOPED_TRACE(event);
        setEndingSignal(0);
        test::FakeLine line;
        ProcessEnd end(line);
        int asked = 0;
        QObject::connect(&end, &ProcessEnd::endRequested, [&] { ++asked; });
        std::thread windows([event = event] { // as Windows calls it, on a thread of its own; pressed twice
            EXPECT_EQ(onConsoleEvent(event), TRUE);
            EXPECT_EQ(onConsoleEvent(event), TRUE);
        });
        windows.join();
        EXPECT_EQ(asked, 0) << "told only from the event loop";
        QTimer::singleShot(200, &app, &QCoreApplication::quit);
        QCoreApplication::exec();
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(exitStatus(Answers(failure(Message::verbatim("gone")))), status);
    }
    setEndingSignal(0);
}

} // namespace
} // namespace q7
