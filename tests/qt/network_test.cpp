// SPDX-License-Identifier: MIT
// Lines to serial device servers that misbehave, kept within bounds: scripted servers on 127.0.0.1
// (servers.py) and a route that goes and comes back in a network namespace of the test's own. Real time:
// every bound is generous.

#include "qt/core/qt_line.h"
#include "qt/core/qt_timer.h"
#include "session/pacing.h"
#include "session/supervisor.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#ifdef __SANITIZE_ADDRESS__
// GCC does not install the header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace q7::test {
namespace {

// AddressSanitizer's quarantine keeps freed memory resident: there, what is allocated counts instead.
long heldKilobytes() {
#ifdef __SANITIZE_ADDRESS__
    return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    std::ifstream status("/proc/self/status");
    std::string entry;
    while (std::getline(status, entry) && entry.rfind("VmRSS:", 0) != 0) {
    }
    return entry.empty() ? 0L : std::stol(entry.substr(6));
#endif
}

struct Server {
    explicit Server(QStringList args) {
        process.start("python3", QStringList{SERVERS_PY} + args);
        (void)QTest::qWaitFor([&] { return (out += process.readAllStandardOutput()).contains('\n'); }, 5000);
        port = out.left(out.indexOf('\n')).toStdString();
    }
    ~Server() {
        process.kill();
        process.waitForFinished(3000);
    }
    QProcess process;
    QByteArray out;
    std::string port;
};

// What a supervised line reports, as the panel would see it.
struct Heard : LineSupervisor::Events {
    void received() override {}
    void opened() override { said.push_back("opened"); }
    void openFailed(const Message& why) override { said.push_back("failed: " + why.english()); }
    void lost(const Message& why) override { said.push_back("lost: " + why.english()); }
    void back() override { said.push_back("back"); }
    void settingsFailed(const Message& why) override { said.push_back("settings: " + why.english()); }
    std::vector<std::string> said;
};

struct Supervised {
    explicit Supervised(const std::string& url) : line(url) {}
    QtLine line;
    QtTimers timers;
    Heard heard;
    LineSupervisor supervisor{line, timers, heard};
};

// Memory stays bounded, the outcome is a failure that says why, and closing ends within its bound.
TEST(Servers, MisbehavingServersAreFailuresWithinBounds) {
    const std::tuple<const char*, const char*> cases[] = {
        {"renegotiate", "failed: Cannot open %1: the server renegotiates its options without end."},
        {"refuse-binary", "lost: the server does not offer binary transmission (RFC 856)"},
        {"refuse-comport",
         "failed: Cannot open %1: the server does not offer serial port control (RFC 2217)."},
        {"flood", "failed: Cannot open %1: the server did not answer within 5 seconds."},
        {"none",
         "failed: Cannot open %1: the server refused the connection (is the port number right, is the "
         "server running?)."},
        {"no-such-host", "failed: Cannot open %1: the host name no-such-host.invalid is not known."},
        {"hangup 60", "failed: Cannot open %1: the server closed the connection."},
    };
    for (const auto& [mode, outcome] : cases) {
        SCOPED_TRACE(mode);
        Server server(QString(mode).split(' '));
        const std::string url = std::string(mode) == "no-such-host" ? "rfc2217://no-such-host.invalid:2217"
                                                                    : "rfc2217://127.0.0.1:" + server.port;
        Supervised s(url);
        const long before = heldKilobytes();
        ASSERT_TRUE(s.supervisor.open().has_value());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !s.heard.said.empty() && s.heard.said.back() != "opened"; }, 8000));
        EXPECT_EQ(s.heard.said.back(), fillIn(outcome, {url}));
        EXPECT_LT(heldKilobytes() - before, 50 * 1024);
        // Reopened by the watch and flooded again, the line still closes at once.
        (void)QTest::qWaitFor([&] { return s.line.isOpen() && !s.line.isConnecting(); }, 1500);
        QElapsedTimer closing;
        closing.start();
        s.supervisor.close();
        EXPECT_LT(closing.elapsed(), 2000);
    }
}

// Writes to a server that takes nothing: 1 MB waits for it, then the line is lost. Measured while the writes
// go on, since closing gives the memory back.
TEST(Servers, AServerThatDoesNotReadLosesTheLineBeforeMuchWaitsForIt) {
    Server server({"deaf"});
    Supervised s("socket://127.0.0.1:" + server.port);
    ASSERT_TRUE(s.supervisor.open().has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.heard.said.empty(); }, 5000));
    const std::string frame(64, 'A');
    const long before = heldKilobytes();
    long most = 0;
    std::size_t taken = 0;
    QElapsedTimer flooding;
    flooding.start();
    while (s.heard.said.size() < 2 && most < 8 * 1024 && flooding.elapsed() < 20000) {
        for (int i = 0; i < 1000; ++i)
            taken += s.line.write(frame) ? frame.size() : 0;
        QCoreApplication::processEvents();
        most = std::max(most, heldKilobytes() - before);
    }
    EXPECT_EQ(s.heard.said,
              (std::vector<std::string>{"opened", "lost: the server does not take what is sent to it"}));
    EXPECT_GE(taken, 1024u * 1024) << "lost before 1 MB waited";
    EXPECT_LT(most, 8 * 1024);
}

