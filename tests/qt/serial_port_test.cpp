// SPDX-License-Identifier: MIT
// The Qt serial port against pseudo-terminals: the test plays the projector's end of the cable.

#include "pseudo_terminal.h"
#include "qt/qt_serial_port.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

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
    EXPECT_EQ(speed(), speed_t{B9600});
    EXPECT_TRUE(pty.settings().c_cflag & CSTOPB);
    ASSERT_TRUE(port.applySettings("19200,N,8,1", &error)) << error;
    EXPECT_EQ(speed(), speed_t{B19200});
    EXPECT_FALSE(pty.settings().c_cflag & CSTOPB);
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

TEST_F(PortOnPty, ThePortNumberChoosesTheDeviceOnlyWhileClosedAndFailuresNameIt) {
    port.setPortNumber(2);
    ASSERT_TRUE(port.write("C05\r"));
    EXPECT_EQ(receive(pty, 4), "C05\r");
    port.close();
    port.setPortNumber(2);
    std::string error;
    ASSERT_TRUE(port.open(&error));
    ASSERT_TRUE(port.write("C06\r"));
    EXPECT_EQ(receive(other, 4), "C06\r");
    QtSerialPort second(other.path(), "/dev/q7-none");
    EXPECT_FALSE(second.open(&error));
    EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;
    second.setPortNumber(2);
    EXPECT_FALSE(second.open(&error) || second.write("C00\r") || second.pendingOutput());
    EXPECT_NE(error.find("/dev/q7-none: the device does not exist"), std::string::npos) << error;
}

// In a child that has given up root (root opens anything), on a file nobody may open.
TEST(SerialPortAccess, APermissionErrorSaysTheUserMustBeInTheDialoutGroup) {
    char path[] = "/tmp/q7-port-XXXXXX";
    ::close(::mkstemp(path));
    ::chmod(path, 0);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    if (::fork() == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
        std::string error;
        QtSerialPort(path, path).open(&error);
        ::_exit(::write(fds[1], error.data(), error.size()) > 0 ? 0 : 1);
    }
    ::close(fds[1]);
    std::string said(512, '\0');
    said.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(fds[0], said.data(), said.size()))));
    ::wait(nullptr);
    ::unlink(path);
    EXPECT_NE(said.find("dialout"), std::string::npos) << said;
}

// As with "END", no event loop runs between the last write and the close.
TEST_F(PortOnPty, CloseLetsTheLastFrameLeaveAndPendingOutputCountsWhatHasNot) {
    ASSERT_TRUE(port.write("C01\r"));
    port.close();
    EXPECT_EQ(receive(pty, 4), "C01\r");
    EXPECT_FALSE(port.write("C02\r"));
    std::string error;
    ASSERT_TRUE(port.open(&error));
    const std::string big(1 << 20, 'Z'); // more than a pseudo-terminal holds unread
    ASSERT_TRUE(port.write(big));
    QTest::qWait(100);
    EXPECT_GT(port.pendingOutput(), 0u);
    EXPECT_EQ(receive(pty, big.size()).size(), big.size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.pendingOutput() == 0; }, 5000));
}

TEST_F(PortOnPty, AHangUpIsReportedOnceWithoutABusyLoop) {
    pty.hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return losses > 0; }, 5000));
    EXPECT_FALSE(port.isOpen());
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(500);
    ::getrusage(RUSAGE_SELF, &after);
    const auto ms = [](const rusage& u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
               (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
    };
    EXPECT_LT(ms(after) - ms(before), wall.elapsed() / 5) << "busy after the loss";
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
