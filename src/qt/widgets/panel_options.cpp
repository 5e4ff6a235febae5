// SPDX-License-Identifier: MIT
#include "qt/widgets/panel_options.h"

#include "link/port_address.h"

#include "qt/core/option_parser.h"

namespace q7 {

Result<PanelOptions> parsePanelOptions(const QStringList& args) {
    const QCommandLineOption com1("com1", {}, "DEVICE"), com2("com2", {}, "DEVICE"), log("log", {}, "FILE"),
        logSize("log-size", {}, "BYTES"), listPorts("list-ports"), help(QStringList{"h", "help"}),
        version("version");
    const auto needsValue = [](const QString& option) {
        const bool port = option == "--com1" || option == "--com2";
        return failure(Message(port ? Text::q7tr("option %1 needs a device name")
                                    : Text::q7tr("option %1 needs a value"),
                               {Message::verbatim(option.toStdString())}));
    };
    QCommandLineParser parser;
    if (const std::optional<OptionFault> fault =
            parseOptions(parser, {com1, com2, log, logSize, listPorts, help, version}, args)) {
        if (fault->kind == OptionFault::Kind::MissingValue)
            return needsValue(QString::fromStdString(fault->text));
        if (fault->kind == OptionFault::Kind::Unknown)
            return failure(Message(Text::q7tr("unknown option: %1"), {Message::verbatim(fault->text)}));
        return failure(Message::verbatim(fault->text));
    }
    PanelOptions result;
    result.listPorts = parser.isSet(listPorts);
    result.help = parser.isSet(help);
    result.version = parser.isSet(version);
    for (const auto& [option, target] :
         {std::pair(&com1, &result.com1), std::pair(&com2, &result.com2), std::pair(&log, &result.log),
          std::pair(&logSize, &result.logSize)}) {
        if (!parser.isSet(*option)) continue;
        const std::string value = parser.value(*option).toStdString();
        const QString name = "--" + option->names()[0];
        if (value.empty()) return needsValue(name);
        if (target == &result.com1 || target == &result.com2)
            if (const Result<PortAddress> address = parsePortAddress(value); !address)
                return failure(Message(Text::q7tr("option %1: %2"),
                                       {Message::verbatim(name.toStdString()), address.error()}));
        *target = value;
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
