// SPDX-License-Identifier: MIT
#include "sim_options.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cfloat>
#include <charconv>
#include <climits>
#include <functional>
#include <getopt.h>

namespace q7sim {

namespace {

constexpr double kFastSpeed = 60.0;

template <typename T> bool parseNumber(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

// Dotted quads only (not inet_aton's "127.1"), so that the URL printed is one the panel reads as an address.
bool isAddressLiteral(const std::string& text) {
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, text.c_str(), address) == 1 || inet_pton(AF_INET6, text.c_str(), address) == 1;
}

std::string checkIds(const std::vector<std::string>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string& id = ids[i];
        if (id.size() != 3) return "a projector id has three characters, such as 001: '" + id + "'";
        if (id == "FFF") return "FFF addresses every projector and cannot be an id";
        if (std::find(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(i), id) !=
            ids.begin() + static_cast<std::ptrdiff_t>(i))
            return "projector id " + id + " given twice";
    }
    return {};
}

} // namespace

SimOptions parseSimOptions(const std::vector<std::string>& args) {
    SimOptions o;
    bool bindGiven = false;
    using Setter = std::function<std::string(const std::string&)>; // returns an error text
    const std::string ok;
    // A number from min to max (NaN is neither), read as min's type; DBL_TRUE_MIN: above 0.
    auto number = [&ok](auto& target, auto min, auto max, const char* problem) {
        return Setter([&target, min, max, problem, &ok](const std::string& v) {
            decltype(min) n{};
            if (!parseNumber(v, n) || !(n >= min && n <= max)) return std::string(problem);
            target = std::remove_reference_t<decltype(target)>(n);
            return ok;
        });
    };
    // clang-format off
    struct Entry { const char* name; Setter set; int hasArg = required_argument; };
    auto flag = [&ok](bool& target) { return Setter([&](const std::string&) { target = true; return ok; }); };
    auto text = [&ok](auto& target) { return Setter([&](const std::string& v) { target = v; return ok; }); };
    const Entry table[] = { // help first: -h is its short form
        {"help", flag(o.help), no_argument},
        {"version", flag(o.version), no_argument},
        {"device", text(o.device)},
        {"baud", number(o.baud, 50, INT_MAX, "needs a whole number from 50")},
        {"tcp", number(o.tcpPort, 0, 65535, "needs a port from 0 to 65535")},
        {"bind", [&](const std::string& v) {
             if (!isAddressLiteral(v))
                 return std::string("needs an IPv4 or IPv6 address, such as 0.0.0.0 or ::1");
             o.bindAddress = v;
             bindGiven = true;
             return ok;
         }},
        {"ids", [&](const std::string& v) { o.ids = splitList(v); return checkIds(o.ids); }},
        {"speed", number(o.projector.speed, DBL_TRUE_MIN, DBL_MAX, "needs a factor above 0")},
        {"fast", [&](const std::string&) { o.projector.speed = kFastSpeed; return ok; }, no_argument},
        {"lamp-hours", number(o.projector.lampHours, 0, INT_MAX, "needs a whole number from 0")},
        // The panel multiplies the reading by 5 in 16 bits.
        {"pressure", number(o.projector.pressureReading, 0, 6553, "needs a reading from 0 to 6553")},
        {"no-signal", [&](const std::string& v) {
             for (const std::string& item : splitList(v)) {
                 int input = 0;
                 if (!parseNumber(item, input) || input < 1 || input > 3)
                     return std::string("needs inputs 1 to 3");
                 o.projector.signalPresent[static_cast<std::size_t>(input - 1)] = false;
             }
             return ok;
         }},
        {"delay", number(o.faults.delay, 0LL, LLONG_MAX, "needs a number of milliseconds")},
        {"no-reply", flag(o.faults.noReply), no_argument},
        {"no-reply-to", [&](const std::string& v) { o.faults.noReplyTo.push_back(v); return ok; }},
        {"split", flag(o.faults.split), no_argument},
        {"split-gap", number(o.faults.splitGap, 0LL, LLONG_MAX, "needs a number of milliseconds")},
        {"garbage", flag(o.faults.garbage), no_argument},
        {"chatter", number(o.faults.chatterRate, DBL_TRUE_MIN, 10000000.0,
                           "needs characters per second, above 0 and at most 10000000")},
        {"hangup-after", number(o.faults.hangUpAfter, 1, INT_MAX, "needs a whole number from 1")},
        {"seed", number(o.faults.seed, 0U, UINT32_MAX, "needs a whole number")},
        {"log", text(o.logFile)},
        {"quiet", flag(o.quiet), no_argument},
    };
    // clang-format on
    constexpr int kFirstLong = 256; // clear of the short option characters
    std::vector<option> longs;
    for (const Entry& e : table)
        longs.push_back({e.name, e.hasArg, nullptr, kFirstLong + static_cast<int>(longs.size())});
    longs.push_back({});

    std::vector<std::string> argvText = args; // getopt_long wants a mutable argv after a program name
    argvText.insert(argvText.begin(), "q7sim");
    std::vector<char*> argv(argvText.size() + 1); // and a null pointer after it
    std::ranges::transform(argvText, argv.begin(), [](std::string& arg) { return arg.data(); });
    const int argc = static_cast<int>(argvText.size());

    // '+': no reordering, the first other argument ends the options and is refused below;
    // ':': getopt_long prints nothing and tells a missing value from an unknown option.
    optind = 0; // glibc's full reset, for each parse in one process
    for (int c = 0; (c = getopt_long(argc, argv.data(), "+:h", longs.data(), nullptr)) != -1;) {
        if (c == '?') {
            // optopt: the short option character, the long option given a value it takes none, or 0.
            o.error =
                "unknown option: " + (optopt > 0 && optopt < kFirstLong ? "-" + std::string(1, char(optopt))
                                                                        : argvText[optind - 1]);
            return o;
        }
        const Entry& entry = table[(c == ':' ? optopt : c == 'h' ? kFirstLong : c) - kFirstLong];
        const std::string problem = c == ':' ? "needs a value" : entry.set(optarg ? optarg : "");
        if (!problem.empty()) {
            o.error = "option --" + std::string(entry.name) + " " + problem;
            return o;
        }
    }
    if (o.tcpPort && o.device) o.error = "options --tcp and --device cannot be combined";
    if (bindGiven && !o.tcpPort) o.error = "option --bind needs --tcp";
    if (optind < argc) o.error = "unknown option: " + argvText[optind]; // wins over the two above
    return o;
}

