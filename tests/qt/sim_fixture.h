// SPDX-License-Identifier: MIT
#pragma once
// The real window and serial port wired as the program wires them, against q7sim processes on
// pseudo-terminals.

#include "panel/form.h"
#include "qt/qt_serial_port.h"
#include "qt/qt_window.h"

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

namespace q7::test {

// One q7sim process on its own pseudo-terminal, logging every frame it receives.
class Simulator {
  public:
    Simulator(const QString& logPath, QStringList options) : log_(logPath) {
        options << "--log" << logPath;
        process_.start(QStringLiteral(Q7SIM_PATH), options);
        if (!process_.waitForStarted(5000)) return;
        QByteArray line;
        (void)QTest::qWaitFor(
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
        sim_ = std::make_unique<Simulator>(dir_.filePath("sim1.log"), options << "--speed"
                                                                              << "600");
        ASSERT_FALSE(sim_->device().empty()) << "q7sim did not start";
        if (!secondOptions.isEmpty()) {
            sim2_ = std::make_unique<Simulator>(dir_.filePath("sim2.log"), secondOptions);
            ASSERT_FALSE(sim2_->device().empty());
        }
        port_ = std::make_unique<QtSerialPort>(sim_->device(), sim2_ ? sim2_->device() : "/dev/null/none");
        window_ = std::make_unique<QtWindow>(*port_);
        form_ = std::make_unique<Form1>(*window_);
        window_->attach(*form_);
        connectPortEvents(*port_, *form_);
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
    void click(const char* name) {
        QTest::mouseClick(handle(), Qt::LeftButton, Qt::NoModifier, middleOf(name));
    }
    std::string status() const { return window_->text(ControlId("Label22")); }
    std::string rxd() const { return window_->text(ControlId("Label12")); }

    // The warning box on screen, if one comes within ms.
    QMessageBox* warningBox(int ms) {
        QMessageBox* box = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
                return box != nullptr;
            },
            ms);
        return box;
    }

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

} // namespace q7::test
