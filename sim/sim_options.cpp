// SPDX-License-Identifier: MIT
#include "sim_options.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

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
    auto millis = [](Millis& target) {
        return Setter([&target](const std::string& v) {
            long long ms = 0;
            if (!parseNumber(v, ms) || ms < 0) return std::string("needs a number of milliseconds");
            target = Millis(ms);
            return std::string();
        });
    };
    auto count = [](int& target, int min) {
        return Setter([&target, min](const std::string& v) {
            int n = 0;
            if (!parseNumber(v, n) || n < min) return "needs a whole number from " + std::to_string(min);
            target = n;
            return std::string();
        });
    };

    // clang-format off
    const std::map<std::string, Setter, std::less<>> withValue{
        {"--device", [&](const std::string& v) { o.device = v; return std::string(); }},
        {"--baud", count(o.baud, 50)},
        {"--tcp", [&](const std::string& v) {
             int port = 0;
             if (!parseNumber(v, port) || port < 0 || port > 65535)
                 return std::string("needs a port from 0 to 65535");
             o.tcpPort = port;
             return std::string();
         }},
        {"--bind", [&](const std::string& v) {
             if (!isAddressLiteral(v)) return std::string("needs an IPv4 or IPv6 address, such as 0.0.0.0 or ::1");
             o.bindAddress = v;
             bindGiven = true;
             return std::string();
         }},
        {"--ids", [&](const std::string& v) { o.ids = splitList(v); return checkIds(o.ids); }},
        {"--speed", [&](const std::string& v) {
             double f = 0;
             if (!parseNumber(v, f) || !std::isfinite(f) || f <= 0) return std::string("needs a factor above 0");
             o.projector.speed = f;
             return std::string();
         }},
        {"--lamp-hours", count(o.projector.lampHours, 0)},
        {"--pressure", [&](const std::string& v) {
             int n = 0;
             // The panel multiplies the reading by 5 in 16 bits.
             if (!parseNumber(v, n) || n < 0 || n > 6553) return std::string("needs a reading from 0 to 6553");
             o.projector.pressureReading = n;
             return std::string();
         }},
        {"--no-signal", [&](const std::string& v) {
             for (const std::string& item : splitList(v)) {
                 int input = 0;
                 if (!parseNumber(item, input) || input < 1 || input > 3) return std::string("needs inputs 1 to 3");
                 o.projector.signalPresent[static_cast<std::size_t>(input - 1)] = false;
             }
             return std::string();
         }},
        {"--delay", millis(o.faults.delay)},
        {"--no-reply-to", [&](const std::string& v) { o.faults.noReplyTo.push_back(v); return std::string(); }},
        {"--split-gap", millis(o.faults.splitGap)},
        {"--chatter", [&](const std::string& v) {
             double rate = 0;
             if (!parseNumber(v, rate) || !std::isfinite(rate) || rate <= 0 || rate > 10000000)
                 return std::string("needs characters per second, above 0 and at most 10000000");
             o.faults.chatterRate = rate;
             return std::string();
         }},
        {"--hangup-after", count(o.faults.hangUpAfter, 1)},
        {"--seed", [&](const std::string& v) {
             return parseNumber(v, o.faults.seed) ? std::string() : std::string("needs a whole number");
         }},
        {"--log", [&](const std::string& v) { o.logFile = v; return std::string(); }},
    };
    const std::map<std::string, std::function<void()>, std::less<>> flags{
        {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
        {"--version", [&] { o.version = true; }},
        {"--fast", [&] { o.projector.speed = kFastSpeed; }},
        {"--no-reply", [&] { o.faults.noReply = true; }},
        {"--split", [&] { o.faults.split = true; }},
        {"--garbage", [&] { o.faults.garbage = true; }},
        {"--quiet", [&] { o.quiet = true; }},
    };
    // clang-format on

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        }
        if (const auto flag = flags.find(option); flag != flags.end() && !value) {
            flag->second();
            continue;
        }
        const auto setter = withValue.find(option);
        if (setter == withValue.end()) {
            o.error = "unknown option: " + args[i];
            return o;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                o.error = "option " + option + " needs a value";
                return o;
            }
            value = args[++i];
        }
        if (std::string problem = setter->second(*value); !problem.empty()) {
            o.error = "option " + option + " " + problem;
            return o;
        }
    }
    if (o.tcpPort && o.device) o.error = "options --tcp and --device cannot be combined";
    if (bindGiven && !o.tcpPort) o.error = "option --bind needs --tcp";
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
