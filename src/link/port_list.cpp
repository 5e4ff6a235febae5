// SPDX-License-Identifier: MIT
#include "link/port_list.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace q7 {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// ttyUSB2 before ttyUSB10: the order a user counts in.
bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && isDigit(a[ie]))
                ++ie;
            while (je < b.size() && isDigit(b[je]))
                ++je;
            const std::string_view na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

bool named(const SerialPortInfo& port, std::string_view prefix) {
    const std::size_t slash = port.path.rfind('/');
    return std::string_view(port.path)
               .substr(slash == std::string::npos ? 0 : slash + 1)
               .substr(0, prefix.size()) == prefix;
}

// Windows' ports (COM1, COM10) go by number alone, adapters among them: the number is the name users know.
int rank(const SerialPortInfo& port) {
    if (named(port, "ttyS") || named(port, "COM")) return 0;
    if (named(port, "ttyUSB") || named(port, "ttyACM") || port.vendorId) return 1;
    return 2;
}

// ttyUSB numbers follow the order of plugging in; a by-id name (maker, model, serial number) stays with the
// adapter, so the same adapter stays port 1 from one start to the next. (Adapters with one come first:
// /dev/serial/by-id/ sorts before /dev/tty.)
std::string_view sortName(const SerialPortInfo& port) {
    return port.byId.empty() ? port.path : port.byId;
}

bool sameDevice(const SerialPortInfo& port, const std::string& device, const Resolve& resolve) {
    return device == port.path || (!port.byId.empty() && device == port.byId) || resolve(device) == port.path;
}

std::string hex4(std::uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

Message describe(const SerialPortInfo& port) {
    std::vector<Message> parts;
    if (!port.description.empty()) parts.push_back(Message::verbatim(port.description));
    if (!port.manufacturer.empty())
        parts.push_back(Message(Text::q7tr("manufacturer %1"), {Message::verbatim(port.manufacturer)}));
    if (!port.serialNumber.empty())
        parts.push_back(Message(Text::q7tr("serial number %1"), {Message::verbatim(port.serialNumber)}));
    if (port.vendorId && port.productId)
        parts.push_back(Message(Text::q7tr("USB id %1:%2"), {Message::verbatim(hex4(*port.vendorId)),
                                                             Message::verbatim(hex4(*port.productId))}));
    else if (port.vendorId)
        parts.push_back(Message(Text::q7tr("USB vendor %1"), {Message::verbatim(hex4(*port.vendorId))}));
    else if (port.productId)
        parts.push_back(Message(Text::q7tr("USB product %1"), {Message::verbatim(hex4(*port.productId))}));
    if (!port.byId.empty()) parts.push_back(Message::verbatim(port.byId));
    Message text = Message::verbatim(port.path);
    for (std::size_t i = 0; i < parts.size(); ++i)
        text = Message(i == 0 ? "%1  %2" : "%1, %2", {text, parts[i]});
    return text;
}

} // namespace

std::vector<SerialPortInfo> orderPorts(std::vector<SerialPortInfo> ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        return naturalLess(sortName(a), sortName(b));
    });
    return ports;
}

std::array<ChosenPort, 2> choosePorts(const std::vector<SerialPortInfo>& present,
                                      const std::optional<std::string>& com1,
                                      const std::optional<std::string>& com2,
                                      const std::array<std::string, 2>& fallbacks, const Resolve& resolve) {
    std::array<ChosenPort, 2> chosen;
    const std::optional<std::string>* given[2] = {&com1, &com2};
    for (int k = 0; k < 2; ++k)
        if (*given[k]) chosen[k] = {**given[k], ChosenPort::Source::CommandLine};
    const std::vector<SerialPortInfo> ordered = orderPorts(present);
    for (int k = 0; k < 2; ++k) {
        if (*given[k]) continue;
        const std::string* taken = k == 1 || *given[1] ? &chosen[1 - k].device : nullptr;
        const auto found = std::find_if(ordered.begin(), ordered.end(), [&](const SerialPortInfo& port) {
            return !taken || !sameDevice(port, *taken, resolve);
        });
        if (found != ordered.end())
            chosen[k] = {found->path, ChosenPort::Source::Found};
        else
            chosen[k] = {taken && *taken == fallbacks[k] ? fallbacks[1 - k] : fallbacks[k],
                         ChosenPort::Source::Fallback};
    }
    return chosen;
}

std::vector<Message> listPortsText(const std::vector<SerialPortInfo>& present,
                                   const std::array<ChosenPort, 2>& chosen) {
    std::vector<Message> lines{present.empty()
                                   ? Message(Text::q7tr("No serial port was found on this computer."))
                                   : Message(Text::q7tr("Serial ports on this computer:"))};
    for (const SerialPortInfo& port : orderPorts(present))
        lines.push_back(Message("  %1", {describe(port)}));
    for (int k = 0; k < 2; ++k) {
        const ChosenPort& port = chosen[k];
        const Message number = Message::number(k + 1), device = Message::verbatim(port.device);
        if (port.source == ChosenPort::Source::CommandLine)
            lines.push_back(Message(Text::q7tr("Port %1: %2 (--com%1)"), {number, device}));
        else if (port.source == ChosenPort::Source::Fallback)
            lines.push_back(Message(Text::q7tr("Port %1: %2 (the default, as no other port was found)"),
                                    {number, device}));
        else
            lines.push_back(Message(Text::q7tr("Port %1: %2"), {number, device}));
    }
    return lines;
}

Message portsPresentText(const std::vector<SerialPortInfo>& present) {
    if (present.empty()) return Message(Text::q7tr("No serial port was found on this computer"));
    std::string list;
    const std::vector<SerialPortInfo> ordered = orderPorts(present);
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        list += (i ? ", " : "") + ordered[i].path;
        if (!ordered[i].description.empty()) list += " (" + ordered[i].description + ")";
    }
    return Message(Text::q7tr("Serial ports on this computer: %1"), {Message::verbatim(list)});
}

} // namespace q7
