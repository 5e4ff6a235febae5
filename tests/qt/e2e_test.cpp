// SPDX-License-Identifier: MIT
// End to end: the real window and serial port wired as the program wires them, against q7sim on
// pseudo-terminals and against bad input. Real time: every bound is generous; what is measured comes from the
// simulator's log of the wire.

#include "panel/form.h"
#include "pseudo_terminal.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_window.h"

#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace q7::test {
namespace {

// One q7sim on its own pseudo-terminal, logging every frame it receives.
struct Simulator {
    Simulator(const QString& log, QStringList options) : log(log) {
        process.start(QStringLiteral(Q7SIM_PATH), options + QStringList{"--speed", "600", "--log", log});
        QByteArray line;
        (void)QTest::qWaitFor([&] { return (line += process.readAllStandardOutput()).contains('\n'); }, 5000);
        device = line.left(line.indexOf('\n')).toStdString();
    }
    ~Simulator() {
        process.terminate();
        process.waitForFinished(3000);
    }
    // Each frame received: milliseconds, the frame, the projectors it reached.
    std::vector<QStringList> frames() const {
        QFile f(log);
        std::vector<QStringList> out;
        for (const QByteArray& line :
             f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QByteArrayList())
            if (line.contains(" RX "))
                out.push_back(QString::fromLatin1(line).remove('"').split(' ').mid(0, 5));
        return out;
    }
    QString log;
    QProcess process;
    std::string device;
};

class EndToEnd : public ::testing::Test {
  protected:
    void start(QStringList options) {
        sim = std::make_unique<Simulator>(dir.filePath("1"), options);
        sim2 = std::make_unique<Simulator>(dir.filePath("2"), QStringList());
        port = std::make_unique<QtSerialPort>(sim->device, sim2->device);
        window = std::make_unique<QtWindow>(*port);
        form = std::make_unique<Form1>(*window);
        window->attach(*form);
        connectPortEvents(*port, *form);
        form->load();
        window->setWindowHeight(9100);
        window->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->window()) && port->isOpen());
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
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<QtWindow> window;
    std::unique_ptr<Form1> form;
};

TEST_F(EndToEnd, AnOperatorRunsAChainOfProjectors) {
    start({"--ids", "001,002,003,004"});
    click("Option4");
    click("Command17");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sim->frames().empty(); }, 5000));
    EXPECT_EQ(sim->frames().back().mid(2), (QStringList{"AFFFC00", "to", "001,002,003,004"}));
    click("Option7");
    EXPECT_TRUE(queryUntil("Command44", " Power ON")) << line(Label22);
    QTest::qWait(600); // a reply within the window would stand before the pressure on the RXD line
    click("Command99");
    EXPECT_TRUE(QTest::qWaitFor([&] { return line(Label22) == "1013 hPa"; }, 5000)) << line(Label22);
    EXPECT_EQ(line(Label11), " A 0 0 3 C R   P R E S S U R E CR ");

    // Held for a second, Zoom "+" repeats every 50 ms and stops at the release.
    QWidget* zoom = window->control("Command15");
    const QPoint at = zoom->mapTo(window->window(), zoom->rect().center());
    QTest::mousePress(window->window()->windowHandle(), Qt::LeftButton, {}, at);
    QTest::qWait(1000);
    QTest::mouseRelease(window->window()->windowHandle(), Qt::LeftButton, {}, at);
    QTest::qWait(100);
    const std::size_t atRelease = sim->frames().size();
    QTest::qWait(500);
    std::vector<long> sent;
    for (const QStringList& f : sim->frames())
        if (f[2] == "A003C47") sent.push_back(f[0].toLong());
    EXPECT_EQ(sim->frames().size(), atRelease) << "frames after the release";
    // Not held back, never faster than its period.
    ASSERT_GE(sent.size(), 10u);
    EXPECT_GE(double(sent.back() - sent.front()) / double(sent.size() - 1), 49.0);
}

// The port lost in the middle of a reply mixed with garbage: one warning, clicks go on harmlessly, COM2
// carries on.
TEST_F(EndToEnd, AHangUpInTheMiddleOfAReplyLeavesThePanelWorking) {
    start({"--split", "--split-gap", "400", "--garbage"});
    click("Command44");
    ASSERT_TRUE(QTest::qWaitFor([&] { return line(Label12).size() > 1; }, 3000)) << "the first piece";
    ::kill(static_cast<pid_t>(sim->process.processId()), SIGUSR1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port->isOpen(); }, 5000));
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = window->window()->findChild<QMessageBox*>()); }, 3000));
    EXPECT_TRUE(box->text().contains(QString::fromStdString(sim->device)));
    delete box;
    for (int i = 0; i < 20; ++i)
        form->click("Command44");
    QTest::qWait(200);
    EXPECT_EQ(window->window()->findChild<QMessageBox*>(), nullptr) << "no box per click";
    form->click("Command33");
    click("Option2");
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << line(Label22);
}

TEST_F(EndToEnd, MegabytesOfChatterStayBoundedAndTheButtonsStillWork) {
    start({"--chatter", "1000000", "--quiet"});
    const auto residentKilobytes = [] {
        std::ifstream status("/proc/self/status");
        std::string entry;
        while (std::getline(status, entry) && entry.rfind("VmRSS:", 0) != 0) {
        }
        return entry.empty() ? 0L : std::stol(entry.substr(6));
    };
    QTest::qWait(1500); // past the first collection: the memory measured is the steady state
    const long before = residentKilobytes();
    QTest::qWait(8000);
    EXPECT_EQ(form->ReceiveBuffer.size(), 32767u) << "nothing empties it while nothing is sent";
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer's quarantine keeps freed memory resident
    EXPECT_LT(residentKilobytes() - before, 4096) << "memory grows with the chatter";
#endif
    const std::string first = form->ReceiveBuffer.substr(0, 100);
    click("Command18");
    EXPECT_EQ(line(Label11), " C 0 1 CR ");
    QTest::qWait(700);
    EXPECT_NE(form->ReceiveBuffer.substr(0, 100), first) << "a new collection after the reply window";
    (void)before;
}

// Every byte value from a device on a line of the test's own reaches ReceiveBuffer as it came.
TEST(EndToEndLine, EveryByteValueReachesTheRxdLine) {
    Pty pty;
    QtSerialPort port(pty.path(), "/dev/null/none");
    QtWindow window(port);
    Form1 form(window);
    window.attach(form);
    connectPortEvents(port, form);
    form.load();
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    ASSERT_TRUE(pty.send(all));
    // ACK 4, code 20 1, CR and LF 3, the other 252 codes 2 each, and the leading blank.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window.text(Label12).size() == 1 + 4 + 1 + 3 + 3 + 252 * 2; }, 5000));
    EXPECT_EQ(form.ReceiveBuffer, all);
    EXPECT_EQ(window.text(Label12).substr(0, 28), " ? ? ? ? ? ? ACK ? ? ? LF ? ");
}

} // namespace
} // namespace q7::test
