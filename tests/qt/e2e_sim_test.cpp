// SPDX-License-Identifier: MIT
// End to end: the real window, the real serial port and a simulated projector chain (q7sim) on
// pseudo-terminals. Time bounds are generous; what is measured comes from the simulator's log of the wire.

#include "sim_fixture.h"

namespace q7 {
namespace {

using test::EndToEnd;

TEST_F(EndToEnd, PowerOnAndOffShowOnTheStatusLine) {
    start();
    click("Command17");
    EXPECT_TRUE(queryUntil("Command44", " Power ON")) << status();
    click("Command18");
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << status();
}

TEST_F(EndToEnd, ModeFollowsTheInputButtons) {
    start();
    for (const auto& [button, text] :
         {std::pair{"Command28", " Input mode 2"}, std::pair{"Command29", " Input mode 3"},
          std::pair{"Command27", " Input mode 1"}}) {
        click(button);
        EXPECT_TRUE(queryUntil("Command45", text)) << button << ": " << status();
    }
}

TEST_F(EndToEnd, PressureShowsAValueInHectopascal) {
    start();
    click("Command99");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QString::fromStdString(status()).endsWith(" hPa"); }, 5000));
    EXPECT_EQ(status(), "1013 hPa");
    EXPECT_EQ(window_->text(ControlId("Label11")), " C R   P R E S S U R E CR ");
}

TEST_F(EndToEnd, AHeldZoomRepeatsEveryFiftyMillisecondsAndStopsAtTheRelease) {
    start();
    const QPoint zoom = middleOf("Command15");
    QTest::mousePress(handle(), Qt::LeftButton, Qt::NoModifier, zoom);
    QTest::qWait(1000);
    QTest::mouseRelease(handle(), Qt::LeftButton, Qt::NoModifier, zoom);
    QTest::qWait(100);
    const std::size_t atRelease = sim_->frames().size();
    QTest::qWait(500);
    const auto frames = sim_->frames();
    EXPECT_EQ(frames.size(), atRelease) << "frames went on after the release";
    std::vector<long> times;
    for (const auto& f : frames)
        if (f.frame == "C47") times.push_back(f.ms);
    ASSERT_GE(times.size(), 15u);
    ASSERT_LE(times.size(), 23u);
    const double mean = double(times.back() - times.front()) / double(times.size() - 1);
    EXPECT_NEAR(mean, 50.0, 5.0);
}

TEST_F(EndToEnd, AllReachesEveryProjectorOfTheChain) {
    start({"--ids", "001,002,003,004"});
    click("Option4");
    click("Command17");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sim_->frames().empty(); }, 5000));
    const auto frames = sim_->frames();
    EXPECT_EQ(frames.back().frame, "AFFFC00");
    EXPECT_EQ(frames.back().to, "001,002,003,004");
    click("Option7");
    EXPECT_TRUE(queryUntil("Command44", " Power ON")) << "projector 003 was switched on by ALL: " << status();
    EXPECT_EQ(sim_->frames().back().frame, "A003CR0");
    EXPECT_EQ(sim_->frames().back().to, "003");
}

TEST_F(EndToEnd, AHangUpLeavesThePanelWorkingAndAbleToSwitchPorts) {
    start({}, {"--speed", "600"});
    sim_->hangUp();
    ASSERT_TRUE(sim_->exited(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port_->isOpen(); }, 5000));
    QMessageBox* box = warningBox(3000);
    ASSERT_NE(box, nullptr) << "the loss is reported";
    EXPECT_TRUE(box->text().contains(QString::fromStdString(sim_->device())));
    box->close();
    form_->click("Command17"); // nothing to write to: no crash, no box per click
    form_->click("Command33");
    click("Option2");
    ASSERT_TRUE(port_->isOpen());
    click("Command44");
    EXPECT_TRUE(QTest::qWaitFor([&] { return status() == " Stand by"; }, 5000)) << status();
    ASSERT_FALSE(sim2_->frames().empty());
    EXPECT_EQ(sim2_->frames().back().frame, "CR0");
}

} // namespace
} // namespace q7
