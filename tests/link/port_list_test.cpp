// SPDX-License-Identifier: MIT
// Made-up port lists: what a machine has differs.
#include "link/port_list.h"

#include <gtest/gtest.h>

namespace q7 {
namespace {

using Source = ChosenPort::Source;
const std::array<std::string, 2> kFallbacks{"/dev/ttyS0", "/dev/ttyS1"};

SerialPortInfo port(const std::string& path, const std::string& byId = "") {
    SerialPortInfo p;
    p.path = path;
    p.byId = byId;
    return p;
}

std::vector<std::string> paths(const std::vector<SerialPortInfo>& ports) {
    std::vector<std::string> out;
    for (const SerialPortInfo& p : ports)
        out.push_back(p.path);
    return out;
}

TEST(PortList, BuiltInFirstThenAdaptersByIdThenByPathThenTheRest) {
    SerialPortInfo exar = port("/dev/ttyXRUSB0");
    exar.vendorId = 0x04e2;
    const std::vector<SerialPortInfo> machine{exar,
                                              port("/dev/rfcomm0"),
                                              port("/dev/ttyACM0"),
                                              port("/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_C"),
                                              port("/dev/ttyS10"),
                                              port("/dev/ttyUSB10"),
                                              port("/dev/ttyUSB1", "/dev/serial/by-id/usb-FTDI_B"),
                                              port("/dev/ttyS2"),
                                              port("/dev/ttyUSB2")};
    EXPECT_EQ(
        paths(orderPorts(machine)),
        (std::vector<std::string>{"/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyACM0",
                                  "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyXRUSB0", "/dev/rfcomm0"}));
}

// Each device, marked given (by the command line), found (among the ports present) or default.
std::string shown(const std::array<ChosenPort, 2>& chosen) {
    const char* how[] = {"given", "found", "default"};
    return chosen[0].device + " " + how[static_cast<int>(chosen[0].source)] + ", " + chosen[1].device + " " +
           how[static_cast<int>(chosen[1].source)];
}

TEST(PortList, PortOneAndPortTwo) {
    const SerialPortInfo usb0 = port("/dev/ttyUSB0", "/dev/serial/by-id/usb-Prolific_Z");
    const SerialPortInfo usb1 = port("/dev/ttyUSB1", "/dev/serial/by-id/usb-FTDI_A");
    const std::optional<std::string> none;
    static const std::string kByPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0";
    struct Case {
        std::vector<SerialPortInfo> present;
        std::optional<std::string> com1, com2;
        const char* expected;
    } const cases[] = {
        {{}, none, none, "/dev/ttyS0 default, /dev/ttyS1 default"},
        {{usb0}, none, none, "/dev/ttyUSB0 found, /dev/ttyS1 default"},
        {{port("/dev/ttyS1")}, none, none, "/dev/ttyS1 found, /dev/ttyS0 default"},
        {{usb0, usb1, port("/dev/ttyS0")}, none, none, "/dev/ttyS0 found, /dev/ttyUSB1 found"},
        {{usb0, usb1}, none, none, "/dev/ttyUSB1 found, /dev/ttyUSB0 found"},
        {{usb0, usb1}, "/dev/ttyUSB1", none, "/dev/ttyUSB1 given, /dev/ttyUSB0 found"},
        {{usb0, usb1},
         "/dev/serial/by-id/usb-FTDI_A",
         none,
         "/dev/serial/by-id/usb-FTDI_A given, /dev/ttyUSB0 found"},
        {{usb0}, "/dev/pts/4", none, "/dev/pts/4 given, /dev/ttyUSB0 found"},
        {{usb0}, none, "/dev/ttyUSB0", "/dev/ttyS0 default, /dev/ttyUSB0 given"},
        {{}, none, "/dev/ttyS0", "/dev/ttyS1 default, /dev/ttyS0 given"},
        {{}, "/dev/ttyS1", none, "/dev/ttyS1 given, /dev/ttyS0 default"},
        {{usb0}, "a", "b", "a given, b given"},
        // A link named for port 1 is the device it leads to.
        {{usb0, usb1},
         "/dev/serial/by-path/pci-0:1.0-port0",
         none,
         "/dev/serial/by-path/pci-0:1.0-port0 given, /dev/ttyUSB1 found"},
        // A link to the port that would come first leaves the default to the other one.
        {{port("/dev/ttyUSB1"), port("/dev/ttyUSB0")},
         kByPath,
         none,
         "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0 given, /dev/ttyUSB1 found"},
        {{port("/dev/ttyUSB1"), port("/dev/ttyUSB0")},
         none,
         kByPath,
         "/dev/ttyUSB1 found, /dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0 given"},
    };
    const Resolve links = [](const std::string& name) {
        if (name == "/dev/serial/by-path/pci-0:1.0-port0" || name == kByPath)
            return std::string("/dev/ttyUSB0");
        return name;
    };
    for (const Case& c : cases)
        EXPECT_EQ(shown(choosePorts(c.present, c.com1, c.com2, kFallbacks, links)), c.expected);
}

// Windows: by number, adapters among them; COM1 and COM2 where both are there, else the first two.
TEST(PortList, WindowsPortsByNumber) {
    SerialPortInfo usb = port("COM10");
    usb.vendorId = 0x0403;
    const std::optional<std::string> none;
    const std::pair<std::vector<SerialPortInfo>, const char*> cases[] = {
        {{port("COM2"), usb, port("COM1")}, "COM1 found, COM2 found"},
        {{usb, port("COM3"), port("COM2")}, "COM2 found, COM3 found"},
        {{usb}, "COM10 found, COM2 default"},
        {{}, "COM1 default, COM2 default"},
    };
    for (const auto& [present, expected] : cases)
        EXPECT_EQ(shown(choosePorts(present, none, none, {"COM1", "COM2"}, [](auto& n) { return n; })),
                  expected);
}

TEST(PortList, ListAndSentence) {
    SerialPortInfo ftdi =
        port("/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ3-if00-port0");
    ftdi.description = "FT232R USB UART";
    ftdi.manufacturer = "FTDI";
    ftdi.serialNumber = "A10KZ3";
    ftdi.vendorId = 0x0403;
    ftdi.productId = 0x6001;
    SerialPortInfo acm = port("/dev/ttyACM0");
    acm.vendorId = 0x2341;
    SerialPortInfo odd = port("/dev/ttyACM1");
    odd.productId = 0x00af;
    const std::vector<SerialPortInfo> present{odd, acm, ftdi, port("/dev/ttyS0")};
    const std::array<ChosenPort, 2> chosen{ChosenPort{"/dev/ttyS0", Source::Found},
                                           ChosenPort{"/dev/pts/3", Source::CommandLine}};
    const auto text = [](const std::vector<Message>& lines) {
        std::string out;
        for (const Message& line : lines)
            out += line.english() + "\n";
        return out;
    };
    EXPECT_EQ(text(listPortsText(present, chosen)),
              "Serial ports on this computer:\n"
              "  /dev/ttyS0\n"
              "  /dev/ttyUSB0  FT232R USB UART, manufacturer FTDI, serial number A10KZ3, USB id 0403:6001, "
              "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10KZ3-if00-port0\n"
              "  /dev/ttyACM0  USB vendor 2341\n"
              "  /dev/ttyACM1  USB product 00af\n"
              "Port 1: /dev/ttyS0\n"
              "Port 2: /dev/pts/3 (--com2)\n");
    EXPECT_EQ(portsPresentText(present).english(),
              "Serial ports on this computer: /dev/ttyS0, /dev/ttyUSB0 (FT232R USB UART), "
              "/dev/ttyACM0, /dev/ttyACM1");

    const std::array<ChosenPort, 2> fallbacks{ChosenPort{"/dev/ttyS0", Source::Fallback},
                                              ChosenPort{"/dev/ttyS1", Source::Fallback}};
    EXPECT_EQ(text(listPortsText({}, fallbacks)),
              "No serial port was found on this computer.\n"
              "Port 1: /dev/ttyS0 (the default, as no other port was found)\n"
              "Port 2: /dev/ttyS1 (the default, as no other port was found)\n");
    EXPECT_EQ(portsPresentText({}).english(), "No serial port was found on this computer");
}

} // namespace
} // namespace q7
