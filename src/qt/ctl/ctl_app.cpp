// SPDX-License-Identifier: MIT
#include "qt/ctl/ctl_app.h"

#include "display/trace.h"
#include "link/port_address.h"
#include "log/session_log.h"
#include "qt/core/port_discovery.h"
#include "qt/core/process_end.h"
#include "qt/core/qt_line.h"
#include "qt/core/qt_timer.h"
#include "qt/core/translation.h"
#include "qt/ctl/json.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QTime>
#include <cstdio>
#include <optional>

namespace q7 {
namespace {

constexpr int kUsage = 2;
constexpr int kLineFailed = 1;

const char* const kCommands = Text::q7tr(
    "Commands:\n"
    "  list                  every name, with the text it sends and its reply window\n"
    "  NAME                  a button of the window by name: power on, freeze off, image3, input 2 s-video\n"
    "  send TEXT             TEXT as typed in the panel's CMD box\n"
    "  status [KEY...]       the decoded status queries: all nine, or those named: power, input,\n"
    "                        picture_reversal, lamp_hours, temperatures, mute, signal_type, pressure,\n"
    "                        lamp_mode\n"
    "  hold NAME SECONDS     a held button held for SECONDS (up to 3600), then released\n"
    "  bridge ...            the projectors on an MQTT broker (q7ctl bridge --help)\n"
    "\n"
    "Exit status: 0 answered (ACK or a reply), 4 refused (NAK), 3 no or half an answer, 1 the port could "
    "not\n"
    "be opened or went away, 2 a usage error.\n");

// An option's description, in the user's language.
QString described(const char* text) {
    return translated(Message(text));
}

void say(FILE* to, const std::string& text) {
    std::fputs(text.c_str(), to);
    std::fflush(to);
}

// The same projectors as the panel's selection, by the names a script writes.
std::optional<std::string> prefixFor(const QString& projector) {
    if (projector == "single") return "";
    if (projector == "all") return "AFFF";
    for (const char* id : {"001", "002", "003", "004"})
        if (projector == id) return std::string("A") + id;
    return std::nullopt;
}

struct Options {
    std::string port;
    std::string settings = kSettings19200;
    std::string prefix;
    std::optional<int> timeoutMs;
    bool json = false;
    bool verbose = false;
    std::string log;
    std::uint64_t logBytes = kDefaultLogBytes;
    std::vector<std::string> words;
};

// A usage error, or the options and the words of the command.
Result<Options> parseOptions(QCommandLineParser& parser, const QStringList& arguments) {
    const QCommandLineOption port(
        "port",
        described(Text::q7tr("The device or server: /dev/ttyUSB0, socket://HOST:PORT, rfc2217://HOST:PORT "
                             "(default: $Q7_PORT, else the panel's port 1).")),
        "DEVICE|URL");
    const QCommandLineOption speed(
        "speed", described(Text::q7tr("The line's speed: 19200 (default) or 9600.")), "BAUD");
    const QCommandLineOption projector(
        "projector", described(Text::q7tr("Which projector: single (default), all, 001 to 004.")), "WHICH");
    const QCommandLineOption json("json", described(Text::q7tr("Print one compact JSON line.")));
    const QCommandLineOption timeout(
        "timeout", described(Text::q7tr("Wait this long for each reply instead of the button's window.")),
        "MS");
    const QCommandLineOption verbose(
        "verbose", described(Text::q7tr("Print each frame and reply with the time on standard error.")));
    const QCommandLineOption log(
        "log", described(Text::q7tr("Append each frame, reply and outcome to FILE.")), "FILE");
    const QCommandLineOption logSize(
        "log-size",
        described(Text::q7tr("Keep the log below BYTES (K, M; default 10M), the older lines in FILE.1.")),
        "BYTES");
    const QCommandLineOption help({"h", "help"},
                                  described(Text::q7tr("Print this text, or a command's, and exit.")));
    const QCommandLineOption version("version", described(Text::q7tr("Print the version and exit.")));
    parser.setApplicationDescription(described(
        Text::q7tr("Sends one command to Q7 and Q7L projectors on an RS-232C line and prints the answer.")));
    parser.addOptions({port, speed, projector, json, timeout, verbose, log, logSize, help, version});
    parser.addPositionalArgument(
        "COMMAND", described(Text::q7tr("list, NAME, send TEXT, status [KEY...] or hold NAME SECONDS.")),
        "COMMAND...");
    if (!parser.parse(arguments)) return failure(Message::verbatim(parser.errorText().toStdString()));
    Options o;
    for (const QString& word : parser.positionalArguments())
        o.words.push_back(word.toStdString());
    if (parser.isSet(help) || parser.isSet(version)) return o;
    const QByteArray fromEnvironment = qgetenv("Q7_PORT");
    o.port = parser.isSet(port) ? parser.value(port).toStdString() : fromEnvironment.toStdString();
    if (!o.port.empty())
        if (const Result<PortAddress> parsed = parsePortAddress(o.port); !parsed)
            return failure(parsed.error());
    if (parser.isSet(speed)) {
        if (parser.value(speed) != "19200" && parser.value(speed) != "9600")
            return failure(Message(Text::q7tr("the speed must be 19200 or 9600, not %1"),
                                   {quoted(parser.value(speed).toStdString())}));
        o.settings = parser.value(speed) == "9600" ? kSettings9600 : kSettings19200;
    }
    if (parser.isSet(projector)) {
        const std::optional<std::string> prefix = prefixFor(parser.value(projector));
        if (!prefix)
            return failure(
                Message(Text::q7tr("the projector must be single, all, 001, 002, 003 or 004, not %1"),
                        {quoted(parser.value(projector).toStdString())}));
        o.prefix = *prefix;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const int ms = parser.value(timeout).toInt(&ok);
        if (!ok || ms <= 0 || ms > 600000)
            return failure(
                Message(Text::q7tr("the timeout must be a number of milliseconds from 1 to 600000, not %1"),
                        {quoted(parser.value(timeout).toStdString())}));
        o.timeoutMs = ms;
    }
    o.log = parser.value(log).toStdString();
    if (parser.isSet(logSize)) {
        const Result<std::uint64_t> bytes = parseLogSize(parser.value(logSize).toStdString());
        if (!bytes) return failure(bytes.error());
        o.logBytes = *bytes;
    }
    o.json = parser.isSet(json);
    o.verbose = parser.isSet(verbose);
    return o;
}

const std::pair<const char*, const char*> kCommandHelp[] = {
    {"list",
     Text::q7tr("Usage: q7ctl list\nPrints every name, the text it sends, and its reply window or repeat "
                "period.\n")},
    {"send",
     Text::q7tr("Usage: q7ctl [options] send TEXT\nSends TEXT as typed in the panel's CMD box, framed "
                "with the projector's address and a CR,\nand waits 2 s for the reply.\n")},
    {"status",
     Text::q7tr("Usage: q7ctl [options] status [KEY...]\nAsks the decoded status queries, all nine or "
                "those named, and prints each key with the\npanel's STATUS text (with --json: "
                "outcome, reply, hex, text and the value, typed).\n")},
    {"hold",
     Text::q7tr("Usage: q7ctl [options] hold NAME SECONDS\nHolds a held button for SECONDS (above 0, up "
                "to 3600): its frame is repeated at its period\nwhile the line keeps up, then released. "
                "SIGINT or SIGTERM end it at once.\n")},
};

// The top-level help, or a command's when one is named ("q7ctl status --help").
std::string helpText(const QCommandLineParser& parser, const std::vector<std::string>& words) {
    for (const auto& [command, help] : kCommandHelp)
        if (!words.empty() && words.front() == command) return translatedText(Message(help));
    // Qt's usage line names the program by the path it was started with.
    const QString options = parser.helpText().section('\n', 1);
    return "Usage: q7ctl [--port DEVICE|URL] [--speed 19200|9600] [--projector single|all|001|002|003|004] "
           "[--json]\n             [--timeout MS] [--verbose] [--log FILE] COMMAND...\n" +
           options.toStdString() + "\n" + translatedText(Message(kCommands));
}

std::string listing() {
    std::string out;
    for (const NamedButton& b : namedButtons()) {
        std::string line(b.name);
        line += '\t';
        if (b.oneShot) {
            line += std::string(b.oneShot->command) + "\t" +
                    std::to_string(replyWindowMs(b.oneShot->sendClass)) + " ms";
        } else {
            line += std::string(b.held->command) + "\theld, every " +
                    std::to_string(repeatPeriodMs(*b.held)) + " ms";
        }
        out += line + "\n";
    }
    return out;
}

// The panel's texts: the reply's trace (" X X X X" for none) and, for a decoded query, the STATUS text; for
// status, each key with its STATUS text.
std::string plainText(const Request& request, const std::vector<Answer>& answers) {
    std::string out;
    for (const Answer& a : answers) {
        const std::string& got = a.exchanged.received;
        const std::string trace = got.empty() ? std::string(kNoReply) : traceText(got);
        if (request.kind == Request::Kind::Status)
            out += a.name + ":" + a.statusText.value_or(trace) + "\n";
        else
            out += trace + "\n" + (a.statusText ? *a.statusText + "\n" : "");
    }
    return out;
}

std::string jsonText(const Request& request, const std::vector<Answer>& answers) {
    const QJsonObject object =
        request.kind == Request::Kind::Status ? statusJson(answers) : answerJson(answers.front());
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::string portOne() {
    CommandLine none;
    return portsToUse(none, presentSerialPorts())[0].device;
}

} // namespace

int runCtl(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    installTranslations(app);
    QCoreApplication::setApplicationName("q7ctl");
    QCoreApplication::setApplicationVersion(Q7_VERSION);
    QCommandLineParser parser;
    const Result<Options> options = parseOptions(parser, QCoreApplication::arguments());
    if (!options) {
        say(stderr, "q7ctl: " + translatedText(options.error()) + "\n");
        return kUsage;
    }
    if (parser.isSet("version")) {
        say(stdout, "q7ctl " Q7_VERSION "\n");
        return 0;
    }
    if (parser.isSet("help")) {
        say(stdout, helpText(parser, options->words));
        return 0;
    }
    const Result<Request> request = parseRequest(options->words);
    if (!request) {
        say(stderr, "q7ctl: " + translatedText(request.error()) + "\n");
        return kUsage;
    }
    if (request->kind == Request::Kind::List) {
        say(stdout, listing());
        return 0;
    }

    QtLine line(options->port.empty() ? portOne() : options->port);
    (void)line.applySettings(options->settings);
    std::unique_ptr<SessionLog> log;
    if (!options->log.empty()) {
        Result<std::unique_ptr<SessionLog>> opened =
            SessionLog::open(options->log, options->logBytes,
                             [](const Message& why) { say(stderr, "q7ctl: " + translatedText(why) + "\n"); });
        if (!opened) {
            say(stderr, "q7ctl: " + translatedText(opened.error()) + "\n");
            return kLineFailed;
        }
        log = std::move(*opened);
    }
    QtTimers timers;
    const Traffic traffic = [&](bool sent, const std::string& bytes) {
        if (options->verbose)
            say(stderr, QTime::currentTime().toString("HH:mm:ss.zzz").toStdString() + (sent ? " TX" : " RX") +
                            (bytes.empty() ? std::string(kNoReply) : traceText(bytes)) + "\n");
        if (log && !bytes.empty())
            log->write(line.address(), sent ? SessionLog::Direction::TX : SessionLog::Direction::RX,
                       traceText(bytes), bytes);
    };
    Runner runner(line, timers, options->prefix, options->timeoutMs, traffic);
    ProcessEnd processEnd(line);
    std::optional<int> status;
    // A run that ends inside run() (a device that cannot be opened) needs no event loop.
    const auto finish = [&](int code) {
        status = code;
        QCoreApplication::exit(code);
    };
    QObject::connect(&processEnd, &ProcessEnd::endRequested, &app, [&] {
        runner.stop();
        finish(128 + ProcessEnd::signalNumber());
    });
    runner.run(*request, [&](const Answers& answers) {
        if (!answers) {
            say(stderr, translatedText(answers.error()) + "\n");
            if (log)
                log->write(line.address(), SessionLog::Direction::Event,
                           "failed: " + answers.error().english(), {});
            return finish(kLineFailed);
        }
        say(stdout, options->json ? jsonText(*request, *answers) : plainText(*request, *answers));
        for (const Answer& a : *answers)
            if (log)
                log->write(line.address(), SessionLog::Direction::Event,
                           a.name + ": " + std::string(outcomeName(a.exchanged.outcome)), {});
        finish(exitStatus(*answers));
    });
    if (!status) QCoreApplication::exec();
    return status.value_or(kLineFailed);
}

} // namespace q7
