// SPDX-License-Identifier: MIT
#include "base/message.h"

namespace q7 {

Message Message::verbatim(std::string text) {
    Message m;
    m.text_ = std::move(text);
    return m;
}

std::string Message::english() const {
    if (!source_) return text_;
    std::vector<std::string> filled;
    filled.reserve(args_.size());
    for (const Message& arg : args_)
        filled.push_back(arg.english());
    return fillIn(source_, filled);
}

std::string fillIn(const std::string& text, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9' &&
            static_cast<std::size_t>(next - '1') < args.size()) {
            out += args[static_cast<std::size_t>(next - '1')];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace q7
