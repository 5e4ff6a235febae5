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

std::string commaList(const std::vector<std::string_view>& names) {
    std::string out;
    for (const std::string_view name : names)
        out.append(out.empty() ? "" : ", ").append(name);
    return out;
}

namespace {

Message joined(const char* joint, const std::vector<std::string_view>& names) {
    if (names.size() < 2) return Message::verbatim(commaList(names));
    return Message(joint, {Message::verbatim(commaList({names.begin(), names.end() - 1})),
                           Message::verbatim(std::string(names.back()))});
}

} // namespace

Message eitherOf(const std::vector<std::string_view>& names) {
    return joined(Text::q7tr("%1 or %2"), names);
}

Message allOf(const std::vector<std::string_view>& names) {
    return joined(Text::q7tr("%1 and %2"), names);
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
