// SPDX-License-Identifier: MIT
// The Qt line on devices, against pseudo-terminals: the test plays the projector's end of the cable.

#include "pseudo_terminal.h"
#include "qt/core/qt_line.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace q7::test {
namespace {

// What the line reports.
struct Heard : LineEvents {
    void received() override { ++receptions; }
    void opened() override {}
    void openFailed(const Message&) override {}
    void lost(const Message& why) override { losses.push_back(why.english()); }
    void settingsFailed(const Message&) override {}
    int receptions = 0;
    std::vector<std::string> losses;
};

struct PortOnPty : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok() && other.ok());
        port.setEvents(&heard);
        const Result<Line::Opening> opened = port.open();
        ASSERT_TRUE(opened.has_value()) << opened.error().english();
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
    QtLine port{pty.path()};
    Heard heard;
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
    EXPECT_GT(heard.receptions, 0);
    QTest::qWait(50);
    EXPECT_EQ(pty.drain() + port.readAll(), "") << "no echo, no line feed, nothing read twice";
}

TEST_F(PortOnPty, LineSettingsApplyAtOpenAndAtOnceToAnOpenPort) {
    EXPECT_EQ(speed(), speed_t{B19200});
    EXPECT_EQ(pty.settings().c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8})
        << "8N1, no handshake";
    port.close();
    ASSERT_TRUE(port.applySettings("9600,N,8,2").has_value());
    ASSERT_TRUE(port.open().has_value());
    EXPECT_TRUE(speed() == B9600 && (pty.settings().c_cflag & CSTOPB)) << "9600 baud, 2 stop bits";
    ASSERT_TRUE(port.applySettings("19200,N,8,1").has_value());
    EXPECT_TRUE(speed() == B19200 && !(pty.settings().c_cflag & CSTOPB))
        << "19200 baud, 1 stop bit, still open";
    for (const char* text :
         {"19200", "19200,X,8,1", "0,N,8,1", "19200,N,9,1", "19200,N,8,3", "19200,N,8,1.5"}) {
        const std::string error = port.applySettings(text).error().english();
        EXPECT_NE(error.find(text), std::string::npos) << error;
    }
    // A pseudo-terminal stays at 8 bits without parity: the refusal is reported and the line stays open, at
    // the speed in force.
    const std::string error = port.applySettings("9600,E,7,1").error().english();
    EXPECT_NE(error.find(pty.path()), std::string::npos) << error;
    EXPECT_EQ(speed(), speed_t{B19200});
    ASSERT_TRUE(port.write("C00\r"));
    EXPECT_EQ(receive(pty, 4), "C00\r");
}

// A device in use (here by the test's other line), one that does not exist and the pseudo-terminal
// multiplexer are refused, naming the device as given; a bare name is a device under /dev, as the toolkit
// takes it.
TEST_F(PortOnPty, OpeningFailuresNameTheDeviceAsGiven) {
    const std::string bare = pty.path().substr(5); // pts/N
    QtLine second(bare);
    const std::pair<std::string, std::string> refused[] = {
        {bare, "Cannot open " + bare + ": the device is open already in this program."},
        {"q7-none",
         "Cannot open q7-none: the device does not exist (is the adapter plugged in, is the name right?). "},
        {"/dev/ptmx",
         "Cannot open /dev/ptmx: it makes a new pseudo-terminal at each open; name the pseudo-terminal "
         "itself (/dev/pts/N)."}};
    for (const auto& [name, error] : refused) {
        second.setAddress(name);
        const Result<Line::Opening> opened = second.open();
        ASSERT_FALSE(opened.has_value()) << name;
        EXPECT_EQ(opened.error().english().substr(0, error.size()), error);
        EXPECT_FALSE(second.write("C00\r") || second.pendingOutput());
    }
    port.close();
    second.setAddress(bare);
    EXPECT_EQ(second.open(), Line::Opening::Open);
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.losses.empty(); }, 5000));
    EXPECT_EQ(heard.losses.front(), "the device is not available (was it unplugged?)");
    EXPECT_FALSE(port.isOpen());
    const std::clock_t cpu = std::clock();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(500);
    EXPECT_LT((std::clock() - cpu) * 1000 / CLOCKS_PER_SEC, wall.elapsed() / 5) << "busy after the loss";
    // A loss noticed while the line is being closed by its owner is nothing to report.
    port.setAddress(other.path());
    ASSERT_TRUE(port.open().has_value());
    ASSERT_TRUE(port.write("C00\r"));
    other.hangUp();
    port.close();
    QTest::qWait(100);
    EXPECT_EQ(heard.losses.size(), 1u);
}

