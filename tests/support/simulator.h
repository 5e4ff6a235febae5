// SPDX-License-Identifier: MIT
#pragma once
// q7sim for the Qt tests: started with the options given, its device (or socket:// URL) read from its first
// line, and the frames it received read back from its log. Header-only, as the Qt tests alone use it.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <string>

namespace q7::test {

struct Simulator {
    explicit Simulator(QStringList options) {
        process.start(QStringLiteral(Q7SIM_PATH), options + QStringList{"--log", dir.filePath("log")});
        QByteArray line;
        (void)QTest::qWaitFor([&] { return (line += process.readAllStandardOutput()).contains('\n'); }, 5000);
        port = QString::fromUtf8(line.left(line.indexOf('\n')));
        device = port.toStdString();
    }
    ~Simulator() {
        process.terminate();
        process.waitForFinished(3000);
    }
    // Each frame received, without its CR, as the log quotes it.
    QStringList frames() const {
        QFile log(dir.filePath("log"));
        QStringList out;
        for (const QString& line :
             QString::fromLatin1(log.open(QIODevice::ReadOnly) ? log.readAll() : "").split('\n'))
            if (line.contains(" RX ")) out << line.section('"', 1, 1);
        return out;
    }
    // The frames that are no status queries.
    QStringList commands() const {
        QStringList out;
        for (const QString& frame : frames())
            if (!frame.contains("CR")) out << frame;
        return out;
    }
    void signal(int signo) const { ::kill(static_cast<pid_t>(process.processId()), signo); }

    QTemporaryDir dir;
    QProcess process;
    QString port;       // the device or URL
    std::string device; // the same
};

} // namespace q7::test
