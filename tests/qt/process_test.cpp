// SPDX-License-Identifier: MIT
// The program as a process: how it ends on a signal or a lost display, one device under two names, long
// device names, and a command line that names no device or a session without a display.
#include "pseudo_terminal.h"
#include "qt/core/qt_line.h"
#include "qt/widgets/panel_options.h"

#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <tuple>

namespace q7::test {
namespace {

namespace fs = std::filesystem;

// A line left at 38400 baud, which the panel never uses: finding it there again shows that the panel gave the
// line back.
struct Line : Pty {
    Line() {
        termios tio = settings();
        ::cfsetspeed(&tio, B38400);
        setSettings(tio);
    }
    fs::path lockFile() const {
        return "/var/lock/LCK..pts_" + path().substr(std::string("/dev/pts/").size());
    }
    speed_t speed() const {
        const termios tio = settings();
        return ::cfgetospeed(&tio);
    }
    bool taken() const { return fs::exists(lockFile()) && speed() == B19200; }
    bool givenBack() const { return !fs::exists(lockFile()) && speed() == B38400; }
};

// q7panel with the environment changed as given (an empty value removes the variable).
struct Program : QProcess {
    explicit Program(const QStringList& args, const std::map<QString, QString>& changes = {},
                     bool hangUpIgnored = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        for (const auto& [key, value] : changes)
            value.isEmpty() ? env.remove(key) : env.insert(key, value);
        setProcessEnvironment(env);
        if (hangUpIgnored) setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        start(Q7PANEL_PATH, args);
        waitForStarted();
    }
    // Never to pid 0, which a process that has ended reports: that would be the test's own process group.
    void signal(int signo) {
        if (processId() > 0) ::kill(static_cast<pid_t>(processId()), signo);
    }
    // The exit status; -1 when it did not exit by itself within a generous bound.
    int finish() {
        if (!waitForFinished(20000)) kill(), waitForFinished();
        return exitStatus() == NormalExit ? exitCode() : -1;
    }
};

bool eventually(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, a logout) end the program as "END" does: the port is closed, so
// its lock file goes and the line has its earlier settings again. Under nohup a hang-up is ignored before the
// program starts, and stays so.
TEST(ProgramEnd, ASignalClosesThePortAsEndDoes) {
    for (const int signo : {SIGTERM, SIGINT, SIGHUP, 0}) {
        SCOPED_TRACE(signo ? ::strsignal(signo) : "hang-up ignored at start");
        Line line;
        Program panel({"--com1", QString::fromStdString(line.path())}, {}, signo == 0);
        ASSERT_TRUE(eventually([&] { return line.taken(); }));
        if (signo == 0) {
            panel.signal(SIGHUP);
            EXPECT_FALSE(panel.waitForFinished(500));
        }
        panel.signal(signo ? signo : SIGTERM);
        EXPECT_EQ(panel.finish(), 0) << panel.readAllStandardError().toStdString();
        EXPECT_TRUE(line.givenBack());
    }
}

// A logout often ends the X server first; the toolkit then ends the program itself.
TEST(ProgramEnd, ALostDisplayClosesThePort) {
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
    if (!server.waitForStarted()) GTEST_SKIP() << "no Xvfb";
    ASSERT_TRUE(server.waitForReadyRead(10000));
    const QString display = ":" + server.readAllStandardOutput().trimmed();
    Line line;
    Program panel({"--com1", QString::fromStdString(line.path())},
                  {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}});
    ASSERT_TRUE(eventually([&] { return line.taken(); }));
    server.kill();
    server.waitForFinished();
    panel.finish();
    EXPECT_TRUE(line.givenBack()) << panel.readAllStandardError().toStdString();
}

// Two names of one device share one lock: a second program reaching the device through a link is refused
// because of the lock. (Only root gets past the driver's own exclusive open, so only root can tell.)
TEST(DeviceNames, ASecondProgramThroughALinkIsRefusedByTheLock) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    Line line;
    const fs::path link = fs::temp_directory_path() / ("q7-link-" + std::to_string(::getpid()));
    fs::create_symlink(line.path(), link);
    Program panel({"--com1", QString::fromStdString(line.path())});
    ASSERT_TRUE(eventually([&] { return line.taken(); }));
    EXPECT_EQ(QtLine(link.string()).open().error().english(),
              "Cannot open " + link.string() + ": the device is in use by another program (process " +
                  std::to_string(panel.processId()) + ").");
    fs::remove(link);
}