// Of a flood before the server confirms the line, at most the first 64 KB are kept. Counted while the flood
// goes on: closing gives it back.
TEST(Servers, AFloodBeforeTheLineIsConfirmedKeepsAtMost64Kilobytes) {
    Server server({"flood"});
    QtLine line("rfc2217://127.0.0.1:" + server.port);
    const long before = heldKilobytes();
    ASSERT_TRUE(line.open().has_value());
    long most = 0;
    QElapsedTimer flooding;
    flooding.start();
    while (flooding.elapsed() < 1500) {
        QTest::qWait(10);
        most = std::max(most, heldKilobytes() - before);
    }
    EXPECT_LT(most, 2 * 1024);
    ASSERT_TRUE(line.isConnecting());
    const std::size_t kept = line.readAll().size();
    EXPECT_GT(kept, 0u) << "nothing arrived";
    EXPECT_LE(kept, 64u * 1024);
}

// A hold of the 5 ms arrow at 9600 baud to a server that passes the bytes on at the line's speed: with the
// repeats paced to the far line, what still arrives after the release is at most the frame in flight.
TEST(Servers, AHoldOverTheNetworkStopsAtTheRelease) {
    Server server({"drain", "9600"});
    QtLine line("socket://127.0.0.1:" + server.port);
    ASSERT_TRUE(line.applySettings("9600,N,8,1").has_value());
    ASSERT_TRUE(line.open().has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return line.isOpen() && !line.isConnecting(); }, 5000));
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 1000) {
        if (!lineIsBusy(line)) line.write("A001C3C\r");
        QTest::qWait(5);
    }
    QTest::qWait(1500);
    // Each line of the server: when a byte was passed on, from the first.
    double last = 0;
    for (const QByteArray& read : (server.out += server.process.readAllStandardOutput()).split('\n').mid(1))
        if (!read.isEmpty()) last = read.split(' ').front().toDouble();
    EXPECT_GT(last, 900.0);
    EXPECT_LT(last, 1000.0 + 2 * 8.4 + 50) << "bytes still passed on after the release";
}

// A speed that the server refuses leaves the repeats paced to the speed it keeps: 960 characters still take a
// second to leave at 9600 baud, where they would be gone in half a second at 19200.
TEST(Servers, RepeatsArePacedToTheSpeedTheServerKeeps) {
    Server server({"keep", "9600"});
    Supervised s("rfc2217://127.0.0.1:" + server.port);
    ASSERT_TRUE(s.line.applySettings("9600,N,8,1").has_value());
    ASSERT_TRUE(s.supervisor.open().has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.heard.said.empty(); }, 5000));
    ASSERT_TRUE(s.line.applySettings("19200,N,8,1").has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.heard.said.size() > 1; }, 5000));
    EXPECT_EQ(s.heard.said.back(),
              "settings: Cannot set the line of rfc2217://127.0.0.1:" + server.port +
                  ": the server keeps its line at other settings than 19200,N,8,1 (the server "
                  "set the speed to 9600 bit/s instead of 19200 bit/s).");
    ASSERT_TRUE(s.line.write(std::string(960, 'A')));
    QTest::qWait(700);
    EXPECT_GT(s.line.pendingOutput(), 100u);
}

// A route that goes and comes back: the idle line is lost within half a minute (keepalive), tried quietly
// while there is no route (each try fails at once) and back once the route and the server are. In a network
// namespace of its own, where 192.0.2.1 on the loopback is the route; this test runs itself there.
TEST(Route, ARouteThatGoesAndComesBackIsOneOutage) {
    if (qEnvironmentVariableIsEmpty("Q7_IN_NAMESPACE")) {
        const QStringList unshare = ::geteuid() == 0 ? QStringList{"-n"} : QStringList{"-rn"};
        if (QProcess::execute("unshare", unshare + QStringList{"true"}) != 0)
            GTEST_SKIP() << "no network namespace can be made here (unshare "
                         << unshare.join(' ').toStdString() << " is refused)";
        QProcess inside;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("Q7_IN_NAMESPACE", "1");
        inside.setProcessEnvironment(env);
        inside.setProcessChannelMode(QProcess::MergedChannels);
        inside.start("unshare",
                     unshare + QStringList{QCoreApplication::applicationFilePath(),
                                           "--gtest_filter=Route.ARouteThatGoesAndComesBackIsOneOutage"});
        ASSERT_TRUE(inside.waitForFinished(60000));
        EXPECT_EQ(inside.exitCode(), 0) << inside.readAll().toStdString();
        return;
    }
    const auto ip = [](const QString& args) { return QProcess::execute("ip", args.split(' ')) == 0; };
    ASSERT_TRUE(ip("link set lo up") && ip("addr add 192.0.2.1/32 dev lo"));
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress("192.0.2.1"), 0));
    const quint16 port = server.serverPort();
    Supervised s("socket://192.0.2.1:" + std::to_string(port));
    ASSERT_TRUE(s.supervisor.open().has_value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000));
    const QTcpSocket* accepted = server.nextPendingConnection();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !s.heard.said.empty(); }, 5000));
    // The route goes without a word to either end; nothing is sent.
    server.close();
    ASSERT_TRUE(ip("addr del 192.0.2.1/32 dev lo"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.heard.said.size() > 1; }, 40000)) << "keepalive";
    QTest::qWait(5000);
    EXPECT_EQ(s.heard.said,
              (std::vector<std::string>{"opened", "lost: the server stopped answering (the network "
                                                  "or the server is gone)"}));
    EXPECT_EQ(accepted->state(), QAbstractSocket::ConnectedState) << "the server's end never knew";
    EXPECT_TRUE(s.supervisor.isWatching());
    ASSERT_TRUE(ip("addr add 192.0.2.1/32 dev lo") && server.listen(QHostAddress("192.0.2.1"), port));
    EXPECT_TRUE(QTest::qWaitFor([&] { return s.heard.said.back() == "back"; }, 10000));
    EXPECT_EQ(s.heard.said.size(), 3u);
}

} // namespace
} // namespace q7::test