std::string simUsage(const std::string& program) {
    return "Usage: " + program +
           " [OPTION]...\n"
           R"(A chain of simulated Q7/Q7L projectors on a serial line, for trying and testing the control panel.

It opens a pseudo-terminal and prints its device path as the first line of standard output; open that path
in the panel (q7panel --com1 PATH). The pseudo-terminal stays usable when the panel closes and reopens it.

Line and chain:
  --device PATH        answer on this serial device (a real cable) instead of a pseudo-terminal
  --baud N             speed of that device, 8 data bits, no parity, 1 stop bit (default 19200)
  --tcp PORT           serve raw TCP on 127.0.0.1:PORT instead, one client at a time (PORT 0: a free
                       port); the first line printed is then socket://127.0.0.1:PORT
  --bind ADDRESS       listen on this IPv4 or IPv6 address instead of 127.0.0.1, such as 0.0.0.0 (every
                       interface) or ::1; the first line printed is then socket://ADDRESS:PORT
                       (socket://[ADDRESS]:PORT for IPv6)
  --ids LIST           the projectors on the line, such as 001,002,003,004 (default 001)
                       A frame is for a projector when it carries no address, AFFF or A + its id;
                       of several projectors only the first answers frames without an address or AFFF.

Projector:
  --speed FACTOR       run the power cycle, lamp hours and heating FACTOR times faster (default 1:
                       30 s count down after ON, 60 s cooling after OFF)
  --fast               the same as --speed 60
  --lamp-hours N       lamp hours at start (default 1234); they advance while a lamp is lit
  --pressure N         air pressure sensor reading, 0 to 6553 (default 853, shown as 1013 hPa)
  --no-signal LIST     inputs without a signal, such as 2,3 (CRA then answers 80 on them)

Replies:
  Operations (C + two hex digits) and settings (CF ...) are answered ACK CR (bytes 06 0D).
  Status queries are answered with their value and CR: CR0 80/40/00/20 (stand by, count down, on,
  cooling), CR1 the input 1-3, CR3 lamp hours, CR4 11, CR6 intake and exhaust temperature as
  "035.2,041.8", CR7 lamp mode and lamps lit, CR9 the signal type of the current input, CRA mutes
  00-03 (80 no signal, FF in stand by), CR PRESSURE the sensor reading, CR INFPFAIL 00.
  Anything else is answered NAK CR (bytes 15 0D); an empty frame gets no answer.

Timing and faults:
  --delay MS           from the end of a frame to its reply (default 5)
  --no-reply           act on commands but answer nothing
  --no-reply-to CMD    give no answer to this command, such as CR0 (may be repeated)
  --split              send each reply in two pieces
  --split-gap MS       the time between the pieces (default 40)
  --garbage            mix one to three bytes above 127 into each reply
  --chatter RATE       send RATE random printable characters a second, all the time
  --hangup-after N     close the line once the reply to the N-th frame has gone, then exit
  --seed N             seed of the garbage and chatter bytes (default 1)

Log:
  Every frame received is logged as one line: milliseconds since start, RX, the frame, the projectors
  it was for and the reply, such as
    1532 RX "A001CR0" to 001 reply "00\r"
  --log FILE           write the log to FILE instead of standard error
  --quiet              no log

Signals:
  SIGUSR1              hang up the line now and exit
  SIGUSR2              stop answering, or answer again (commands still act)
  SIGTERM, SIGINT      exit

Information:
  -h, --help           print this text and exit
  --version            print the version and exit
)";
}

} // namespace q7sim
