// SPDX-License-Identifier: MIT
// q7ctl as a script runs it, against q7sim on a pseudo-terminal and over TCP: the bytes on the wire, what it
// prints, its exit status, and a hold ended by a signal. Real time: every bound is generous.

#include "panel/form.h"
#include "qt/core/qt_line.h"
#include "qt/widgets/qt_window.h"
#include "simulator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace q7::test {
namespace {

struct Ctl {
    Ctl(const QString& port, const QStringList& args) {
        ctl.start(Q7CTL_PATH, QStringList{"--port", port} + args);
        ctl.waitForFinished(10000);
        out = QString::fromLatin1(ctl.readAllStandardOutput());
        err = QString::fromUtf8(ctl.readAllStandardError());
    }
    QJsonObject json() const { return QJsonDocument::fromJson(out.toLatin1()).object(); }
    QProcess ctl;
    QString out, err;
};

TEST(Q7ctl, ACommandItsAnswerAndItsExitStatus) {
    const std::tuple<QStringList, QStringList, const char*, int, const char*> cases[] = {
        {{"--ids", "001,002"}, {"--projector", "002", "power", "on"}, " ACK CR \n", 0, "A002C00\r"},
        {{}, {"send", "XYZ"}, " ? CR \n", 4, "XYZ\r"},
        {{}, {"--projector", "all", "send", "CR0"}, " 8 0 CR \n Stand by\n", 0, "AFFFCR0\r"},
        {{"--no-reply"}, {"freeze", "off"}, " X X X X\n", 3, "C44\r"},
        {{"--split", "--split-gap", "800"},
         {"status", "lamp_hours"},
         "lamp_hours: incomplete reply: 1 2\n",
         3,
         "CR3\r"},
        {{"--tcp", "0"}, {"Input", "2", "S-Video"}, " ACK CR \n", 0, "CF INPUT2 S-VIDEO\r"},
        {{"--delay", "1000"}, {"send", "CR1"}, " 1 CR \n Input mode 1\n", 0, "CR1\r"},
    };
    for (const auto& [sim, args, out, status, frame] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        Simulator projector(sim);
        Ctl run(projector.port, args);
        EXPECT_EQ(run.out.toStdString(), out) << run.err.toStdString();
        EXPECT_EQ(run.ctl.exitCode(), status);
        EXPECT_EQ(projector.frames(), QStringList{QString(frame).chopped(1)});
    }
}

// Each command reads its own reply, whatever the one before left in the line: a hold's last replies, the rest
// of a reply that came too late, a reply nobody read.
TEST(Q7ctl, EveryReplyBelongsToItsCommand) {
    const auto hex = [](const QString& port, const QStringList& args) {
        const Ctl run(port, QStringList{"--json"} + args);
        return run.json()["hex"].toString().toStdString() + " " + std::to_string(run.ctl.exitCode());
    };
    Simulator projector({});
    EXPECT_EQ(Ctl(projector.port, {"hold", "zoom", "+", "1"}).ctl.exitCode(), 0);
    EXPECT_EQ(hex(projector.port, {"send", "CR3"}), "31 32 33 34 0D 0");
    EXPECT_EQ(hex(projector.port, {"send", "XYZ"}), "15 0D 4");
    QFile other(projector.port);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    other.write("CR3\r");
    QTest::qWait(300);
    other.close();
    EXPECT_EQ(hex(projector.port, {"send", "CR0"}), "38 30 0D 0");

    Simulator split({"--split", "--split-gap", "800"});
    EXPECT_EQ(Ctl(split.port, {"status", "lamp_hours"}).ctl.exitCode(), 3);
    EXPECT_EQ(hex(split.port, {"send", "CR0"}), "38 30 0D 0");
}

// A run that comes to nothing says why in one line on standard error, and with --json as one object on
// standard output as well; nothing is sent for words that cannot be used (no port: the projector's).
TEST(Q7ctl, FailuresAreSaidToPeopleAndToScriptsAndSendNothing) {
    Simulator projector({});
    const std::tuple<QString, QStringList, const char*, int> cases[] = {
        {"/dev/q7-none", {"status"}, "failed", 1},
        {"socket://127.0.0.1:1", {"power", "on"}, "failed", 1},
        {"socket://h:0", {"status"}, "usage", 2},
        {"", {"--projector", "5", "status"}, "usage", 2},
        {"", {"vol", "+", "+"}, "usage", 2},
        {"", {"hold", "zoom +", "3601"}, "usage", 2},
        {"", {"hold", "zoom", "+", "-1"}, "usage", 2},
        {"", {"hold", "zoom", "+"}, "usage", 2},
        {"", {"--speed", "4800", "image"}, "usage", 2},
    };
    for (const auto& [port, args, outcome, status] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Ctl run(port.isEmpty() ? projector.port : port, QStringList{"--json"} + args);
        EXPECT_EQ(run.ctl.exitCode(), status);
        EXPECT_EQ(run.json()["outcome"].toString(), outcome);
        EXPECT_EQ(run.err, "q7ctl: " + run.json()["error"].toString() + "\n");
        const Ctl person(port.isEmpty() ? projector.port : port, args);
        EXPECT_EQ(std::tuple(person.ctl.exitCode(), person.out, person.err), std::tuple(status, "", run.err));
    }
    EXPECT_TRUE(projector.frames().isEmpty());
    EXPECT_EQ(Ctl(projector.port, {"--json", "hold", "zoom", "+", "-1"}).json()["error"].toString(),
              "the seconds of a hold must be a number above 0 and at most 3600, not \"-1\"");
    const Ctl help("/dev/q7-none", {"help"});
    EXPECT_TRUE(help.out.startsWith("Usage: q7ctl [OPTION]... COMMAND [ARGUMENT]...\n"));
}

// The nine queries as one JSON object, q7sim's documented answers typed; a line that never stops sending ends
// the exchange with its window.
TEST(Q7ctl, StatusAsDataAndAChatteringLine) {
    Simulator projector({"--lamp-hours", "1500"});
    const QJsonObject status = Ctl(projector.port, {"--json", "status"}).json();
    EXPECT_EQ(status.keys(), (QStringList{"input", "lamp_hours", "lamp_mode", "mute", "picture_reversal",
                                          "power", "pressure", "signal_type", "temperatures"}));
    EXPECT_EQ(status["power"].toObject(), (QJsonObject{{"outcome", "reply"},
                                                       {"reply", " 8 0 CR "},
                                                       {"hex", "38 30 0D"},
                                                       {"text", " Stand by"},
                                                       {"value", "standby"}}));
    EXPECT_EQ(status["lamp_hours"]["value"].toInt(), 1500);
    EXPECT_EQ(status["pressure"]["value"].toInt(), 1013);
    EXPECT_EQ(status["input"]["value"].toInt(), 1);
    EXPECT_EQ(status["mute"]["value"].toString(), "standby");
    EXPECT_EQ(status["temperatures"]["value"].toArray().size(), 2);
    EXPECT_EQ(status["lamp_mode"]["value"].toObject(),
              (QJsonObject{{"lamps_lit", QJsonArray()}, {"mode", "2-lamps"}}));
    Simulator chatter({"--chatter", "100000"});
    QElapsedTimer took;
    took.start();
    const QJsonObject power = Ctl(chatter.port, {"--json", "power", "off"}).json();
    EXPECT_LT(took.elapsed(), 3000);
    EXPECT_EQ(power["outcome"].toString(), "reply");
    EXPECT_TRUE(power["hex"].toString().endsWith("06 0D")) << power["hex"].toString().right(20).toStdString();
}

// A signal ends a hold at once and nothing follows it.
TEST(Q7ctl, ASignalEndsAHold) {
    Simulator projector({});
    QProcess hold;
    hold.start(Q7CTL_PATH, {"--port", projector.port, "hold", "zoom", "+", "60"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return projector.frames().size() > 5; }, 5000));
    ::kill(static_cast<pid_t>(hold.processId()), SIGTERM);
    ASSERT_TRUE(hold.waitForFinished(2000));
    EXPECT_EQ(hold.exitCode(), 128 + SIGTERM);
    const qsizetype sent = projector.frames().size();
    QTest::qWait(300);
    EXPECT_EQ(projector.frames().size(), sent);
    EXPECT_EQ(Ctl(projector.port, {"image"}).ctl.exitCode(), 0) << "the port was given back";
}

