// SPDX-License-Identifier: MIT
// End to end: the real window and serial port wired as the program wires them, against q7sim on
// pseudo-terminals and behind serial device servers. Real time: every bound is generous; what is measured
// comes from the simulator's log of the wire.

#include "panel/form.h"
#include "pseudo_terminal.h"
#include "qt/core/qt_line.h"
#include "qt/widgets/qt_window.h"
#include "simulator.h"

#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <termios.h>

namespace q7::test {
namespace {

class EndToEnd : public ::testing::Test {
  protected:
    // The program's wiring on port 1 as named, q7sim on port 2; a network port has connected on return.
    void open(const std::string& device) {
        sim2 = std::make_unique<Simulator>(QStringList());
        port = std::make_unique<QtLine>();
        window = std::make_unique<QtWindow>(*port, std::array{device, sim2->device});
        form = std::make_unique<Form1>(*window);
        window->attach(*form);
        form->load();
        window->setWindowHeight(9100);
        window->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->window()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !port->isConnecting(); }, 8000));
    }
    QMessageBox* box(int ms) {
        QMessageBox* found = nullptr;
        (void)QTest::qWaitFor([&] { return (found = window->window()->findChild<QMessageBox*>()); }, ms);
        return found;
    }
    void click(const char* name) {
        QWidget* w = window->control(name);
        QTest::mouseClick(window->window()->windowHandle(), Qt::LeftButton, {},
                          w->mapTo(window->window(), w->rect().center()));
    }
    std::string line(ControlId id) const { return window->text(id); }
    // Queries as an operator would until the STATUS line shows the text, each try outlasting the reply
    // window.
    bool queryUntil(const char* query, const std::string& wanted) {
        return QTest::qWaitFor(
            [&] { return click(query), QTest::qWaitFor([&] { return line(Label22) == wanted; }, 800); },
            15000);
    }

    QTemporaryDir dir;
    std::unique_ptr<Simulator> sim, sim2;
    std::unique_ptr<QtLine> port;
    std::unique_ptr<QtWindow> window;
    std::unique_ptr<Form1> form;
};

// A private ser2net in RFC 2217 mode with a configuration of its own: one device, a free port of 127.0.0.1,
// the device's line left at 38400 so that only the panel can have set 19200.
struct Ser2net {
    Ser2net(const QTemporaryDir& dir, const std::string& device) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        const QString config = dir.filePath("ser2net.yaml");
        std::ofstream(config.toStdString())
            << "connection: &panel\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << port
            << "\n  connector: serialdev," << device << ",38400n81,local\n";
        process.start("ser2net", {"-n", "-u", "-P", dir.filePath("pid"), "-c", config});
        (void)QTest::qWaitFor(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port);
                return probe.waitForConnected(100);
            },
            5000);
        QTest::qWait(300); // ser2net lets the probe's connection go before the panel's comes
    }
    ~Ser2net() {
        process.terminate();
        process.waitForFinished(3000);
    }
    quint16 port;
    QProcess process;
};

speed_t lineSpeed(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ::tcgetattr(fd, &t);
    ::close(fd);
    return ::cfgetospeed(&t);
}

// A projector behind a serial device server, q7sim on a pseudo-terminal behind ser2net: a query and its
// reply as on a cable, and the far line at the speed the panel shows, set when the port opens and at each
// choice. (Raw TCP lines are proven by q7ctl and the bridge against q7sim's own server.)
TEST_F(EndToEnd, BehindSer2netTheFarLineRunsAtTheSpeedThePanelShows) {
    if (QProcess::execute("ser2net", {"-v"}) != 0) GTEST_SKIP() << "ser2net is not installed";
    sim = std::make_unique<Simulator>(QStringList());
    const Ser2net server(dir, sim->device);
    open("rfc2217://127.0.0.1:" + std::to_string(server.port));
    ASSERT_TRUE(port->isOpen()) << (box(0) ? box(0)->text().toStdString() : "");
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << line(Label22);
    EXPECT_EQ(lineSpeed(sim->device), B19200) << "set when the port opened";
    for (const auto& [option, speed] :
         {std::pair<const char*, speed_t>{"Option10", B9600}, {"Option9", B19200}}) {
        form->click("Command33");
        click(option);
        EXPECT_TRUE(QTest::qWaitFor([&] { return lineSpeed(sim->device) == speed; }, 5000)) << option;
    }
    EXPECT_EQ(box(0), nullptr);
    form.reset();
    window.reset();
    port.reset();
}

// A device that goes away and comes back is opened again without a click, and the loss box closes by itself:
// a link to a pseudo-terminal pointed at a new one after the first hung up. No box for the tries that fail
// meanwhile.
TEST_F(EndToEnd, ADeviceThatGoesAwayAndComesBackIsOpenedAgainWithoutAClick) {
    const std::string link = dir.filePath("projector").toStdString();
    sim = std::make_unique<Simulator>(QStringList());
    ::symlink(sim->device.c_str(), link.c_str());
    open(link);
    sim->signal(SIGUSR1);
    QPointer<QMessageBox> lost = box(5000);
    ASSERT_NE(lost, nullptr);
    // Gone at once: the pseudo-terminal's number may go to the next one opened anywhere.
    ::unlink(link.c_str());
    EXPECT_TRUE(lost->text().contains("opens it again by itself"));
    QTest::qWait(1500);
    EXPECT_EQ(window->window()->findChildren<QMessageBox*>().size(), 1);
    sim = std::make_unique<Simulator>(QStringList());
    ::symlink(sim->device.c_str(), link.c_str());
    EXPECT_TRUE(QTest::qWaitFor([&] { return port->isOpen() && lost.isNull(); }, 10000));
    click("Command17");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sim->frames().empty(); }, 5000));
}

} // namespace
} // namespace q7::test