// A name too long for a lock file is no reason to refuse a device: a long link to one that exists opens it.
TEST(DeviceNames, ALongLinkToADeviceOpensIt) {
    const fs::path dir = fs::temp_directory_path() / ("q7-" + std::string(120, 'd')) / std::string(120, 'e');
    fs::create_directories(dir);
    Line line;
    const fs::path link = dir / "projector-in-the-lecture-hall";
    fs::create_symlink(line.path(), link);
    ASSERT_GT(link.string().size(), 250u);
    QtLine port(link.string());
    EXPECT_EQ(port.open(), q7::Line::Opening::Open);
    port.close();
    fs::remove_all(dir.parent_path());
}

// A network address is kept as given, a malformed one refused with its option named; an option is no device
// name: "--com1 --help" is a missing value.
TEST(CommandLine, NamesTheDevicesBehindBothPortsAndRefusesAnythingElse) {
    const Result<PanelOptions> c =
        parsePanelOptions({"--list-ports", "--com1", "RFC2217://[::1]:2217", "--com2=/dev/ttyUSB0"});
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(std::tuple(c->com1.value_or(""), c->com2.value_or(""), c->listPorts),
              std::tuple("RFC2217://[::1]:2217", "/dev/ttyUSB0", true));
    EXPECT_FALSE(parsePanelOptions({})->listPorts);
    EXPECT_NE(usageText("q7panel").english().find("\n  --list-ports "), std::string::npos);
    EXPECT_TRUE(parsePanelOptions({"--help"})->help);
    EXPECT_TRUE(parsePanelOptions({"-h"})->help);
    EXPECT_TRUE(parsePanelOptions({"--version"})->version);
    EXPECT_EQ(parsePanelOptions({"--com2", "/dev/ttyS1", "--com1=socket://h:0"}).error().english(),
              "option --com1: \"socket://h:0\": the port must be from 1 to 65535");
    EXPECT_EQ(parsePanelOptions({"--com3", "x"}).error().english(), "unknown option: --com3");
    for (const QStringList& args : {QStringList{"--com1"}, QStringList{"--com1="}, QStringList{"/dev/ttyS0"},
                                    QStringList{"--com1", "--help"}, QStringList{"--version=1"}})
        EXPECT_FALSE(parsePanelOptions(args).has_value()) << args.join(' ').toStdString();
}

// "--com1 --help" names no device; outside a desktop session one line says what to do, and no core dump.
TEST(CommandLine, AnOptionIsNoDeviceAndNoDisplayIsOneLine) {
    Program option({"--com1", "--help"});
    EXPECT_EQ(option.finish(), 2);
    EXPECT_TRUE(option.readAllStandardError().startsWith("q7panel: option --com1 needs a device name\n"));
    const std::map<QString, QString> noDisplay{
        {"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    Program panel({}, noDisplay);
    EXPECT_EQ(panel.finish(), 1);
    EXPECT_EQ(panel.readAllStandardError().toStdString(),
              "q7panel: there is no display to show the panel on: start it from a desktop session\n");
    Program list({"--list-ports", "--com2", "/dev/pts/99"}, noDisplay);
    EXPECT_EQ(list.finish(), 0);
    EXPECT_TRUE(list.readAllStandardOutput().endsWith("\nPort 2: /dev/pts/99 (--com2)\n"));
}

} // namespace
} // namespace q7::test