QProcessEnvironment japanese() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("LC_ALL");
    env.remove("LANGUAGE");
    env.insert("LANG", "ja_JP.UTF-8");
    return env;
}

// In Japanese for a Japanese locale: the help and a box; what q7ctl prints on standard output stays the same.
TEST(Language, JapaneseWordsForAJapaneseLocaleTheSameOutputForScripts) {
    if (!qEnvironmentVariableIsEmpty("Q7_IN_JAPANESE")) {
        QtLine line;
        QtWindow window(line, {"/dev/q7-none", "/dev/q7-none"});
        Form1 form(window);
        window.attach(form);
        form.load();
        QMessageBox* box = nullptr;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (box = window.window()->findChild<QMessageBox*>()); }, 3000));
        // A word joiner after each "/" and "-" of a path keeps it on one line.
        EXPECT_TRUE(box->text().startsWith("/\u2060dev/\u2060q7-\u2060none を")) << box->text().toStdString();
        const QString text = box->text().remove(QChar(0x2060));
        EXPECT_TRUE(text.startsWith("/dev/q7-none を開けません: デバイスが存在しません (アダプターは接続さ"
                                    "れていますか。名前は正しいですか)。"))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("ポートが使用可能になり次第、パネルが自動的に接続します。または「COM」で"
                                  "ポートを選んでください。"));
        EXPECT_EQ(box->buttons().front()->text().remove('&'), "OK");
        return;
    }
    QProcess inside, help;
    QProcessEnvironment env = japanese();
    env.insert("Q7_IN_JAPANESE", "1");
    inside.setProcessEnvironment(env);
    inside.setProcessChannelMode(QProcess::MergedChannels);
    inside.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=Language.*"});
    ASSERT_TRUE(inside.waitForFinished(20000));
    EXPECT_EQ(inside.exitCode(), 0) << inside.readAll().toStdString();
    help.setProcessEnvironment(japanese());
    help.start(Q7PANEL_PATH, {"--help"});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("使い方: q7panel [--com1 DEVICE]"));
    Simulator projector({});
    QByteArray status[2];
    for (const int japaneseToo : {0, 1}) {
        QProcess ctl;
        ctl.setProcessEnvironment(japaneseToo ? japanese() : QProcessEnvironment());
        ctl.start(Q7CTL_PATH, {"--port", projector.port, "--json", "status"});
        status[japaneseToo] = ctl.waitForFinished(10000) ? ctl.readAllStandardOutput() : "";
    }
    EXPECT_EQ(status[0], status[1]);
    EXPECT_TRUE(status[0].startsWith("{\"input\":")) << status[0].toStdString();
}

} // namespace
} // namespace q7::test
