// SPDX-License-Identifier: MIT
// The q7sim program over its real pseudo-terminal, as the panel and the end-to-end tests use it. Real time,
// so every wait has a generous bound and returns as soon as what it waits for has happened.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kBound = 5s;

// A running q7sim whose first output line is read at start; killed at the end of the test if still running.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, STDERR_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv{const_cast<char*>(Q7SIM_PROGRAM)};
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(Q7SIM_PROGRAM, argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
    }
    ~SimProcess() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    // Everything written to stdout until it closes or the bound passes.
    std::string readOutput() {
        std::string text;
        const auto end = Clock::now() + kBound;
        char buffer[4096];
        while (Clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

    std::string firstLine() {
        std::string line;
        const auto end = Clock::now() + kBound;
        char c = 0;
        while (Clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            if (read(out_, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }

    // The exit status, or -1 when the process is still running after the bound.
    int waitExit(std::chrono::milliseconds bound = kBound) {
        const auto end = Clock::now() + bound;
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    void signal(int signo) { kill(pid_, signo); }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
};

// The panel's end of the line, opened raw as a serial port would be.
class Port {
  public:
    explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Port() {
        if (fd_ >= 0) close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }

    void send(const std::string& frame) {
        const std::string bytes = frame + '\r';
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Bytes up to and including the next CR, or what came before the bound passed.
    std::string reply(std::chrono::milliseconds bound = kBound) {
        std::string text;
        const auto end = Clock::now() + bound;
        while (Clock::now() < end && (text.empty() || text.back() != '\r')) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            char c = 0;
            if (read(fd_, &c, 1) == 1) text += c;
        }
        return text;
    }

    std::string ask(const std::string& frame) {
        send(frame);
        return reply();
    }

    // True once the other end has gone: a read reports end of file or an error.
    bool hungUp(std::chrono::milliseconds bound = kBound) {
        const auto end = Clock::now() + bound;
        while (Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            if (p.revents & (POLLHUP | POLLERR)) return true;
            char c = 0;
            const ssize_t n = read(fd_, &c, 1);
            if (n == 0 || (n < 0 && errno != EAGAIN)) return true;
        }
        return false;
    }

  private:
    int fd_;
};

// A TCP client of q7sim --tcp, as the panel's network port would be.
class TcpClient {
  public:
    explicit TcpClient(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TcpClient() { close(fd_); }
    bool connected() const { return connected_; }

    // The bytes up to and including the next CR, or what came before the bound passed.
    std::string ask(const std::string& frame) {
        EXPECT_EQ(send(fd_, frame.data(), frame.size(), 0), static_cast<ssize_t>(frame.size()));
        std::string text;
        for (const auto end = Clock::now() + kBound;
             Clock::now() < end && (text.empty() || text.back() != '\r');) {
            pollfd p{fd_, POLLIN, 0};
            char c = 0;
            if (poll(&p, 1, 20) > 0 && recv(fd_, &c, 1, 0) == 1) text += c;
        }
        return text;
    }

  private:
    int fd_;
    bool connected_ = false;
};

std::string temporaryPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/q7sim-" + std::to_string(getpid()) + "-" + name;
}

TEST(Q7simProgram, PrintsItsDeviceFirstAndAnswersOnIt) {
    SimProcess sim({});
    const std::string device = sim.firstLine();
    ASSERT_EQ(device.rfind("/dev/", 0), 0u) << device;
    Port port(device);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.ask("CR0"), "80\r");
    EXPECT_EQ(port.ask("A001C05"), "\x06\r");
    EXPECT_EQ(port.ask("CR PRESSURE"), "853\r");
    port.send("A002CR0");
    EXPECT_EQ(port.reply(300ms), "") << "no answer for another projector";
    EXPECT_EQ(port.ask("XYZ"), "\x15\r");
}

TEST(Q7simProgram, PowerCycleSpedUp) {
    SimProcess sim(
        {"--speed", "30"}); // 1 s count down, 2 s cooling: time enough to see each on a busy machine
    Port port(sim.firstLine());
    EXPECT_EQ(port.ask("C00"), "\x06\r");
    EXPECT_EQ(port.ask("CR0"), "40\r");
    std::string state;
    for (const auto end = Clock::now() + kBound; Clock::now() < end && state != "00\r";)
        state = port.ask("CR0");
    EXPECT_EQ(state, "00\r");
    EXPECT_EQ(port.ask("C01"), "\x06\r");
    EXPECT_EQ(port.ask("CR0"), "20\r");
    for (const auto end = Clock::now() + kBound; Clock::now() < end && state != "80\r";)
        state = port.ask("CR0");
    EXPECT_EQ(state, "80\r");
}

TEST(Q7simProgram, TheLineSurvivesThePanelClosingAndReopeningIt) {
    SimProcess sim({});
    const std::string device = sim.firstLine();
    {
        Port port(device);
        EXPECT_EQ(port.ask("C06"), "\x06\r");
    }
    std::this_thread::sleep_for(100ms); // let a simulator that would choke on the hang-up do so
    Port again(device);
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.ask("CR1"), "2\r") << "the same projector, not a new one";
}

TEST(Q7simProgram, SeveralProjectorsAnswerTheirIds) {
    SimProcess sim({"--ids", "001,002,003,004"});
    Port port(sim.firstLine());
    port.ask("AFFFC07");
    for (const char* id : {"001", "002", "003", "004"})
        EXPECT_EQ(port.ask(std::string("A") + id + "CR1"), "3\r") << id;
}

TEST(Q7simProgram, HangsUpAfterTheGivenFramesAndExits) {
    SimProcess sim({"--hangup-after", "2"});
    Port port(sim.firstLine());
    EXPECT_EQ(port.ask("CR0"), "80\r");
    EXPECT_EQ(port.ask("CR1"), "1\r") << "the last frame is still answered";
    EXPECT_TRUE(port.hungUp());
    EXPECT_EQ(sim.waitExit(), 0);
}

TEST(Q7simProgram, Sigusr1HangsUpAtOnce) {
    SimProcess sim({});
    Port port(sim.firstLine());
    EXPECT_EQ(port.ask("CR0"), "80\r");
    sim.signal(SIGUSR1);
    EXPECT_TRUE(port.hungUp());
    EXPECT_EQ(sim.waitExit(), 0);
}

TEST(Q7simProgram, Sigusr2SilencesAndRestoresTheAnswers) {
    SimProcess sim({});
    Port port(sim.firstLine());
    sim.signal(SIGUSR2);
    std::this_thread::sleep_for(100ms);
    port.send("C06");
    EXPECT_EQ(port.reply(300ms), "");
    sim.signal(SIGUSR2);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(port.ask("CR1"), "2\r") << "the unanswered command was carried out";
}

TEST(Q7simProgram, ExitsCleanlyOnSigtermAndSigint) {
    for (const int signo : {SIGTERM, SIGINT}) {
        SimProcess sim({});
        Port port(sim.firstLine());
        EXPECT_EQ(port.ask("CR0"), "80\r");
        sim.signal(signo);
        EXPECT_EQ(sim.waitExit(), 0) << signo;
    }
}

TEST(Q7simProgram, LogsEveryFrameWithItsTimeInMilliseconds) {
    const std::string log = temporaryPath("frames.log");
    {
        SimProcess sim({"--log", log});
        Port port(sim.firstLine());
        for (int i = 0; i < 3; ++i) {
            port.ask("C47");
            std::this_thread::sleep_for(200ms);
        }
        port.ask("A001CR0");
        sim.signal(SIGTERM);
        EXPECT_EQ(sim.waitExit(), 0);
    }
    std::ifstream in(log);
    std::vector<std::string> frames;
    std::vector<long> times;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        long ms = 0;
        std::string kind;
        if (fields >> ms >> kind && kind == "RX") {
            frames.push_back(line);
            times.push_back(ms);
        }
    }
    std::remove(log.c_str());
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_NE(frames[0].find("\"C47\" to 001 reply \"\\x06\\r\""), std::string::npos) << frames[0];
    EXPECT_NE(frames[3].find("\"A001CR0\" to 001 reply \"80\\r\""), std::string::npos) << frames[3];
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_GE(times[i] - times[i - 1], 190) << "frames 200 ms apart on the wire";
        EXPECT_LT(times[i] - times[i - 1], 1500);
    }
}

TEST(Q7simProgram, ServesRawTcpToOneClientAfterAnother) {
    SimProcess sim({"--tcp", "0"});
    const std::string where = sim.firstLine();
    const std::string prefix = "socket://127.0.0.1:";
    ASSERT_EQ(where.rfind(prefix, 0), 0u) << where;
    const int port = std::atoi(where.c_str() + prefix.size());
    ASSERT_GT(port, 0) << where;
    {
        TcpClient first(port);
        ASSERT_TRUE(first.connected());
        EXPECT_EQ(first.ask("CR0\r"), "80\r");
        EXPECT_EQ(first.ask("C06\r"), "\x06\r");
    }
    TcpClient next(port);
    ASSERT_TRUE(next.connected());
    EXPECT_EQ(next.ask("CR1\r"), "2\r") << "the same projector for the next client";
}

TEST(Q7simProgram, HelpListsTheOptionsAndBadArgumentsFail) {
    {
        SimProcess sim({"--help"});
        const std::string text = sim.readOutput();
        for (const char* option :
             {"--device", "--tcp", "--ids", "--speed", "--fast", "--delay", "--no-reply", "--no-reply-to",
              "--split", "--garbage", "--chatter", "--hangup-after", "--log", "--version"})
            EXPECT_NE(text.find(option), std::string::npos) << option;
        EXPECT_EQ(text.rfind("Usage: q7sim [OPTION]...\n", 0), 0u)
            << "named without the path it was started by";
        EXPECT_EQ(sim.waitExit(), 0);
    }
    {
        SimProcess sim({"--version"});
        const std::string text = sim.readOutput();
        unsigned number[3] = {};
        char end = 0;
        EXPECT_EQ(std::sscanf(text.c_str(), "q7sim %u.%u.%u%c", &number[0], &number[1], &number[2], &end), 4)
            << text;
        EXPECT_EQ(end, '\n');
        EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
        EXPECT_EQ(sim.waitExit(), 0);
    }
    SimProcess bad({"--ids", "1"});
    EXPECT_EQ(bad.readOutput(), "");
    EXPECT_EQ(bad.waitExit(), 2);
}

TEST(Q7simProgram, OpensANamedDevice) {
    // Another pseudo-terminal stands in for a cable: the test holds its master end.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    SimProcess sim({"--device", slave, "--baud", "9600"});
    EXPECT_EQ(sim.firstLine(), slave);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(write(master, "CR0\r", 4), 4);
    std::string reply;
    for (const auto end = Clock::now() + kBound; Clock::now() < end && reply != "80\r";) {
        pollfd p{master, POLLIN, 0};
        char c = 0;
        if (poll(&p, 1, 20) > 0 && read(master, &c, 1) == 1) reply += c;
    }
    EXPECT_EQ(reply, "80\r");
    close(master);
}

} // namespace
