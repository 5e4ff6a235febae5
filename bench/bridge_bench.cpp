// SPDX-License-Identifier: MIT
// The bridge at scale: one q7-bridge serving N lines (raw TCP servers in this process that answer like a
// projector) through a mosquitto of its own. Measures, for 1 and for 100 lines: command published to frame at
// the line (one clock: this process publishes and receives), median and p99; the bridge's CPU over a quiet
// minute; its resident memory per line. Then the same latency for 1 line behind a copy of Debian's stock
// /etc/mosquitto/mosquitto.conf, as a venue installs it, without and with set_tcp_nodelay: mosquitto leaves
// Nagle's algorithm on for its clients' sockets by default. Prints Markdown table rows: what, measured,
// target, met.

#include "qt/bridge/mqtt_client.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

// A projector behind a serial device server: every frame is answered; a command's arrival is timed.
struct FakeLine : QObject {
    explicit FakeLine(QElapsedTimer& clock) : clock(clock) {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                for (const QByteArray& frame : s->readAll().split('\r')) {
                    if (frame.isEmpty()) continue;
                    if (frame.startsWith("C0")) arrived = this->clock.nsecsElapsed();
                    s->write(frame.startsWith("CR") ? "00\r" : "\x06\r");
                }
            });
        });
    }
    QElapsedTimer& clock;
    QTcpServer server;
    qint64 arrived = -1;
};

long procField(qint64 pid, const char* file, const char* key) {
    QFile f(QString("/proc/%1/%2").arg(pid).arg(file));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ')[0].toLong();
    return 0;
}

