// SPDX-License-Identifier: MIT
#pragma once
// The serial ports a computer has, as the system describes them, and which of them stand for port 1 and port
// 2 when the command line names none. Pure: the list is found elsewhere (qt/port_discovery.h).

#include "base/message.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace q7 {

struct SerialPortInfo {
    std::string path; // /dev/ttyUSB0, COM3
    // Empty where the system does not know them.
    std::string description;
    std::string manufacturer;
    std::string serialNumber;
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::string byId; // the /dev/serial/by-id/... link that leads to it, or empty
};

struct ChosenPort {
    enum class Source { CommandLine, Found, Fallback };
    std::string device;
    Source source = Source::Fallback;
};

// Built-in ports (ttyS*) and Windows' (COM*) first, then USB adapters (ttyUSB*, ttyACM*, or any with a USB
// vendor id) by by-id name where they have one, else by path, then the rest by path; numbers in names compare
// as numbers.
std::vector<SerialPortInfo> orderPorts(std::vector<SerialPortInfo> ports);

// Port 1 and port 2: the device given for each, else the first of the ordered ports that the other port does
// not already have, else its own fallback (the other one where the other port has it). Port 2 is chosen after
// port 1, so port 1 avoids port 2's device only when the command line named it. Devices are the same when
// resolve, which follows links, leads them to the same path.
using Resolve = std::function<std::string(const std::string&)>;
std::array<ChosenPort, 2> choosePorts(const std::vector<SerialPortInfo>& present,
                                      const std::optional<std::string>& com1,
                                      const std::optional<std::string>& com2,
                                      const std::array<std::string, 2>& fallbacks, const Resolve& resolve);

// What --list-ports prints, a line each: the ports in order, then the devices behind port 1 and port 2.
std::vector<Message> listPortsText(const std::vector<SerialPortInfo>& present,
                                   const std::array<ChosenPort, 2>& chosen);

// For a message about a device that does not exist: the ports there are, or that there is none; without a
// full stop, which the message adds.
Message portsPresentText(const std::vector<SerialPortInfo>& present);

} // namespace q7
