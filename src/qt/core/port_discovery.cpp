// SPDX-License-Identifier: MIT
#include "qt/core/port_discovery.h"

#include "qt/core/qt_line.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace q7 {

std::map<std::string, std::string> linksByTarget(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> links;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        links.push_back(it->path());
    std::sort(links.begin(), links.end());
    std::map<std::string, std::string> targets;
    for (const fs::path& link : links)
        if (const fs::path target = fs::canonical(link, ec); !ec)
            targets.emplace(target.string(), link.string());
    return targets;
}

std::vector<SerialPortInfo> presentSerialPorts() {
#ifdef Q_OS_WIN
    const std::map<std::string, std::string> byId;
#else
    const std::map<std::string, std::string> byId = linksByTarget("/dev/serial/by-id");
#endif
    std::vector<SerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortInfo port;
#ifdef Q_OS_WIN
        // COM3, as Device Manager names it, rather than its system location \\.\COM3.
        port.path = info.portName().toStdString();
#else
        port.path = info.systemLocation().toStdString();
#endif
        port.description = info.description().toStdString();
        port.manufacturer = info.manufacturer().toStdString();
        port.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) port.productId = info.productIdentifier();
        if (const auto link = byId.find(port.path); link != byId.end()) port.byId = link->second;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string defaultDevice(int port) {
#ifdef Q_OS_WIN
    return port == 2 ? "COM2" : "COM1";
#else
    return port == 2 ? "/dev/ttyS1" : "/dev/ttyS0";
#endif
}

std::array<ChosenPort, 2> portsToUse(const std::optional<std::string>& com1,
                                     const std::optional<std::string>& com2,
                                     const std::vector<SerialPortInfo>& present) {
#ifdef Q_OS_WIN
    // com3 and \\.\COM3 are COM3. The ports in order of their numbers: COM1 and COM2 where both are there.
    const Resolve resolve = [](const std::string& name) { return QtLine::devicePath(name); };
#else
    // A link named for one port (/dev/serial/by-path/...) is the device it leads to, which the other port
    // must not get as well.
    const Resolve resolve = [](const std::string& name) {
        std::error_code ec;
        const std::filesystem::path device = std::filesystem::canonical(QtLine::devicePath(name), ec);
        return ec ? name : device.string();
    };
#endif
    return choosePorts(present, com1, com2, {defaultDevice(1), defaultDevice(2)}, resolve);
}

} // namespace q7
