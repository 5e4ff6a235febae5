// SPDX-License-Identifier: MIT
#include "qt/ctl/ctl_app.h"

#include "display/status_queries.h"
#include "display/trace.h"
#include "link/port_address.h"
#include "protocol/frame.h"
#include "qt/core/log_file.h"
#include "qt/core/port_discovery.h"
#include "qt/core/process_end.h"
#include "qt/core/qt_line.h"
#include "qt/core/qt_timer.h"
#include "qt/core/translation.h"
#include "request/json.h"
#include "request/report.h"
#include "session/logged_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace q7 {
namespace {

constexpr int kUsageError = 2;
constexpr int kLineFailed = 1;

const char* const kUsage = Text::q7tr("Usage: q7ctl [OPTION]... COMMAND [ARGUMENT]...\n");
const char* const kCommands = Text::q7tr(
    "Commands:\n"
    "  list [TABLE]          every name, with the text it sends and its reply window; or a table: status,\n"
    "                        projectors, speeds\n"
    "  NAME                  a button of the window by name: power on, freeze off, image3, input 2 s-video\n"
    "  send TEXT             TEXT as typed in the panel's CMD box\n"
    "  status [KEY...]       the decoded status queries: all, or those named:\n"
    "%1"
    "  hold NAME SECONDS     a held button held for SECONDS (up to 3600), then released\n"
    "  bridge ...            the projectors on an MQTT broker (q7ctl bridge --help)\n"
    "\n"
    "  help [COMMAND]        this text, or a command's\n"
    "\n"
    "Exit status: 0 answered (ACK or a reply), 4 refused (NAK), 3 no or half an answer, 1 the port could "
    "not\n"
    "be opened or went away, 2 a usage error, 128 + N ended by signal N.\n");

void say(FILE* to, const std::string& text) {
    std::fputs(text.c_str(), to);
    std::fflush(to);
}

// Every line on standard error says whose it is.
void complain(const Message& why) {
    say(stderr, "q7ctl: " + translatedText(why) + "\n");
}

std::string jsonLine(const Json& json) {
    return compact(json) + "\n";
}

// Names in lines under a command's description.
std::string indentedList(const std::vector<std::string_view>& names) {
    constexpr std::size_t kIndent = 24, kWidth = 100;
    std::string out, line(kIndent, ' ');
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = std::string(names[i]) + (i + 1 < names.size() ? "," : "");
        if (line.size() > kIndent && line.size() + 1 + name.size() > kWidth)
            out += line + "\n", line.assign(kIndent, ' ');
        line += (line.size() > kIndent ? " " : "") + name;
    }
    return out + line + "\n";
}

struct Options {
    std::optional<std::string> port; // named by --port
    std::string settings = std::string(kSpeedOptions[0].settings);
    std::string prefix;
    std::optional<int> timeoutMs;
    bool json = false;
    bool verbose = false;
    std::string log;
    std::uint64_t logBytes = kDefaultLogBytes;
    std::vector<std::string> words;
};

// "-1", "-0.5": a number, not an option. Written out: a regular expression costs a script's run its
// compilation.
bool isNegativeNumber(const QString& word) {
    return word.size() > 1 && word.front() == '-' && std::all_of(word.begin() + 1, word.end(), [](QChar c) {
               return (c >= '0' && c <= '9') || c == '.';
           });
}