double cpuSeconds(qint64 pid) {
    QFile f(QString("/proc/%1/stat").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = f.readAll().split(')').last().split(' ');
    return (fields[12].toDouble() + fields[13].toDouble()) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

struct Figures {
    double median, p99, cpuPercent;
    long rssKb;
};

// Debian's, as the package installs it.
constexpr const char* kStockConfig = "/etc/mosquitto/mosquitto.conf";

enum class BrokerConfig { Minimal, Stock, StockNodelay };

// The configuration with its files in dir and a listener of its own: the system's broker is left alone.
QByteArray brokerConfig(BrokerConfig kind, const QTemporaryDir& dir, quint16 port) {
    QByteArray text = "persistence false\n";
    if (kind != BrokerConfig::Minimal) {
        QFile stock(kStockConfig);
        stock.open(QIODevice::ReadOnly);
        text.clear();
        QDir(dir.path()).mkdir("conf.d");
        const std::pair<const char*, QString> privatePaths[] = {
            {"pid_file ", dir.filePath("mosquitto.pid")},
            {"persistence_location ", dir.path() + "/"},
            {"log_dest file ", dir.filePath("mosquitto.log")},
            {"include_dir ", dir.filePath("conf.d")}};
        for (QByteArray line : stock.readAll().split('\n')) {
            for (const auto& [key, path] : privatePaths)
                if (line.startsWith(key)) line = key + path.toUtf8();
            text += line + "\n";
        }
        if (kind == BrokerConfig::StockNodelay) text += "set_tcp_nodelay true\n";
    }
    // As root, mosquitto would otherwise change to a user of its own.
    return text + QString("listener %1 127.0.0.1\nallow_anonymous true\n%2")
                      .arg(port)
                      .arg(::geteuid() == 0 ? "user root\n" : "")
                      .toUtf8();
}

// quietS 0: latency alone.
Figures measure(int lines, int commands, int quietS, const QString& bridgeProgram,
                BrokerConfig kind = BrokerConfig::Minimal) {
    QElapsedTimer clock;
    clock.start();
    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 brokerPort = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath("mosquitto.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(brokerConfig(kind, dir, brokerPort));
    conf.close();
    QProcess broker;
    broker.start("/usr/sbin/mosquitto", {"-c", conf.fileName()});
    QTest::qWait(300);
    std::vector<std::unique_ptr<FakeLine>> fakes;
    QFile config(dir.filePath("bridge.toml"));
    config.open(QIODevice::WriteOnly);
    config.write(
        QString("broker = \"mqtt://127.0.0.1:%1\"\nid = \"bench\"\npoll = 30\n").arg(brokerPort).toUtf8());
    for (int i = 0; i < lines; ++i) {
        fakes.push_back(std::make_unique<FakeLine>(clock));
        config.write(QString("[[line]]\nname = \"l%1\"\nport = \"socket://127.0.0.1:%2\"\n")
                         .arg(i)
                         .arg(fakes.back()->server.serverPort())
                         .toUtf8());
    }
    config.close();
    QProcess bridge;
    bridge.start(bridgeProgram, {"--config", config.fileName()});
    q7::MqttClient client(
        *q7::parseBrokerUrl(("mqtt://127.0.0.1:" + QString::number(brokerPort)).toStdString()));
    (void)client.start();
    QTest::qWait(3000 + 20 * lines); // connected, discovery published, the first polls answered
    std::vector<double> ms;
    std::mt19937 pick(1);
    for (int i = 0; i < commands; ++i) {
        const std::size_t line = std::uniform_int_distribution<std::size_t>(0, fakes.size() - 1)(pick);
        FakeLine& fake = *fakes[line];
        fake.arrived = -1;
        const qint64 sent = clock.nsecsElapsed();
        client.publish(QString("q7/l%1/single/command").arg(line), i % 2 ? "power on" : "power off", false);
        // Woken by the frame itself: a poll every few milliseconds would add its own delay.
        while (fake.arrived < 0 && clock.nsecsElapsed() - sent < 2'000'000'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (fake.arrived >= 0) ms.push_back(static_cast<double>(fake.arrived - sent) / 1e6);
        QTest::qWait(20);
    }
    std::sort(ms.begin(), ms.end());
    double cpu = -1;
    if (quietS > 0) {
        const double cpuBefore = cpuSeconds(bridge.processId());
        QTest::qWait(quietS * 1000);
        cpu = (cpuSeconds(bridge.processId()) - cpuBefore) * 100.0 / quietS;
    }
    const long rss = procField(bridge.processId(), "status", "VmRSS:");
    bridge.terminate();
    bridge.waitForFinished(5000);
    broker.terminate();
    broker.waitForFinished(3000);
    if (ms.empty()) return {-1, -1, cpu, rss};
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], cpu, rss};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bridge_bench PATH_TO_Q7_BRIDGE\n");
        return 2;
    }
    const bool quick = qEnvironmentVariableIntValue("BENCH_QUICK") != 0;
    const int quietS = quick ? 15 : 60;
    const Figures one = measure(1, quick ? 50 : 200, quietS, argv[1]);
    const Figures many = measure(100, quick ? 100 : 500, quietS, argv[1]);
    for (const auto& [lines, f] : {std::pair{1, one}, std::pair{100, many}}) {
        std::printf(
            "| Bridge, %d line%s: command published to frame at the line | median %.2f ms, p99 %.2f ms | "
            "p99 < 20 ms | %s |\n",
            lines, lines == 1 ? "" : "s", f.median, f.p99, f.p99 >= 0 && f.p99 < 20 ? "yes" : "no");
        std::printf(
            "| Bridge, %d line%s: CPU over a quiet %d s (polls every 30 s) | %.2f %% | < 1 %% | %s |\n",
            lines, lines == 1 ? "" : "s", quietS, f.cpuPercent, f.cpuPercent < 1 ? "yes" : "no");
    }
    const double perLine = static_cast<double>(many.rssKb - one.rssKb) / 99.0;
    std::printf("| Bridge: resident memory, 1 line and 100 lines | %.1f MB and %.1f MB: %.0f KB a line | "
                "< 200 KB a line | %s |\n",
                one.rssKb / 1024.0, many.rssKb / 1024.0, perLine, perLine < 200 ? "yes" : "no");
    for (const auto& [kind, what, target] :
         {std::tuple{BrokerConfig::Stock, "Debian's stock mosquitto.conf", 20.0},
          std::tuple{BrokerConfig::StockNodelay, "Debian's stock mosquitto.conf and set_tcp_nodelay true",
                     2.0}}) {
        if (!QFile::exists(kStockConfig)) {
            std::printf("| Bridge, 1 line, %s | no %s here | p99 < %.0f ms | no |\n", what, kStockConfig,
                        target);
            continue;
        }
        const Figures f = measure(1, quick ? 100 : 500, 0, argv[1], kind);
        std::printf(
            "| Bridge, 1 line, %s: command published to frame at the line | median %.2f ms, p99 %.2f ms "
            "| p99 < %.0f ms | %s |\n",
            what, f.median, f.p99, target, f.p99 >= 0 && f.p99 < target ? "yes" : "no");
    }
    return 0;
}
