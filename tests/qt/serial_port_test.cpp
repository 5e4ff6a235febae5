// SPDX-License-Identifier: MIT
// The Qt serial-port service against real pseudo-terminals: the test holds the master side and plays the
// projector's end of the cable; the service opens the slave by its path, as it would open /dev/ttyS0.
#include "qt/qt_serial_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kDeadlineMs = 5000;

class Pty {
  public:
    Pty() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
        path_ = name;
        termios tio{};
        ::tcgetattr(master_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && !path_.empty(); }
    const std::string& path() const { return path_; }

    // The other end hangs up, as a pulled adapter does.
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

    bool send(const std::string& bytes) const {
        return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What has arrived so far, without waiting.
    std::string drain() const {
        std::string out;
        char chunk[4096];
        for (;;) {
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n <= 0) return out;
            out.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Reads while the event loop runs (QSerialPort writes only from there) until `count` bytes arrived.
    std::string receive(std::size_t count, int timeoutMs = kDeadlineMs) const {
        std::string out;
        (void)QTest::qWaitFor(
            [&] {
                out += drain();
                return out.size() >= count;
            },
            timeoutMs);
        return out;
    }

    speed_t outputSpeed() const {
        termios tio{};
        ::tcgetattr(master_, &tio);
        return ::cfgetospeed(&tio);
    }
    tcflag_t controlFlags() const {
        termios tio{};
        ::tcgetattr(master_, &tio);
        return tio.c_cflag;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

std::int64_t cpuMicroseconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval& t) { return std::int64_t{t.tv_sec} * 1000000 + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

struct PortOnPty : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << std::strerror(errno);
        QObject::connect(&port, &q7::QtSerialPort::comm, [this](int code) { eventCodes.push_back(code); });
        QObject::connect(&port, &q7::QtSerialPort::portLost, [this] { ++losses; });
    }
    void openPort() {
        std::string error;
        ASSERT_TRUE(port.open(&error)) << error;
        ASSERT_TRUE(port.isOpen());
    }

    Pty pty;
    Pty other;
    q7::QtSerialPort port{pty.path(), other.path()};
    std::vector<int> eventCodes;
    int losses = 0;
};

TEST_F(PortOnPty, FrameArrivesAtTheOtherEndByteForByte) {
    openPort();
    const std::string frame = "A001CR0\r";
    ASSERT_TRUE(port.write(frame));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    // Nothing more: no echo, no line feed added.
    QTest::qWait(50);
    EXPECT_EQ(pty.drain(), "");
}

TEST_F(PortOnPty, EveryByteValueArrivesUnchangedAndRaisesTheReceiveEvent) {
    openPort();
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    ASSERT_TRUE(pty.send(all));

    std::string received;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            received += port.readAll();
            return received.size() >= all.size();
        },
        kDeadlineMs));
    EXPECT_EQ(received, all);
    ASSERT_FALSE(eventCodes.empty());
    for (int code : eventCodes)
        EXPECT_EQ(code, 2);
    EXPECT_EQ(port.readAll(), "") << "a read removes what it returns";
}

TEST_F(PortOnPty, ReadAllReturnsEverythingWaiting) {
    openPort();
    ASSERT_TRUE(pty.send("00\r"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !eventCodes.empty(); }, kDeadlineMs));
    ASSERT_TRUE(pty.send("12\r"));
    // Let the second piece reach the port's buffer before reading.
    ASSERT_TRUE(QTest::qWaitFor([&] { return eventCodes.size() >= 2; }, kDeadlineMs));
    EXPECT_EQ(port.readAll(), "00\r12\r");
}

// A Linux pseudo-terminal keeps the speed and the stop bits it is given but forces 8 data bits and no parity,
// so those two fields cannot be seen from the other end here.
TEST_F(PortOnPty, SettingsApplyAtOpenAndAtOnceToAnOpenPort) {
    std::string error;
    ASSERT_TRUE(port.applySettings("9600,E,7,2", &error)) << error;
    openPort();
    EXPECT_EQ(pty.outputSpeed(), speed_t{B9600});
    EXPECT_TRUE(pty.controlFlags() & CSTOPB);
    EXPECT_FALSE(pty.controlFlags() & CRTSCTS) << "no flow control";

    ASSERT_TRUE(port.applySettings("19200,N,8,1", &error)) << error;
    EXPECT_TRUE(port.isOpen()) << "applied without closing";
    EXPECT_EQ(pty.outputSpeed(), speed_t{B19200});
    EXPECT_FALSE(pty.controlFlags() & CSTOPB);

    ASSERT_TRUE(port.applySettings("9600,N,8,1", &error)) << error;
    EXPECT_EQ(pty.outputSpeed(), speed_t{B9600});
    // The line still carries frames after the change.
    ASSERT_TRUE(port.write("C00\r"));
    EXPECT_EQ(pty.receive(4), "C00\r");
}

