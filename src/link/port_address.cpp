// SPDX-License-Identifier: MIT
#include "link/port_address.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace q7 {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool allOf(std::string_view text, bool (*accepted)(unsigned char)) {
    return std::all_of(text.begin(), text.end(),
                       [accepted](char c) { return accepted(static_cast<unsigned char>(c)); });
}

bool hostNameCharacter(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}
bool ipv6Character(unsigned char c) {
    return std::isxdigit(c) || c == ':' || c == '.';
}

} // namespace

std::string PortAddress::display() const {
    if (kind == Kind::Device) return device;
    const bool ipv6 = host.find(':') != std::string::npos;
    return std::string(kind == Kind::RawTcp ? "socket://" : "rfc2217://") + (ipv6 ? "[" + host + "]" : host) +
           ":" + std::to_string(port);
}

Result<std::string> takeHost(std::string_view& rest, const Message& noHost) {
    std::string_view host;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return failure(Message(Text::q7tr("the IPv6 address lacks its closing \"]\"")));
        host = rest.substr(1, close - 1);
        if (host.empty()) return failure(Message(Text::q7tr("no host between the brackets")));
        if (!allOf(host, ipv6Character) || host.find(':') == std::string_view::npos)
            return failure(Message(Text::q7tr("%1 is no IPv6 address"), {quoted(std::string(host))}));
        rest.remove_prefix(close + 1);
        return std::string(host);
    }
    if (std::count(rest.begin(), rest.end(), ':') > 1)
        return failure(Message(Text::q7tr("an IPv6 address is written in brackets, such as [::1]:4001")));
    host = rest.substr(0, rest.find(':'));
    if (host.empty()) return failure(noHost);
    if (!allOf(host, hostNameCharacter))
        return failure(Message(Text::q7tr("%1 is no host name or address"), {quoted(std::string(host))}));
    rest.remove_prefix(host.size());
    return std::string(host);
}

Result<PortAddress> parsePortAddress(std::string_view text) {
    const auto fail = [text](const Message& why) {
        return failure(Message(Text::q7tr("%1: %2"), {quoted(std::string(text)), why}));
    };
    const auto knownScheme = [](std::string_view scheme) {
        return equalsIgnoringCase(scheme, "socket") || equalsIgnoringCase(scheme, "rfc2217");
    };

    const std::size_t separator = text.find("://");
    if (separator == std::string_view::npos) {
        // "socket:host:4001" is a mistyped URL; as a device name it would only fail later, less clearly.
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos && knownScheme(text.substr(0, colon)))
            return fail(
                Message(Text::q7tr("a network port is written socket://HOST:PORT or rfc2217://HOST:PORT")));
        PortAddress device;
        device.device = std::string(text);
        return device;
    }

    PortAddress address;
    const std::string_view scheme = text.substr(0, separator);
    if (!knownScheme(scheme))
        return fail(Message(Text::q7tr("unknown scheme %1; use socket://HOST:PORT or rfc2217://HOST:PORT"),
                            {quoted(std::string(scheme))}));
    address.kind =
        equalsIgnoringCase(scheme, "socket") ? PortAddress::Kind::RawTcp : PortAddress::Kind::Rfc2217;

    std::string_view rest = text.substr(separator + 3);
    const Result<std::string> host =
        takeHost(rest, Message(Text::q7tr("no host; write socket://HOST:PORT or rfc2217://HOST:PORT")));
    if (!host) return fail(host.error());
    address.host = *host;

    if (rest.empty() || rest == ":")
        return fail(Message(Text::q7tr("no port; write socket://HOST:PORT or rfc2217://HOST:PORT")));
    if (rest.front() != ':')
        return fail(Message(Text::q7tr("unexpected %1 after the host"), {quoted(std::string(rest))}));
    rest.remove_prefix(1);
    const std::size_t digits = static_cast<std::size_t>(
        std::find_if_not(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; }) -
        rest.begin());
    if (digits == 0)
        return fail(
            Message(Text::q7tr("the port must be a decimal number, not %1"), {quoted(std::string(rest))}));
    if (digits < rest.size())
        return fail(Message(Text::q7tr("unexpected %1 after the port number"),
                            {quoted(std::string(rest.substr(digits)))}));
    unsigned long port = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + digits, port);
    if (ec != std::errc() || port == 0 || port > 65535)
        return fail(Message(Text::q7tr("the port must be from 1 to 65535")));
    address.port = static_cast<std::uint16_t>(port);
    return address;
}

} // namespace q7
