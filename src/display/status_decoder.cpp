// SPDX-License-Identifier: MIT
#include "display/status_decoder.h"

#include "panel/form.h"

namespace q7 {

std::optional<std::string> decodeStatusReply(std::string_view, std::string_view, std::string_view,
                                             std::int16_t&) {
    return std::nullopt;
}

void Form1::decodeStatus() {
    if (auto status = decodeStatusReply(OutgoingCommand, AddressPrefix, ui_.text("Label12"), PressureValue))
        ui_.setText("Label22", *status);
}

} // namespace q7