TEST_F(PortOnPty, EveryParityLetterAndDataWidthIsUnderstood) {
    std::string error;
    for (const char* text : {"19200,N,8,1", "19200,E,8,1", "19200,O,8,1", "19200,M,8,1", "19200,S,8,1",
                             "19200,n,8,1", "19200,e,7,2", "9600,N,5,1", "9600,N,6,1", "9600,N,8,2"})
        EXPECT_TRUE(port.applySettings(text, &error)) << text << ": " << error;
}

// The kernel keeps a pseudo-terminal at 8 bits without parity, and Qt reports the change it could not make.
TEST_F(PortOnPty, SettingsTheDeviceCannotTakeAreReportedAndThePortStaysOpen) {
    openPort();
    std::string error;
    EXPECT_FALSE(port.applySettings("9600,E,7,1", &error));
    EXPECT_NE(error.find(pty.path()), std::string::npos) << error;
    EXPECT_NE(error.find("\"9600,E,7,1\""), std::string::npos) << error;
    EXPECT_TRUE(port.isOpen());
    ASSERT_TRUE(port.write("C00\r"));
    EXPECT_EQ(pty.receive(4), "C00\r");
}

TEST_F(PortOnPty, OpenUsesTheDefaultSettingsWhenNoneWereApplied) {
    openPort();
    EXPECT_EQ(pty.outputSpeed(), speed_t{B19200});
    EXPECT_EQ(pty.controlFlags() & CSIZE, tcflag_t{CS8});
    EXPECT_FALSE(pty.controlFlags() & PARENB);
}

TEST_F(PortOnPty, MalformedSettingsAreRefusedAndChangeNothing) {
    std::string error;
    ASSERT_TRUE(port.applySettings("9600,N,8,1", &error)) << error;
    const char* const malformed[] = {"",
                                     "19200",
                                     "19200,N,8",
                                     "19200,N,8,1,",
                                     "19200,X,8,1",
                                     "19200,NN,8,1",
                                     "fast,N,8,1",
                                     "-9600,N,8,1",
                                     "0,N,8,1",
                                     "19200,N,9,1",
                                     "19200,N,4,1",
                                     "19200,N,8,3",
                                     " 19200,N,8,1",
                                     "19200;N;8;1",
                                     "19200,N,8,1.5x"};
    for (const char* text : malformed) {
        error.clear();
        EXPECT_FALSE(port.applySettings(text, &error)) << '"' << text << '"';
        EXPECT_NE(error.find(text), std::string::npos) << "the message quotes the text: " << error;
    }
    // Nothing of the refused texts was kept: open uses the last good settings.
    openPort();
    EXPECT_EQ(pty.outputSpeed(), speed_t{B9600});
    // Nor applied to the open port.
    EXPECT_FALSE(port.applySettings("19200,N,8,x", &error));
    EXPECT_EQ(pty.outputSpeed(), speed_t{B9600});
    EXPECT_TRUE(port.isOpen());
}

TEST_F(PortOnPty, OneAndAHalfStopBitsAreRefusedRatherThanQuietlySentAsOne) {
    std::string error;
    EXPECT_FALSE(port.applySettings("19200,N,8,1.5", &error));
    EXPECT_NE(error.find("1.5"), std::string::npos) << error;
}

TEST_F(PortOnPty, OpeningAMissingDeviceNamesIt) {
    const std::string missing = "/dev/q7-no-such-device";
    q7::QtSerialPort absent(missing, other.path());
    std::string error;
    EXPECT_FALSE(absent.open(&error));
    EXPECT_FALSE(absent.isOpen());
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
    EXPECT_FALSE(absent.write("C00\r"));
}

