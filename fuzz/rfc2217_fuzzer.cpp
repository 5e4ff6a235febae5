// SPDX-License-Identifier: MIT
// Whatever a serial device server may send, in arbitrary chunks, through the Telnet/RFC 2217 codec; the same
// bytes as a port address and as line settings.
// Input: [flags][length][chunk]...; flags bit 0: the opening was sent, bit 1: line settings asked first,
// bit 2: asked again after each chunk. The first chunk also serves as the line settings text.

#include "link/line_settings.h"
#include "link/port_address.h"
#include "link/rfc2217.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Per chunk at most one answer byte per byte received, plus the four line commands once.
constexpr std::size_t kLineCommandsMax = 64;

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void checkAddress(const std::string& text) {
    const q7::Result<q7::PortAddress> parsed = q7::parsePortAddress(text);
    if (!parsed || parsed->kind == q7::PortAddress::Kind::Device) return;
    check(parsed->port != 0, "port 0 accepted");
    const q7::Result<q7::PortAddress> again = q7::parsePortAddress(parsed->display());
    check(again && again->kind == parsed->kind && again->host == parsed->host && again->port == parsed->port,
          "display() does not parse back to the same address");
}

// Escaped data fed back in two pieces after BINARY from the server gives the data back.
void checkRoundTrip(const std::string& data, std::size_t split) {
    q7::Rfc2217Client client;
    (void)client.feed(std::string_view("\xFF\xFB\x00", 3));
    const std::string escaped = q7::Rfc2217Client::escape(data);
    split %= escaped.size() + 1;
    std::string back = client.feed(std::string_view(escaped).substr(0, split))->data;
    back += client.feed(std::string_view(escaped).substr(split))->data;
    check(back == data, "escape and feed do not round-trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string all(reinterpret_cast<const char*>(data), size);
    checkAddress(all.substr(1));

    const std::uint8_t flags = data[0];
    q7::Rfc2217Client client;
    q7::LineSettings line;
    if (flags & 1) client.opening();
    if (flags & 2) client.setLine(line);
    for (std::size_t i = 1; i < size;) {
        const std::size_t length = std::min<std::size_t>(data[i], size - i - 1);
        const std::string_view chunk(all.data() + i + 1, length);
        if (i == 1)
            if (const q7::Result<q7::LineSettings> parsed = q7::parseLineSettings(chunk)) line = *parsed;
        i += 1 + length;

        const q7::Result<q7::Rfc2217Client::Output> out = client.feed(chunk);
        if (!out) {
            check(!out.error().english().empty(), "failure without a reason");
            check(!client.feed(chunk) && !client.ready(), "a failure that does not last");
            return 0;
        }
        check(out->data.size() <= chunk.size(), "more data out than bytes in");
        check(out->reply.size() <= chunk.size() + kLineCommandsMax, "answers grow faster than requests");
        check(client.heldBytes() <= q7::Rfc2217Client::kSubnegotiationLimit,
              "subnegotiation buffer unbounded");
        const auto lineState = client.lineState();
        if (lineState == q7::Rfc2217Client::LineState::Different)
            check(!client.lineProblem().empty(), "line difference without a text");
        if (lineState == q7::Rfc2217Client::LineState::Confirmed)
            check(client.lineProblem().empty(), "line confirmed with a difference");
        if (flags & 4) client.setLine(line);
        checkRoundTrip(std::string(chunk), flags >> 3);
    }
    return 0;
}