// A usage error, or the options and the words of the command; forPeople adds what the help and Qt's own
// refusals say, in the user's language.
Result<Options> parseOptions(QCommandLineParser& parser, const QStringList& arguments, bool forPeople) {
    const auto described = [forPeople](const char* text, std::initializer_list<Message> args = {}) {
        return forPeople ? translated(Message(text, args)) : QString();
    };
    const QCommandLineOption port(
        "port",
        described(Text::q7tr("The device or server: /dev/ttyUSB0, socket://HOST:PORT, rfc2217://HOST:PORT "
                             "(default: $Q7_PORT, else the panel's port 1, said on standard error).")),
        "DEVICE|URL");
    const QCommandLineOption speed(
        "speed",
        described(Text::q7tr("The line's speed: %1 (default %2)."),
                  {eitherOf(speedNames()), Message::verbatim(std::string(kSpeedOptions[0].baud))}),
        "BAUD");
    const QCommandLineOption projector(
        "projector",
        described(Text::q7tr("Which projector: %1 (default %2)."),
                  {eitherOf(projectorNames()), Message::verbatim(std::string(kSingleProjector))}),
        "WHICH");
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
    // A negative number at the end is a hold's seconds out of range, not an option.
    QStringList words = arguments;
    if (words.size() > 1 && isNegativeNumber(words.back())) words.insert(words.size() - 1, "--");
    if (!parser.parse(words)) return failure(Message::verbatim(parser.errorText().toStdString()));
    Options o;
    for (const QString& word : parser.positionalArguments())
        o.words.push_back(word.toStdString());
    if (parser.isSet(help) || parser.isSet(version)) return o;
    if (parser.isSet(port)) o.port = parser.value(port).toStdString();
    if (parser.isSet(speed)) {
        const SpeedOption* chosen = findSpeed(parser.value(speed).toStdString());
        if (!chosen)
            return failure(Message(Text::q7tr("the speed must be %1, not %2"),
                                   {eitherOf(speedNames()), quoted(parser.value(speed).toStdString())}));
        o.settings = chosen->settings;
    }
    if (parser.isSet(projector)) {
        const ProjectorOption* chosen = findProjector(parser.value(projector).toStdString());
        if (!chosen)
            return failure(
                Message(Text::q7tr("the projector must be %1, not %2"),
                        {eitherOf(projectorNames()), quoted(parser.value(projector).toStdString())}));
        o.prefix = chosen->prefix;
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
     Text::q7tr(
         "Usage: q7ctl list [status|projectors|speeds]\nPrints every name, the text it sends, and its "
         "reply window or repeat period;\nor the status keys and their queries, the projectors and their "
         "addresses, or the speeds\nand their line settings.\n")},
    {"send",
     Text::q7tr("Usage: q7ctl [OPTION]... send TEXT\nSends TEXT as typed in the panel's CMD box, framed "
                "with the projector's address and a CR,\nand waits 2 s for the reply.\n")},
    {"status",
     Text::q7tr("Usage: q7ctl [OPTION]... status [KEY...]\nAsks the decoded status queries, all or those "
                "named, and prints each key with its value\nin words and units (with --json: outcome, "
                "reply, hex, the panel's STATUS text and the value, typed).\n")},
    {"hold",
     Text::q7tr("Usage: q7ctl [OPTION]... hold NAME SECONDS\nHolds a held button for SECONDS (above 0, up "
                "to 3600): its frame is repeated at its period\nwhile the line keeps up, then released, and "
                "the replies to its frames are awaited.\nSIGINT or SIGTERM end it at once.\n")},
};

// The top-level help, or a command's when one is named ("q7ctl status --help").
std::string helpText(const QCommandLineParser& parser, const std::vector<std::string>& words) {
    for (const auto& [command, help] : kCommandHelp)
        if (!words.empty() && words.front() == command) return translatedText(Message(help));
    // Qt's usage line names the program by the path it was started with, and is not ours to translate.
    const QString options = parser.helpText().section('\n', 1);
    return translatedText(Message(kUsage)) + options.toStdString() + "\n" +
           translatedText(Message(kCommands, {Message::verbatim(indentedList(statusKeyNames()))}));
}