// Run in a child that has given up root (root opens anything), on a file nobody may open.
TEST(QtSerialPortAccess, APermissionErrorSaysTheUserMustBeInTheDialoutGroup) {
    char path[] = "/tmp/q7-port-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::fchmod(fd, 0);
    ::close(fd);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
        q7::QtSerialPort denied(path, path);
        std::string error;
        const std::string said = denied.open(&error) ? "opened" : error;
        const bool written = ::write(fds[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    std::string said;
    char chunk[512];
    for (ssize_t n; (n = ::read(fds[0], chunk, sizeof chunk)) > 0;)
        said.append(chunk, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::unlink(path);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
    EXPECT_NE(said.find("dialout"), std::string::npos) << said;
}

TEST_F(PortOnPty, ADeviceInUseByAnotherPortIsReportedAsSuch) {
    openPort();
    q7::QtSerialPort second(pty.path(), other.path());
    std::string error;
    EXPECT_FALSE(second.open(&error));
    EXPECT_NE(error.find(pty.path()), std::string::npos) << error;
    EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;
    // The first keeps working.
    ASSERT_TRUE(port.write("C01\r"));
    EXPECT_EQ(pty.receive(4), "C01\r");
}

TEST_F(PortOnPty, PortNumberChoosesTheDeviceAndStaysWhileOpen) {
    EXPECT_EQ(port.deviceName(), pty.path());
    port.setPortNumber(2);
    EXPECT_EQ(port.portNumber(), 2);
    EXPECT_EQ(port.deviceName(), other.path());
    openPort();
    port.setPortNumber(1);
    EXPECT_EQ(port.portNumber(), 2) << "the number changes only while closed";
    ASSERT_TRUE(port.write("C05\r"));
    EXPECT_EQ(other.receive(4), "C05\r");
    EXPECT_EQ(pty.drain(), "");
}

TEST_F(PortOnPty, NothingIsWrittenWhileClosed) {
    EXPECT_FALSE(port.write("C00\r"));
    EXPECT_EQ(port.pendingOutput(), 0u);
    EXPECT_EQ(port.readAll(), "");
    openPort();
    ASSERT_TRUE(port.write("C01\r"));
    EXPECT_EQ(pty.receive(4), "C01\r") << "the refused frame must not go out later";
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("C02\r"));
    port.close(); // closing twice is harmless
    EXPECT_FALSE(port.isOpen());
}

TEST_F(PortOnPty, CloseDeliversTheLastFrame) {
    openPort();
    // No event loop runs between the write and the close, as with "END".
    ASSERT_TRUE(port.write("C01\r"));
    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(pty.receive(4, 1000), "C01\r");
}

TEST_F(PortOnPty, PendingOutputCountsWhatHasNotLeftUntilTheOtherEndReads) {
    openPort();
    EXPECT_EQ(port.pendingOutput(), 0u);
    // More than a pseudo-terminal holds, so the rest has to wait for the other end to read.
    const std::string big(1 << 20, 'Z');
    ASSERT_TRUE(port.write(big));
    EXPECT_GT(port.pendingOutput(), 0u);
    QTest::qWait(100);
    const std::size_t stuck = port.pendingOutput();
    EXPECT_GT(stuck, 0u) << "nobody reads the other end";
    EXPECT_LT(stuck, big.size()) << "the terminal took what it could";

    std::size_t read = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            read += pty.drain().size();
            return read == big.size() && port.pendingOutput() == 0;
        },
        kDeadlineMs))
        << "read " << read << ", pending " << port.pendingOutput();
}

TEST_F(PortOnPty, TheOtherEndHangingUpIsReportedOnceWithoutABusyLoop) {
    openPort();
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return losses > 0; }, kDeadlineMs));
    EXPECT_FALSE(port.isOpen());

    const std::int64_t cpuBefore = cpuMicroseconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(500);
    const std::int64_t cpuUsed = cpuMicroseconds() - cpuBefore;
    EXPECT_LT(cpuUsed, wall.elapsed() * 1000 / 5) << "the process kept busy after the loss";
    EXPECT_EQ(losses, 1);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("C00\r"));
    EXPECT_EQ(port.pendingOutput(), 0u);

    // Another device opens afterwards and works both ways.
    port.setPortNumber(2);
    openPort();
    ASSERT_TRUE(port.write("CR0\r"));
    EXPECT_EQ(other.receive(4), "CR0\r");
    ASSERT_TRUE(other.send("00\r"));
    std::string reply;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            reply += port.readAll();
            return reply.size() >= 3;
        },
        kDeadlineMs));
    EXPECT_EQ(reply, "00\r");
    EXPECT_EQ(losses, 1);
}

TEST_F(PortOnPty, ALossNoticedWhileClosingRaisesNothingLater) {
    openPort();
    ASSERT_TRUE(port.write("C00\r"));
    pty.closeMaster();
    port.close();
    EXPECT_FALSE(port.isOpen());
    QTest::qWait(100);
    EXPECT_EQ(losses, 0) << "the form closed the port itself; there is nothing to report";
}

} // namespace
