// SPDX-License-Identifier: MIT
// Bad input over a real line: every byte value, bytes above 127 mixed into replies, megabytes of chatter, a
// hang-up in the middle of a reply. The panel keeps working and nothing grows without bound.

#include "display/trace.h"
#include "sim_fixture.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>

namespace q7 {
namespace {

using test::EndToEnd;

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

TEST_F(EndToEnd, GarbageInRepliesIsShownAndThePanelGoesOn) {
    start({"--garbage"});
    click("Command44");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rxd().find("? ") != std::string::npos; }, 5000)) << rxd();
    EXPECT_TRUE(status().empty() || status() == " Stand by") << "no text but a table's";
    QTest::qWait(600);
    click("Command99");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !status().empty(); }, 5000));
}

TEST_F(EndToEnd, MegabytesOfChatterStayBoundedAndTheButtonsStillWork) {
    start({"--chatter", "1000000", "--quiet"});
    // Past the first collection, so the memory measured is the steady state.
    QTest::qWait(1500);
    const long before = residentKilobytes();
    QTest::qWait(10000); // 10 MB of chatter
    EXPECT_EQ(form_->ReceiveBuffer.size(), Form1::kReceiveBufferLimit)
        << "nothing empties it while nothing is sent";
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer holds freed memory in quarantine: resident size says nothing
                             // there
    EXPECT_LT(residentKilobytes() - before, 4096) << "memory grows with the chatter";
#else
    (void)before;
#endif
    click("Command17");
    QTest::qWait(700); // the reply window ends and the collection starts afresh
    EXPECT_LE(form_->ReceiveBuffer.size(), Form1::kReceiveBufferLimit);
    EXPECT_TRUE(rxd().starts_with(traceText(form_->ReceiveBuffer.substr(0, 8))))
        << "the RXD line shows the new collection";
    click("Command18");
    EXPECT_EQ(window_->text(ControlId("Label11")), " C 0 1 CR ");
}

TEST_F(EndToEnd, AHangUpInTheMiddleOfAReplyLeavesThePanelWorking) {
    start({"--split", "--split-gap", "400"}, {"--speed", "600"});
    click("Command44");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rxd().size() > 1; }, 3000)) << "the first piece";
    sim_->hangUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port_->isOpen(); }, 5000));
    QMessageBox* box = warningBox(3000);
    ASSERT_NE(box, nullptr);
    box->close();
    for (int i = 0; i < 20; ++i)
        form_->click("Command44"); // no box per click, nothing breaks
    EXPECT_EQ(warningBox(200), nullptr);
    form_->click("Command33");
    click("Option2");
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << status();
}

// Every byte value from a device on a line of our own: each reaches the RXD line as the trace shows it.
TEST(EndToEndLine, EveryByteValueReachesTheRxdLine) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    const std::string device = ::ttyname(slave);
    QtSerialPort port(device, "/dev/null/none");
    QtWindow window(port);
    Form1 form(window);
    window.attach(form);
    connectPortEvents(port, form);
    form.load();
    ASSERT_TRUE(port.isOpen());
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    ASSERT_EQ(::write(master, all.data(), all.size()), 256);
    const std::string wanted = traceText(all);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.text(ControlId("Label12")) == wanted; }, 5000))
        << window.text(ControlId("Label12"));
    EXPECT_EQ(form.ReceiveBuffer, all);
    form.click("Command16");
    ::close(master);
    ::close(slave);
}

} // namespace
} // namespace q7
