// SPDX-License-Identifier: MIT
#pragma once
// The serial ports of this computer, as QSerialPortInfo finds them, and the devices behind port 1 and port 2.

#include "link/port_list.h"

#include <map>
#include <optional>

namespace q7 {

// Each with the /dev/serial/by-id link that leads to it, where there is one.
std::vector<SerialPortInfo> presentSerialPorts();

// The device each link in `folder` leads to, mapped to the link's path (the first by name where several lead
// to one device); empty where the folder does not exist.
std::map<std::string, std::string> linksByTarget(const std::string& folder);

// What port 1 and port 2 are where no other port is found: /dev/ttyS0 and /dev/ttyS1, COM1 and COM2 on
// Windows.
std::string defaultDevice(int port);

// com1 and com2 are the devices named for port 1 and port 2, if any. On Windows COM1 and COM2 where both
// are present, else the first two present by number.
std::array<ChosenPort, 2> portsToUse(const std::optional<std::string>& com1,
                                     const std::optional<std::string>& com2,
                                     const std::vector<SerialPortInfo>& present);

} // namespace q7
