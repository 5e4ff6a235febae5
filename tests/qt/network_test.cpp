// SPDX-License-Identifier: MIT
// Projectors behind serial device servers: the real window and port against q7sim over raw TCP, and through a
// private ser2net in raw and in RFC 2217 mode in front of q7sim on a pseudo-terminal. Only 127.0.0.1.
#include "sim_fixture.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace q7::test {
namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// ser2net with a configuration of its own, serving one device in one mode on a free port of 127.0.0.1.
class Ser2net {
  public:
    Ser2net(const QTemporaryDir& dir, const std::string& device, bool rfc2217, const char* lineAtStart)
        : port_(freePort()) {
        QFile config(dir.filePath("ser2net.yaml"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("connection: &panel\n"
                                    "  accepter: %1tcp,127.0.0.1,%2\n"
                                    "  connector: serialdev,%3,%4,local\n")
                         .arg(rfc2217 ? "telnet(rfc2217)," : "")
                         .arg(port_)
                         .arg(QString::fromStdString(device), lineAtStart)
                         .toUtf8());
        config.close();
        process_.start("ser2net", {"-n", "-u", "-P", dir.filePath("ser2net.pid"), "-c", config.fileName()});
        process_.waitForStarted(5000);
        // Listening once a connection is taken.
        (void)QTest::qWaitFor(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port_);
                return probe.waitForConnected(100);
            },
            5000);
        QTest::qWait(200); // the probe's connection is let go before the panel's comes
    }
    ~Ser2net() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    std::string url(const char* scheme) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
    }

  private:
    quint16 port_;
    QProcess process_;
};

speed_t lineSpeed(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ::tcgetattr(fd, &t);
    ::close(fd);
    return ::cfgetospeed(&t);
}

class Network : public EndToEnd {
  protected:
    bool serverAvailable() { return QProcess::execute("ser2net", {"-v"}) == 0; }
    // The panel on a network port: q7sim itself over raw TCP, or ser2net in front of q7sim.
    void startOn(const char* scheme) {
        if (std::string(scheme) == "q7sim") {
            start({"--tcp", "0"});
        } else {
            auto sim = std::make_unique<Simulator>(dir_.filePath("pty.log"), QStringList{"--speed", "600"});
            ASSERT_FALSE(sim->device().empty());
            server_ =
                std::make_unique<Ser2net>(dir_, sim->device(), std::string(scheme) == "rfc2217", "38400n81");
            pty_ = sim->device();
            sim_ = std::move(sim);
            startWith(server_->url(scheme));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !port_->isConnecting(); }, 8000));
        ASSERT_TRUE(port_->isOpen()) << (warningBox(0) ? warningBox(0)->text().toStdString() : "");
    }
    void startWith(const std::string& url) {
        port_ = std::make_unique<QtSerialPort>(url, "/dev/null/none");
        window_ = std::make_unique<QtWindow>(*port_);
        form_ = std::make_unique<Form1>(*window_);
        window_->attach(*form_);
        connectPortEvents(*port_, *form_);
        form_->load();
        form_->keyDown(0x4A, 2);
        form_->dblClick("Image1");
        window_->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_->window()));
    }
    std::unique_ptr<Ser2net> server_;
    std::string pty_;
};

// Every command and reply as on a cable, and a held zoom that stops at the release.
TEST_F(Network, EveryKindOfServerCarriesFramesAndReplies) {
    for (const char* scheme : {"q7sim", "socket", "rfc2217"}) {
        SCOPED_TRACE(scheme);
        if (std::string(scheme) != "q7sim" && !serverAvailable()) GTEST_SKIP() << "no ser2net";
        startOn(scheme);
        if (HasFatalFailure()) return;
        EXPECT_TRUE(queryUntil("Command44", " Stand by")) << status();
        click("Command10");
        // Behind what is left of the status reply, when it came within the same reply window.
        EXPECT_TRUE(QTest::qWaitFor([&] { return rxd().ends_with("ACK CR "); }, 5000)) << rxd();
        const QPoint zoom = middleOf("Command15");
        QTest::mousePress(handle(), Qt::LeftButton, Qt::NoModifier, zoom);
        QTest::qWait(500);
        QTest::mouseRelease(handle(), Qt::LeftButton, Qt::NoModifier, zoom);
        QTest::qWait(300);
        const auto atRelease = sim_->frames();
        QTest::qWait(300);
        EXPECT_EQ(sim_->frames().size(), atRelease.size()) << "frames went on after the release";
        EXPECT_GE(
            std::count_if(atRelease.begin(), atRelease.end(), [](const auto& f) { return f.frame == "C47"; }),
            5);
        form_.reset();
        window_.reset();
        port_.reset();
        server_.reset();
        sim_.reset();
    }
}

