// SPDX-License-Identifier: MIT
#pragma once
// A private mosquitto for the Qt tests, never the system's service: a configuration of its own on a free port
// of 127.0.0.1, anonymous, nothing kept between runs. Header-only, as the only support that needs Qt.

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace q7::test {

class Broker {
  public:
    static constexpr const char* kProgram = "/usr/sbin/mosquitto";

    // listenerOptions, written right after the listener's line, are its own: a TLS listener's files, say.
    explicit Broker(const QString& listenerOptions = {}) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        port_ = probe.serverPort();
        probe.close();
        QFile config(dir_.filePath("mosquitto.conf"));
        config.open(QIODevice::WriteOnly);
        // As root, mosquitto would otherwise change to a user of its own.
        config.write(
            QString("listener %1 127.0.0.1\n%3allow_anonymous true\npersistence false\nlog_type error\n%2")
                .arg(port_)
                .arg(::geteuid() == 0 ? "user root\n" : "", listenerOptions)
                .toUtf8());
        config.close();
        start();
    }
    ~Broker() { stop(); }

    static bool installed() { return QFile::exists(kProgram); }
    quint16 port() const { return port_; }
    bool running() const { return running_; }
    // On the same port, so that clients find it again; it holds nothing from before.
    void restart() {
        stop();
        start();
    }
    void stop() {
        process_.kill();
        process_.waitForFinished(3000);
        running_ = false;
    }

  private:
    void start() {
        if (!installed()) return;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Not left listening by a test that crashed.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start(kProgram, {"-c", dir_.filePath("mosquitto.conf")});
        running_ = QTest::qWaitFor(
            [&] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, port_);
                return probe.waitForConnected(100);
            },
            5000);
    }

    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    bool running_ = false;
};

} // namespace q7::test
