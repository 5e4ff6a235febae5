// SPDX-License-Identifier: MIT
#pragma once
// What --com1 and --com2 name: a serial device, or a serial device server on the network as
// socket://HOST:PORT (raw TCP, the line set on the server) or rfc2217://HOST:PORT (Telnet with the
// COM-PORT-CONTROL option, the line set by the panel). HOST is a name, an IPv4 address or an IPv6 address in
// brackets, [::1].

#include "base/message.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace q7 {

struct PortAddress {
    enum class Kind { Device, RawTcp, Rfc2217 };
    Kind kind = Kind::Device;
    std::string device;     // Kind::Device: the name as given
    std::string host;       // network kinds: without the brackets of an IPv6 address
    std::uint16_t port = 0; // network kinds: 1 to 65535

    // The address as a user writes it, for messages: the device name, or the URL in its usual spelling.
    std::string display() const;
};

// The host at the start of rest (a name, an IPv4 address, or an IPv6 address in brackets), taken off rest;
// what follows it is left for the caller. noHost says how to write the address when there is none.
Result<std::string> takeHost(std::string_view& rest, const Message& noHost);

// Text without "://" and without a known scheme and colon in front is a device name, kept as given. A failure
// is one line saying what is wrong, quoting the text.
Result<PortAddress> parsePortAddress(std::string_view text);

} // namespace q7
