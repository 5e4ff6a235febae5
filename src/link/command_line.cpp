// SPDX-License-Identifier: MIT
#include "link/command_line.h"

#include "link/port_address.h"

namespace q7 {

Result<CommandLine> parseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    const auto needsDevice = [](const std::string& option) {
        return failure(Message(Text::q7tr("option %1 needs a device name"), {Message::verbatim(option)}));
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            continue;
        }
        if (arg == "--list-ports") {
            result.listPorts = true;
            continue;
        }
        if (arg == "--version") {
            result.version = true;
            continue;
        }
        std::optional<std::string>* target = nullptr;
        std::string option = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            option = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (option == "--com1")
            target = &result.com1;
        else if (option == "--com2")
            target = &result.com2;
        else if (option == "--log")
            target = &result.log;
        else if (option == "--log-size")
            target = &result.logSize;
        if (!target) return failure(Message(Text::q7tr("unknown option: %1"), {Message::verbatim(arg)}));
        const bool port = option == "--com1" || option == "--com2";
        if (!value) {
            // "--com1 --help" names no device: the next option is not taken for one.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
                return port ? needsDevice(option)
                            : failure(Message(Text::q7tr("option %1 needs a value"),
                                              {Message::verbatim(option)}));
            value = args[++i];
        }
        if (value->empty()) return needsDevice(option);
        if (!port) {
            *target = *value;
            continue;
        }
        if (const Result<PortAddress> address = parsePortAddress(*value); !address)
            return failure(
                Message(Text::q7tr("option %1: %2"), {Message::verbatim(option), address.error()}));
        *target = *value;
    }
    return result;
}

Message usageText(const std::string& program) {
    return Message(
        Text::q7tr(
            "Usage: %1 [--com1 DEVICE] [--com2 DEVICE] [--log FILE [--log-size BYTES]] [--list-ports]\n"
            "Control panel for Q7 and Q7L projectors on an RS-232C line.\n"
            "\n"
            "Options:\n"
            "  --com1 DEVICE  the device behind port 1\n"
            "  --com2 DEVICE  the device behind port 2\n"
            "  --log FILE     append every frame, every reply and what becomes of the port to FILE\n"
            "  --log-size BYTES  keep FILE below BYTES (K and M for 1024 and 1048576; default 10M), the\n"
            "                 older lines in FILE.1\n"
            "  --list-ports   list the serial ports present and the devices behind port 1 and 2, and exit\n"
            "  --help         print this text and exit\n"
            "  --version      print the version and exit\n"
            "\n"
            "DEVICE may be a USB adapter such as /dev/ttyUSB0 or a pseudo-terminal, or a serial device "
            "server\n"
            "on the network: rfc2217://HOST:PORT (Telnet, the line set by the panel) or socket://HOST:PORT\n"
            "(raw TCP, the line set on the server).\n"
            "Without --com1 and --com2, port 1 and port 2 are the first two serial ports present: built-in\n"
            "ports (/dev/ttyS*) first, then USB adapters (/dev/ttyUSB*, /dev/ttyACM*) in the order of their\n"
            "/dev/serial/by-id names. Where fewer are present, /dev/ttyS0 and /dev/ttyS1.\n"),
        {Message::verbatim(program)});
}

} // namespace q7