// Over RFC 2217 the far line runs at the speed the panel shows: set when the port opens (ser2net starts the
// device at 38400) and at each speed change.
TEST_F(Network, SpeedReachesTheFarLineOverRfc2217) {
    if (!serverAvailable()) GTEST_SKIP() << "no ser2net";
    startOn("rfc2217");
    if (HasFatalFailure()) return;
    EXPECT_EQ(lineSpeed(pty_), B19200);
    for (const auto& [option, speed] :
         {std::pair<const char*, speed_t>{"Option10", B9600}, {"Option9", B19200}}) {
        form_->click("Command33");
        click(option);
        EXPECT_TRUE(QTest::qWaitFor([&] { return lineSpeed(pty_) == speed; }, 5000)) << option;
    }
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << status();
    EXPECT_EQ(warningBox(0), nullptr);
}

// A server that cannot be used is told in the box, naming host and port, without freezing the window.
TEST_F(Network, AServerThatCannotBeUsedIsToldInTheBox) {
    QTcpServer silent; // takes the connection and never negotiates
    silent.listen(QHostAddress::LocalHost, 0);
    QTcpServer refusing; // answers the serial port control option with DONT
    refusing.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&refusing, &QTcpServer::newConnection,
                     [&] { refusing.nextPendingConnection()->write(QByteArray::fromHex("fffe2c")); });
    const std::string closedPort = "socket://127.0.0.1:" + std::to_string(freePort());
    const std::string silentUrl = "rfc2217://127.0.0.1:" + std::to_string(silent.serverPort());
    const std::string refusingUrl = "rfc2217://127.0.0.1:" + std::to_string(refusing.serverPort());
    const std::pair<std::string, std::string> cases[] = {
        {closedPort,
         "Cannot open " + closedPort +
             ": the server refused the connection (is the port number right, is the server running?)."},
        {"rfc2217://no-such-host.invalid:2217",
         "Cannot open rfc2217://no-such-host.invalid:2217: the host name no-such-host.invalid is not known."},
        {refusingUrl,
         "Cannot open " + refusingUrl + ": the server does not offer serial port control (RFC 2217)."},
        {silentUrl, "Cannot open " + silentUrl + ": the server did not answer within 5 seconds."},
    };
    for (const auto& [url, text] : cases) {
        SCOPED_TRACE(url);
        startWith(url);
        QMessageBox* box = warningBox(8000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), text);
        EXPECT_FALSE(port_->isOpen());
        box->close();
        form_.reset();
        window_.reset();
        port_.reset();
    }
}

// A dropped connection is a device that went away: one box, and the panel carries on.
TEST_F(Network, ADroppedConnectionIsReportedOnce) {
    startOn("q7sim");
    if (HasFatalFailure()) return;
    sim_->hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port_->isOpen(); }, 5000));
    QMessageBox* box = warningBox(3000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QString::fromStdString(sim_->device())));
    box->close();
    QTest::qWait(300);
    EXPECT_EQ(warningBox(0), nullptr) << "reported once";
    click("Command17");
}

// A device that comes back is opened again without a click: here a link to a pseudo-terminal, pointed at a
// new one after the first hung up. The loss box closes by itself.
TEST_F(Network, ADeviceThatComesBackIsOpenedAgainWithoutAClick) {
    auto first = std::make_unique<Simulator>(dir_.filePath("first.log"), QStringList{});
    const std::string link = dir_.filePath("projector").toStdString();
    ASSERT_EQ(::symlink(first->device().c_str(), link.c_str()), 0);
    startWith(link);
    ASSERT_TRUE(port_->isOpen());
    first->hangUp();
    ASSERT_TRUE(first->exited(5000));
    QPointer<QMessageBox> box = warningBox(5000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("opens it again by itself"));
    Simulator second(dir_.filePath("second.log"), QStringList{});
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(second.device().c_str(), link.c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return port_->isOpen() && box.isNull(); }, 8000))
        << "reopened, box closed";
    click("Command17");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !second.frames().empty(); }, 5000));
    EXPECT_EQ(second.frames().empty() ? "" : second.frames().back().frame, "C00");
}

// A server that goes away and comes back on the same port is connected again.
TEST_F(Network, AServerThatComesBackIsConnectedAgain) {
    const std::string port = std::to_string(freePort());
    auto first = std::make_unique<Simulator>(dir_.filePath("first.log"), QStringList{"--tcp", port.c_str()});
    startWith(first->device());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port_->isConnecting(); }, 5000));
    first->hangUp();
    ASSERT_TRUE(first->exited(5000));
    QPointer<QMessageBox> box = warningBox(5000);
    ASSERT_NE(box, nullptr);
    QTest::qWait(1500); // a try or two find nobody there, quietly
    EXPECT_EQ(warningBox(0), box.data()) << "no box for a try that fails";
    Simulator second(dir_.filePath("second.log"), QStringList{"--tcp", port.c_str()});
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return port_->isOpen() && !port_->isConnecting() && box.isNull(); }, 10000));
    click("Command17");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !second.frames().empty(); }, 5000));
}

} // namespace
} // namespace q7::test
