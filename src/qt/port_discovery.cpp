// SPDX-License-Identifier: MIT
#include "qt/port_discovery.h"

#include "qt/qt_serial_port.h"

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
    const std::map<std::string, std::string> byId = linksByTarget("/dev/serial/by-id");
    std::vector<SerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortInfo port;
        port.path = info.systemLocation().toStdString();
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

std::array<ChosenPort, 2> portsToUse(const CommandLine& options, const std::vector<SerialPortInfo>& present) {
#ifdef Q_OS_WIN
    (void)present;
    return choosePorts({}, options.com1, options.com2, {defaultDevice(1), defaultDevice(2)});
#else
    return choosePorts(present, options.com1, options.com2, {defaultDevice(1), defaultDevice(2)});
#endif
}

} // namespace q7
