// SPDX-License-Identifier: MIT
// The Qt serial port against pseudo-terminals: the test plays the projector's end of the cable.

#include "pseudo_terminal.h"
#include "qt/qt_serial_port.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace q7::test {
namespace {

struct PortOnPty : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok() && other.ok());
        QObject::connect(&port, &QtSerialPort::comm, [this](int code) { codes.push_back(code); });
        QObject::connect(&port, &QtSerialPort::portLost, [this] { ++losses; });
        std::string error;
        ASSERT_TRUE(port.open(&error)) << error;
    }
    // Waits, running the event loop (the port writes from there), until `count` bytes have arrived.
    static std::string receive(const Pty& end, std::size_t count) {
        std::string got;
        (void)QTest::qWaitFor([&] { return (got += end.drain()).size() >= count; }, 5000);
        return got;
    }
    speed_t speed() const {
        const termios t = pty.settings();
        return ::cfgetospeed(&t);
    }

    Pty pty, other;
    QtSerialPort port{pty.path(), other.path()};
    std::vector<int> codes;
    int losses = 0;
};

TEST_F(PortOnPty, EveryByteGoesBothWaysUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    ASSERT_TRUE(port.write("A001CR0\r" + all));
    EXPECT_EQ(receive(pty, 264), "A001CR0\r" + all);
    ASSERT_TRUE(pty.send(all));
    std::string got;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (got += port.readAll()) == all; }, 5000));
    EXPECT_EQ(codes, std::vector<int>(codes.size(), 2));
    QTest::qWait(50);
    EXPECT_EQ(pty.drain() + port.readAll(), "") << "no echo, no line feed, nothing read twice";
}

TEST_F(PortOnPty, LineSettingsApplyAtOpenAndAtOnceToAnOpenPort) {
    EXPECT_EQ(speed(), speed_t{B19200});
    EXPECT_EQ(pty.settings().c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8})
        << "8N1, no handshake";
    port.close();
    std::string error;
    ASSERT_TRUE(port.applySettings("9600,N,8,2", &error)) << error;
    ASSERT_TRUE(port.open(&error)) << error;
    EXPECT_TRUE(speed() == B9600 && (pty.settings().c_cflag & CSTOPB)) << "9600 baud, 2 stop bits";
    ASSERT_TRUE(port.applySettings("19200,N,8,1", &error)) << error;
    EXPECT_TRUE(speed() == B19200 && !(pty.settings().c_cflag & CSTOPB))
        << "19200 baud, 1 stop bit, still open";
    for (const char* text :
         {"19200", "19200,X,8,1", "0,N,8,1", "19200,N,9,1", "19200,N,8,3", "19200,N,8,1.5"}) {
        EXPECT_FALSE(port.applySettings(text, &error)) << text;
        EXPECT_NE(error.find(text), std::string::npos) << error;
    }
    // A pseudo-terminal stays at 8 bits without parity: the refusal is reported and the port stays open.
    EXPECT_FALSE(port.applySettings("9600,E,7,1", &error));
    EXPECT_NE(error.find(pty.path()), std::string::npos) << error;
    ASSERT_TRUE(port.write("C00\r"));
    EXPECT_EQ(receive(pty, 4), "C00\r");
}

// A device in use, and one that does not exist, are named in the failure.
TEST_F(PortOnPty, OpeningFailuresNameTheDevice) {
    std::string error;
    QtSerialPort second(pty.path(), "/dev/q7-none");
    EXPECT_FALSE(second.open(&error));
    EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;
    second.setPortNumber(2);
    EXPECT_FALSE(second.open(&error) || second.write("C00\r") || second.pendingOutput());
    EXPECT_NE(error.find("/dev/q7-none: the device does not exist"), std::string::npos) << error;
}

// More than a pseudo-terminal takes at once counts as pending until the other end reads it; a close, as with
// "END" with no event loop run since the last write, lets it all leave first.
TEST_F(PortOnPty, PendingOutputCountsWhatHasNotLeftAndCloseLetsItLeave) {
    const std::string big(1 << 20, 'Z');
    ASSERT_TRUE(port.write(big));
    QTest::qWait(100);
    EXPECT_GT(port.pendingOutput(), 0u);
    EXPECT_EQ(receive(pty, big.size()).size(), big.size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.pendingOutput() == 0; }, 5000));
    std::atomic<bool> closed = false;
    std::size_t read = 0;
    std::thread reader([&] {
        while (!closed)
            read += pty.drain().size();
        read += pty.drain().size();
    });
    ASSERT_TRUE(port.write(big.substr(0, 100000)));
    port.close();
    closed = true;
    reader.join();
    EXPECT_EQ(read, 100000u);
}

TEST_F(PortOnPty, AHangUpIsReportedOnceWithoutABusyLoop) {
    pty.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return losses > 0; }, 5000));
    EXPECT_FALSE(port.isOpen());
    const std::clock_t cpu = std::clock();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(500);
    EXPECT_LT((std::clock() - cpu) * 1000 / CLOCKS_PER_SEC, wall.elapsed() / 5) << "busy after the loss";
    // A loss noticed while the port is being closed by its owner is nothing to report.
    port.setPortNumber(2);
    std::string error;
    ASSERT_TRUE(port.open(&error));
    ASSERT_TRUE(port.write("C00\r"));
    other.hangUp();
    port.close();
    QTest::qWait(100);
    EXPECT_EQ(losses, 1);
}

} // namespace
} // namespace q7::test
