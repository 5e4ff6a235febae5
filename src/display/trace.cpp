// SPDX-License-Identifier: MIT
#include "display/trace.h"

namespace q7 {

std::string traceText(std::string_view source) {
    std::string trace;
    trace.reserve(1 + 2 * source.size() + 2);
    trace += ' ';
    for (char ch : source) {
        const auto code = static_cast<unsigned char>(ch);
        if (code == 6) {
            trace += "ACK ";
        } else if (code == 20) {
            trace += '&';
        } else if (code == 13) {
            trace += "CR ";
        } else if (code == 10) {
            trace += "LF ";
        } else if (code >= 32 && code <= 122) {
            trace += ch;
            trace += ' ';
        } else {
            trace += "? ";
        }
    }
    return trace;
}

} // namespace q7
