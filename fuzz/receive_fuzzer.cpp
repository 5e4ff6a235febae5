// SPDX-License-Identifier: MIT
// Arbitrary byte chunks as receive events, after any query and prefix, through the trace and the decoder.
// Input: [query][projector][length][chunk]...; every chunk is one receive event, some after a reply window.

#include "display/status_decoder.h"
#include "display/trace.h"
#include "fake_window.h"
#include "protocol/command_catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

const char* const kSenders[] = {"Command44", "Command45", "Command46", "Command54", "Command47", "Command55",
                                "Command38", "Command12", "Command99", "Command52", "Command17", "Command95"};
// The senders whose answers only a code table may decode.
bool answeredByACodeTable(const char* sender) {
    for (const char* s : {"Command44", "Command45", "Command47", "Command12", "Command55"})
        if (std::string_view(s) == sender) return true;
    return false;
}
const char* const kProjectors[] = {"Option3", "Option4", "Option5", "Option6", "Option7", "Option8"};

void check(bool ok, const char* what, const std::string& text) {
    if (ok) return;
    std::fprintf(stderr, "%s: [%s]\n", what, text.c_str());
    std::abort();
}

bool printable(const std::string& s) {
    for (char c : s)
        if (c < 32 || c > 126) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    q7::test::Panel p;
    p.form.click(q7::test::id(kProjectors[data[1] % std::size(kProjectors)]));
    if (data[0] & 0x80) p.ui.setText(q7::Text1, "CR0");
    const char* sender = kSenders[data[0] % std::size(kSenders)];
    p.form.click(q7::test::id(sender));
    const bool codeTable =
        answeredByACodeTable(sender) || (std::string_view(sender) == "Command95" && data[0] & 0x80);
    if (data[0] & 0x40) p.form.click(q7::test::id(kProjectors[(data[1] >> 4) % std::size(kProjectors)]));
    static const std::regex pressure("-?[0-9]+ hPa");
    std::size_t i = 2;
    while (i < size) {
        const std::size_t length = std::min<std::size_t>(data[i] & 0x7F, size - i - 1);
        const bool afterWindow = data[i] & 0x80;
        ++i;
        if (afterWindow) p.ui.clock.advance(600);
        p.receive(std::string(reinterpret_cast<const char*>(data + i), length));
        i += length;
        check(p.rxd() == q7::traceText(p.form.ReceiveBuffer), "RXD is not the trace of the buffer", p.rxd());
        const std::string status = p.status();
        check(printable(status), "STATUS holds a control character", status);
        check(status.empty() || status[0] == ' ' || std::regex_match(status, pressure),
              "STATUS is no decoded text", status);
        if (codeTable)
            check(status.empty() || q7::isCodeTableText(status), "STATUS is no table text", status);
        check(p.form.ReceiveBuffer.size() <= q7::Form1::kReceiveBufferLimit, "ReceiveBuffer overflows", "");
    }
    return 0;
}
