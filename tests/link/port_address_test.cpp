// SPDX-License-Identifier: MIT
// What names a port: a device or a network address.
#include "link/port_address.h"

#include <gtest/gtest.h>

#include <tuple>

namespace q7 {
namespace {

using Kind = PortAddress::Kind;

struct Accepted {
    const char* text;
    Kind kind;
    const char* host; // the device name for Kind::Device
    int port;
    const char* display; // nullptr: the text as given
};

// clang-format off
const Accepted kAccepted[] = {
    {"/dev/ttyUSB0",               Kind::Device,  "/dev/ttyUSB0",          0,     nullptr},
    {"COM3",                       Kind::Device,  "COM3",                  0,     nullptr},
    {"/dev/by-id/usb-FTDI:x",      Kind::Device,  "/dev/by-id/usb-FTDI:x", 0,     nullptr},
    {"socket://192.168.1.20:4001", Kind::RawTcp,  "192.168.1.20",          4001,  nullptr},
    {"rfc2217://hall-3.lan:2217",  Kind::Rfc2217, "hall-3.lan",            2217,  nullptr},
    {"rfc2217://[::1]:7000",       Kind::Rfc2217, "::1",                   7000,  nullptr},
    {"socket://[fe80::1:2]:1",     Kind::RawTcp,  "fe80::1:2",             1,     nullptr},
    {"SOCKET://h:65535",           Kind::RawTcp,  "h",                     65535, "socket://h:65535"},
    {"socket://h:007",             Kind::RawTcp,  "h",                     7,     "socket://h:7"},
};

struct Refused {
    const char* text;
    const char* reason; // a part of the message
};

const Refused kRefused[] = {
    {"socket://h",                 "no port"},
    {"socket://h:",                "no port"},
    {"rfc2217://[::1]",            "no port"},
    {"socket://h:0",               "from 1 to 65535"},
    {"socket://h:65536",           "from 1 to 65535"},
    {"socket://h:99999999999999999999", "from 1 to 65535"},
    {"socket://h:abc",             "decimal"},
    {"socket://h:-1",              "decimal"},
    {"socket://h:+1",              "decimal"},
    {"xyz://h:1",                  "unknown scheme \"xyz\""},
    {"://h:1",                     "unknown scheme \"\""},
    {"socket://:4001",             "no host"},
    {"rfc2217://[]:4001",          "no host"},
    {"socket://h:4001/path",       "\"/path\" after the port"},
    {"socket://h:4001 ",           "\" \" after the port"},
    {"rfc2217://[::1]x:4001",      "\"x:4001\" after the host"},
    {"rfc2217://[::1:4001",        "closing"},
    {"rfc2217://::1:4001",         "brackets"},
    {"rfc2217://[h]:4001",         "no IPv6 address"},
    {"socket://user@h:4001",       "no host name"},
    {"socket:h:4001",              "socket://HOST:PORT"},
    {"rfc2217:/h:4001",            "socket://HOST:PORT"},
};
// clang-format on

TEST(PortAddress, DevicesAndNetworkAddresses) {
    for (const Accepted& a : kAccepted) {
        const Result<PortAddress> parsed = parsePortAddress(a.text);
        ASSERT_TRUE(parsed.has_value()) << a.text;
        EXPECT_EQ(parsed->kind, a.kind) << a.text;
        EXPECT_EQ(a.kind == Kind::Device ? parsed->device : parsed->host, a.host) << a.text;
        EXPECT_EQ(parsed->port, a.port) << a.text;
        EXPECT_EQ(parsed->display(), a.display ? a.display : a.text) << a.text;
    }
}

TEST(PortAddress, MalformedAddressesAreRefusedInOneLineQuotingTheText) {
    for (const Refused& r : kRefused) {
        const std::string error = parsePortAddress(r.text).error().english();
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.text << ": " << error;
        EXPECT_EQ(error.rfind('"' + std::string(r.text) + "\": ", 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

} // namespace
} // namespace q7
