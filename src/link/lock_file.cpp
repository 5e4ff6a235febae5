// SPDX-License-Identifier: MIT
#include "link/lock_file.h"

#include <charconv>

namespace q7 {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view line(std::string_view text, int index) {
    for (; index > 0; --index) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return {};
        text.remove_prefix(end + 1);
    }
    return text.substr(0, text.find('\n'));
}

} // namespace

std::optional<LockOwner> lockOwner(std::string_view content) {
    const std::string_view first = trimmed(line(content, 0));
    int pid = 0;
    const auto [end, ec] = std::from_chars(first.data(), first.data() + first.size(), pid);
    // The old binary form (the id as a C int), a sign or a number that runs into letters names no process to
    // look for; the service's cleaning at start reads the first word the same way.
    if (ec != std::errc() || pid <= 0 || (end != first.data() + first.size() && !blank(*end)))
        return std::nullopt;
    return LockOwner{pid, std::string(trimmed(line(content, 2)))};
}

bool lockOwnerEnded(const LockOwner& owner, std::string_view thisHost,
                    const std::function<bool(int pid)>& processExists) {
    return (owner.host.empty() || owner.host == thisHost) && !processExists(owner.pid);
}

} // namespace q7