// The other tables a script may choose from, as "NAME<tab>VALUE" lines or JSON objects.
std::vector<std::pair<std::string_view, std::string_view>> table(const std::string& which) {
    std::vector<std::pair<std::string_view, std::string_view>> rows;
    if (which == "status")
        for (const StatusKey& k : statusKeys())
            rows.emplace_back(k.key, k.command);
    else if (which == "projectors")
        for (const ProjectorOption& p : kProjectorOptions)
            rows.emplace_back(p.name, p.prefix);
    else
        for (const SpeedOption& s : kSpeedOptions)
            rows.emplace_back(s.baud, s.settings);
    return rows;
}

std::string tableText(const std::string& which, bool json) {
    const auto [nameKey, valueKey] = which == "status"       ? std::pair("key", "command")
                                     : which == "projectors" ? std::pair("name", "prefix")
                                                             : std::pair("speed", "settings");
    Json rows = Json::array();
    std::string text;
    for (const auto& [name, value] : table(which)) {
        rows.push_back({{nameKey, name}, {valueKey, value}});
        text.append(name).append("\t").append(value) += '\n';
    }
    return json ? jsonLine(rows) : text;
}

Json listingJson() {
    Json out = Json::array();
    for (const NamedButton& b : namedButtons()) {
        Json one{{"name", b.name}};
        if (b.oneShot) {
            one["command"] = fromLatin1(b.oneShot->command);
            one["window_ms"] = replyWindowMs(b.oneShot->sendClass);
        } else {
            one["command"] = fromLatin1(b.held->command);
            one["window_ms"] = kStartIntervals.replyTimeout;
            one["period_ms"] = repeatPeriodMs(*b.held);
        }
        out.push_back(std::move(one));
    }
    return out;
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

std::string jsonText(const Request& request, const std::vector<Answer>& answers) {
    return jsonLine(request.kind == Request::Kind::Status ? statusJson(answers)
                                                          : answerJson(answers.front()));
}

ChosenPort portOne() {
    return portsToUse({}, {}, presentSerialPorts())[0];
}

std::optional<std::string> environment(const char* name) {
    if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
    return qEnvironmentVariable(name).toStdString();
}

#ifdef _WIN32
// The bridge is a Linux service; a Windows script asks one over MQTT, not through q7ctl.
int startBridge(int, char*[]) {
    complain(Message(Text::q7tr("the bridge runs on Linux only")));
    return kUsageError;
}
#else
// The bridge is a program of its own, which q7ctl does not load: "q7ctl bridge ARGS..." becomes the q7-bridge
// beside this program (or else on the PATH) with the same arguments, output and exit status.
int startBridge(int argc, char* argv[]) {
    std::error_code noLink;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", noLink);
    std::string beside = noLink ? std::string() : (self.parent_path() / "q7-bridge").string();
    std::string name = "q7-bridge";
    std::vector<char*> args{name.data()};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);
    std::string tried = name;
    int why = ENOENT;
    if (!beside.empty()) {
        args[0] = beside.data();
        ::execv(beside.c_str(), args.data());
        tried = beside;
        why = errno;
    }
    args[0] = name.data();
    ::execvp(name.c_str(), args.data());
    // What is there but cannot be run says more than what is not there.
    if (why == ENOENT && errno != ENOENT) {
        tried = name;
        why = errno;
    }
    QCoreApplication app(argc, argv);
    installTranslations(app);
    complain(Message(Text::q7tr("cannot start the bridge, %1: %2"),
                     {Message::verbatim(tried), Message::verbatim(std::strerror(why))}));
    return kLineFailed;
}
#endif

} // namespace

