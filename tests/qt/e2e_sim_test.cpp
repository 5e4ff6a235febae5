// SPDX-License-Identifier: MIT
// End to end: the real window, the real serial port and a simulated projector chain (q7sim) on pseudo-terminals.
// Time bounds are generous; what is measured comes from the simulator's log of the wire.

#include "link/qt_serial_port.h"
#include "panel/form.h"
#include "panel/qt_window.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace q7 {
namespace {

// One q7sim process on its own pseudo-terminal, logging every frame it receives.
class Simulator {
public:
    Simulator(const QString& logPath, QStringList options) : log_(logPath) {
        options << "--log" << logPath;
        process_.start(QStringLiteral(Q7SIM_PATH), options);
        if (!process_.waitForStarted(5000)) return;
        QByteArray line;
        QTest::qWaitFor(
            [&] {
                process_.waitForReadyRead(50);
                line += process_.readAllStandardOutput();
                return line.contains('\n');
            },
            5000);
        device_ = QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed().toStdString();
    }
    ~Simulator() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(3000)) process_.kill();
        }
    }
    const std::string& device() const { return device_; }
    void hangUp() { ::kill(static_cast<pid_t>(process_.processId()), SIGUSR1); }
    bool exited(int ms) { return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms); }

    struct Frame {
        long ms;
        QString frame;
        QString to;
    };
    std::vector<Frame> frames() const {
        std::vector<Frame> out;
        QFile f(log_);
        if (!f.open(QIODevice::ReadOnly)) return out;
        static const QRegularExpression line(R"re(^(\d+) RX "([^"]*)" to (\S*))re");
        for (const QByteArray& raw : f.readAll().split('\n')) {
            const auto m = line.match(QString::fromLatin1(raw));
            if (m.hasMatch()) out.push_back({m.captured(1).toLong(), m.captured(2), m.captured(3)});
        }
        return out;
    }

private:
    QString log_;
    QProcess process_;
    std::string device_;
};

class EndToEnd : public ::testing::Test {
protected:
    void start(QStringList options = {}, QStringList secondOptions = {}) {
        sim_ = std::make_unique<Simulator>(dir_.filePath("sim1.log"), options << "--speed" << "600");
        ASSERT_FALSE(sim_->device().empty()) << "q7sim did not start";
        if (!secondOptions.isEmpty()) {
            sim2_ = std::make_unique<Simulator>(dir_.filePath("sim2.log"), secondOptions);
            ASSERT_FALSE(sim2_->device().empty());
        }
        port_ = std::make_unique<QtSerialPort>(sim_->device(), sim2_ ? sim2_->device() : "/dev/null/none");
        window_ = std::make_unique<QtWindow>(*port_);
        form_ = std::make_unique<Form1>(*window_);
        window_->attach(*form_);
        port_->setReceiveHandler([this](int code) { form_->comm(code); });
        port_->setLostHandler([this] { form_->portLost(); });
        form_->load();
        form_->keyDown(0x4A, 2);
        form_->dblClick("Image1");
        window_->window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_->window()));
        ASSERT_TRUE(port_->isOpen());
    }

    QWindow* handle() const { return window_->window()->windowHandle(); }
    QPoint middleOf(const char* name) const {
        QWidget* w = window_->control(name);
        EXPECT_NE(w, nullptr) << name;
        return w ? w->mapTo(window_->window(), w->rect().center()) : QPoint();
    }
    void click(const char* name) { QTest::mouseClick(handle(), Qt::LeftButton, Qt::NoModifier, middleOf(name)); }
    std::string status() const { return window_->text("Label22"); }

    // Queries until the STATUS line shows the wanted text, as an operator would. Each try outlasts the reply
    // window, so the next reply is collected on its own rather than behind the previous ones.
    bool queryUntil(const char* query, const std::string& wanted, int ms = 15000) {
        return QTest::qWaitFor(
            [&] {
                click(query);
                return QTest::qWaitFor([&] { return status() == wanted; }, 800);
            },
            ms);
    }

    QTemporaryDir dir_;
    std::unique_ptr<Simulator> sim_;
    std::unique_ptr<Simulator> sim2_;
    std::unique_ptr<QtSerialPort> port_;
    std::unique_ptr<QtWindow> window_;
    std::unique_ptr<Form1> form_;
};

TEST_F(EndToEnd, PowerOnAndOffShowOnTheStatusLine) {
    start();
    click("Command17");
    EXPECT_TRUE(queryUntil("Command44", " Power ON")) << status();
    click("Command18");
    EXPECT_TRUE(queryUntil("Command44", " Stand by")) << status();
}

TEST_F(EndToEnd, ModeFollowsTheInputButtons) {
    start();
    for (const auto& [button, text] : {std::pair{"Command28", " Input mode 2"}, std::pair{"Command29", " Input mode 3"},
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
    EXPECT_EQ(window_->text("Label11"), " C R   P R E S S U R E CR ");
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
    QMessageBox* box = nullptr;
    QTest::qWaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
            return box != nullptr;
        },
        3000);
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
