// SPDX-License-Identifier: MIT
// The program as a process: how it ends on a signal or a lost display, one device under two names, long
// device names, and a command line that names no device or a session without a display.
#include "qt/qt_serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace q7::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool eventually(const std::function<bool()>& condition) {
    for (auto until = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < until;) {
        if (condition()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

// A pseudo-terminal for the line, left at 38400 baud: settings the panel never uses, so that finding them
// again shows that the panel gave the line back.
struct Line {
    int master = -1;
    int slave = -1;
    std::string name;
    Line() {
        char path[128];
        EXPECT_EQ(::openpty(&master, &slave, path, nullptr, nullptr), 0);
        name = path;
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfsetispeed(&t, B38400);
        ::cfsetospeed(&t, B38400);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ~Line() {
        ::close(master);
        ::close(slave);
    }
    speed_t speed() const {
        termios t{};
        ::tcgetattr(slave, &t);
        return ::cfgetospeed(&t);
    }
    // The UUCP lock file of /dev/pts/N.
    fs::path lockFile() const { return "/var/lock/LCK..pts_" + name.substr(std::string("/dev/pts/").size()); }
    bool taken() const { return fs::exists(lockFile()) && speed() == B19200; }
    bool givenBack() const { return !fs::exists(lockFile()) && speed() == B38400; }
};

// q7panel started with the environment changed as given (an empty value removes the variable).
struct Program {
    pid_t pid = -1;
    int status = -1;
    std::string errors;
    int errorPipe[2] = {-1, -1};

    Program(const std::vector<std::string>& args, const std::map<std::string, std::string>& changes = {}) {
        std::map<std::string, std::string> env{{"QT_QPA_PLATFORM", "offscreen"}};
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            env.emplace(entry.substr(0, entry.find('=')), entry.substr(entry.find('=') + 1));
        }
        for (const auto& [key, value] : changes)
            env[key] = value;
        std::vector<std::string> envText;
        for (const auto& [key, value] : env)
            if (!value.empty()) envText.push_back(key + "=" + value);
        std::vector<std::string> argText{Q7PANEL_PATH};
        argText.insert(argText.end(), args.begin(), args.end());
        const auto pointers = [](std::vector<std::string>& texts) {
            std::vector<char*> out;
            for (std::string& t : texts)
                out.push_back(t.data());
            out.push_back(nullptr);
            return out;
        };
        std::vector<char*> argv = pointers(argText);
        std::vector<char*> envp = pointers(envText);
        EXPECT_EQ(::pipe2(errorPipe, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, errorPipe[1], STDERR_FILENO);
        EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(errorPipe[1]);
    }
    ~Program() {
        if (running()) {
            ::kill(pid, SIGKILL);
            finish();
        }
        ::close(errorPipe[0]);
    }
    bool running() {
        if (status != -1) return false;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        status = -1;
        return true;
    }
    // The exit status, or -1 when it ended otherwise or did not end within a generous bound.
    int finish() {
        if (!eventually([&] { return !running(); })) ::kill(pid, SIGKILL);
        if (status == -1) ::waitpid(pid, &status, 0);
        char buffer[4096];
        for (ssize_t n; (n = ::read(errorPipe[0], buffer, sizeof buffer)) > 0;)
            errors.append(buffer, static_cast<std::size_t>(n));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C, a logout) end the program as "END" does: the port is closed, so
// its lock file goes and the line has its earlier settings again.
TEST(ProgramEnd, ASignalClosesThePortAsEndDoes) {
    for (const int signo : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signo));
        Line line;
        Program panel({"--com1", line.name});
        ASSERT_TRUE(eventually([&] { return line.taken(); }));
        ::kill(panel.pid, signo);
        EXPECT_EQ(panel.finish(), 0);
        EXPECT_TRUE(line.givenBack());
    }
}

// Under nohup a hang-up is ignored before the program starts; it must stay so.
TEST(ProgramEnd, AHangUpIgnoredAtStartStaysIgnored) {
    Line line;
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &before);
    Program panel({"--com1", line.name});
    ::sigaction(SIGHUP, &before, nullptr);
    ASSERT_TRUE(eventually([&] { return line.taken(); }));
    ::kill(panel.pid, SIGHUP);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(panel.running());
    ::kill(panel.pid, SIGTERM);
    EXPECT_EQ(panel.finish(), 0);
    EXPECT_TRUE(line.givenBack());
}

// A logout often ends the X server first; the toolkit then ends the program itself.
TEST(ProgramEnd, ALostDisplayClosesThePort) {
    if (::access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "no Xvfb";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t server = ::fork();
    if (server == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        const std::string fd = std::to_string(ready[1]);
        ::execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    char display[16] = {};
    ASSERT_GT(::read(ready[0], display, sizeof display - 1), 0);
    ::close(ready[0]);
    Line line;
    Program panel({"--com1", line.name},
                  {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":" + std::to_string(std::atoi(display))}});
    ASSERT_TRUE(eventually([&] { return line.taken(); }));
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    panel.finish();
    EXPECT_TRUE(line.givenBack()) << panel.errors;
}

// Two names of one device share one lock: a second program reaching the device through a link is refused
// because of the lock. (Only root gets past the driver's own exclusive open, so only root can tell.)
TEST(DeviceNames, ASecondProgramThroughALinkIsRefusedByTheLock) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    Line line;
    const fs::path link = fs::temp_directory_path() / ("q7-link-" + std::to_string(::getpid()));
    fs::create_symlink(line.name, link);
    Program panel({"--com1", line.name});
    ASSERT_TRUE(eventually([&] { return line.taken(); }));
    QtSerialPort second(link.string(), "/dev/null");
    std::string error;
    EXPECT_FALSE(second.open(&error));
    EXPECT_EQ(error, "Cannot open " + link.string() + ": the device is in use by another program.");
    fs::remove(link);
}

// A name too long for a lock file is no reason to blame another program: a missing device says so, and a
// long link to a device that exists opens it.
TEST(DeviceNames, LongNamesGetTheirRealReason) {
    const fs::path dir = fs::temp_directory_path() / ("q7-" + std::string(120, 'd')) / std::string(120, 'e');
    fs::create_directories(dir);
    const std::string missing = (dir / "ttyUSB9").string();
    std::string error;
    EXPECT_FALSE(QtSerialPort(missing, "").open(&error));
    // Then the ports this machine has, which differ from machine to machine.
    const std::string expected =
        "Cannot open " + missing +
        ": the device does not exist (is the adapter plugged in, is the name right?). ";
    EXPECT_EQ(error.substr(0, expected.size()), expected);
    const std::string ports = error.substr(std::min(error.size(), expected.size()));
    EXPECT_TRUE(ports == "No serial port was found on this computer." ||
                (ports.rfind("Serial ports on this computer: /dev/", 0) == 0 && ports.back() == '.'))
        << error;

    Line line;
    const fs::path link = dir / "projector-in-the-lecture-hall";
    fs::create_symlink(line.name, link);
    ASSERT_GT(link.string().size(), 250u);
    QtSerialPort port(link.string(), "");
    EXPECT_TRUE(port.open(&error)) << error;
    port.close();
    fs::remove_all(dir.parent_path());
}

TEST(CommandLine, AnOptionIsNoDeviceName) {
    Program panel({"--com1", "--help"});
    EXPECT_EQ(panel.finish(), 2);
    EXPECT_NE(panel.errors.find("option --com1 needs a device name"), std::string::npos) << panel.errors;
}

// Started outside a desktop session: one line that says what to do, and no core dump.
TEST(CommandLine, WithoutADisplayOneLineSaysSo) {
    const std::map<std::string, std::string> noDisplay{
        {"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    Program panel({}, noDisplay);
    EXPECT_EQ(panel.finish(), 1);
    EXPECT_EQ(panel.errors.substr(panel.errors.find(':')),
              ": there is no display to show the panel on: start it from a desktop session\n");
    Program help({"--help"}, noDisplay);
    EXPECT_EQ(help.finish(), 0);
}

} // namespace
} // namespace q7::test