int runCtl(int argc, char* argv[]) {
    if (argc > 1 && std::string_view(argv[1]) == "bridge") return startBridge(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("q7ctl");
    QCoreApplication::setApplicationVersion(Q7_VERSION);
    // Finding and loading the translations costs a script's run over half a millisecond, and only the help
    // and Qt's words in a refusal need them installed beforehand: a text of ours loads them when it is shown.
    const QStringList arguments = QCoreApplication::arguments();
    auto parser = std::make_unique<QCommandLineParser>();
    Result<Options> options = parseOptions(*parser, arguments, false);
    const auto forPeople = [&] {
        installTranslations(app);
        parser = std::make_unique<QCommandLineParser>();
        options = parseOptions(*parser, arguments, true);
    };
    if (!options) forPeople();
    const bool json = parser->isSet("json");
    // A failure is said on standard error, and with --json told on standard output as well.
    const auto fail = [json](const char* outcome, const Message& why, int status) {
        complain(why);
        if (json) say(stdout, jsonLine(failureJson(outcome, why)));
        return status;
    };
    if (!options) return fail("usage", options.error(), kUsageError);
    if (parser->isSet("version")) {
        say(stdout, "q7ctl " Q7_VERSION "\n");
        return 0;
    }
    const Result<Request> request = parseRequest(options->words);
    if (parser->isSet("help") || (request && request->kind == Request::Kind::Help)) {
        std::vector<std::string> about = options->words;
        if (request && request->kind == Request::Kind::Help) about = {request->text};
        forPeople();
        say(stdout, helpText(*parser, about));
        return 0;
    }
    if (!request) return fail("usage", request.error(), kUsageError);
    if (request->kind == Request::Kind::List) {
        say(stdout, !request->text.empty() ? tableText(request->text, json)
                    : json                 ? jsonLine(listingJson())
                                           : listing());
        return 0;
    }
    const PortToUse port = portToUse(options->port, environment("Q7_PORT"), portOne);
    if (const Result<PortAddress> parsed = parsePortAddress(port.address); !parsed)
        return fail("usage", parsed.error(), kUsageError);
    if (port.note) complain(*port.note);

    std::unique_ptr<SessionLog> log;
    if (!options->log.empty()) {
        Result<std::unique_ptr<SessionLog>> opened =
            openSessionLog(options->log, options->logBytes, complain);
        if (!opened) return fail("failed", opened.error(), kLineFailed);
        log = std::move(*opened);
    }
    QtLine line(port.address);
    (void)line.applySettings(options->settings);
    LoggedLine logged(line, log.get());
    QtTimers timers;
    Traffic traffic;
    if (options->verbose)
        traffic = [](bool sent, const std::string& bytes) {
            say(stderr, "q7ctl: " + QTime::currentTime().toString("HH:mm:ss.zzz").toStdString() +
                            (sent ? " TX" : " RX") +
                            (bytes.empty() ? std::string(kNoReply) : traceText(bytes)) + "\n");
        };
    Runner runner(logged, timers, options->prefix, options->timeoutMs, traffic);
    ProcessEnd processEnd(line);
    std::optional<int> status;
    // A run that ends inside run() (a device that cannot be opened) needs no event loop.
    const auto finish = [&](int code) {
        status = code;
        QCoreApplication::exit(code);
    };
    QObject::connect(&processEnd, &ProcessEnd::endRequested, &app, [&] { runner.interrupt(); });
    runner.run(*request, [&](const Answers& answers) {
        const int code = exitStatus(answers);
        if (!answers) {
            // A frame refused because the process is ending is no fault of the line.
            const Message ended(Text::q7tr("Ended by signal %1."), {Message::number(endingSignal())});
            if (!endingSignal())
                fail("failed", answers.error(), code);
            else if (json)
                say(stdout, jsonLine(failureJson("interrupted", ended)));
            return finish(code);
        }
        for (const Message& note : replyNotes(*answers))
            complain(note);
        say(stdout, json ? jsonText(*request, *answers) : plainText(*request, *answers));
        for (const Answer& a : *answers)
            if (log)
                log->write(line.address(), SessionLog::Direction::Event,
                           a.name + ": " + std::string(outcomeName(a.exchanged.outcome)), {});
        finish(code);
    });
    if (!status) QCoreApplication::exec();
    // A write of the log's that fails with the last lines is still said before the program ends.
    if (log) log->flush();
    QCoreApplication::sendPostedEvents(&app, QEvent::MetaCall);
    return status.value_or(kLineFailed);
}

} // namespace q7