// Root ignores the sticky bit of the lock folder, so a lock file is left by one user other than root (nobody)
// and the line opened as another (kOpener): the opener may not remove the file, as the toolkit would its own.
constexpr uid_t kNobody = 65534, kOpener = 65533;

struct LockOfAnotherUser : ::testing::Test {
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as two other users (CI runs as root)";
        std::error_code ec;
        if (std::filesystem::canonical("/var/lock", ec) != "/run/lock")
            GTEST_SKIP() << "the toolkit's lock folder, /var/lock, is no link to /run/lock here";
        ASSERT_TRUE(pty.ok());
        ASSERT_EQ(::chmod(pty.path().c_str(), 0666), 0) << "the opener may use the device itself";
    }
    void TearDown() override {
        line.close();
        if (owner.state() != QProcess::NotRunning) {
            owner.kill();
            owner.waitForFinished();
        }
        std::remove(lock.c_str());
    }
    // Nobody writes the lock file as QLockFile does (process id, program, host) and then ends, or lives on.
    // Returns the owner's process id.
    std::string leaveLock(bool endAfterwards) {
        owner.start("setpriv", {"--reuid=" + QString::number(kNobody), "--regid=" + QString::number(kNobody),
                                "--clear-groups", "sh", "-c",
                                "printf '%s\\nq7panel\\n%s\\n' $$ \"$(uname -n)\" >\"$0\" && echo $$ && " +
                                    QString(endAfterwards ? "exit" : "exec sleep 60"),
                                QString::fromStdString(lock)});
        if (!owner.waitForReadyRead(5000)) return "";
        return owner.readLine().trimmed().toStdString();
    }
    // As the opener; the process stays root underneath, so that it can come back.
    Result<Line::Opening> openAsOpener() {
        if (::setegid(kOpener) != 0 || ::seteuid(kOpener) != 0) return failure(Message::verbatim("no user"));
        const Result<Line::Opening> opened = line.open();
        const bool back = ::seteuid(0) == 0 && ::setegid(0) == 0;
        if (!back) std::abort();
        return opened;
    }

    Pty pty;
    const std::string lock = "/run/lock/LCK..pts_" + pty.path().substr(std::string("/dev/pts/").size());
    QProcess owner;
    QtLine line{pty.path()};
};

TEST_F(LockOfAnotherUser, LeftByAProgramThatHasEndedItIsNamedWithHowToRemoveIt) {
    const std::string pid = leaveLock(true);
    ASSERT_TRUE(owner.waitForFinished(5000) && owner.exitCode() == 0 && !pid.empty())
        << owner.readAllStandardError().toStdString();
    const Result<Line::Opening> opened = openAsOpener();
    ASSERT_FALSE(opened.has_value());
    EXPECT_EQ(opened.error().english(),
              "Cannot open " + pty.path() + ": the lock file " + lock +
                  " blocks it, and its owner, process " + pid +
                  ", has ended: remove the file as root (sudo rm " + lock +
                  "), or restart the bridge (systemctl restart q7-bridge), which removes such files when it "
                  "starts.");
    ASSERT_EQ(::access(lock.c_str(), F_OK), 0) << "the opener removed it after all";
    // As the message says: once root has removed it, the device opens.
    ASSERT_EQ(std::remove(lock.c_str()), 0);
    EXPECT_EQ(openAsOpener(), Line::Opening::Open);
}

TEST_F(LockOfAnotherUser, HeldByAProgramStillRunningItIsInUse) {
    const std::string pid = leaveLock(false);
    ASSERT_FALSE(pid.empty()) << owner.readAllStandardError().toStdString();
    const Result<Line::Opening> opened = openAsOpener();
    ASSERT_FALSE(opened.has_value());
    EXPECT_EQ(opened.error().english(), "Cannot open " + pty.path() +
                                            ": the device is in use by another program (process " + pid +
                                            ").");
    EXPECT_EQ(::access(lock.c_str(), F_OK), 0);
}

} // namespace
} // namespace q7::test
