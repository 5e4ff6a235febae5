// SPDX-License-Identifier: MIT
#include "pjlink/pjlink.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <sys/random.h>
#include <system_error>

namespace q7::pjlink {
namespace {

using Md5 = std::array<unsigned char, 16>;

Md5 md5(std::string_view text) {
    Md5 digest{};
    unsigned int size = 0;
    if (EVP_Digest(text.data(), text.size(), digest.data(), &size, EVP_md5(), nullptr) != 1 ||
        size != digest.size())
        throw std::runtime_error("MD5 is not available");
    return digest;
}

std::string hex(const unsigned char* bytes, std::size_t count, const char* digits, std::string_view between) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += between;
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0f];
    }
    return text;
}

constexpr const char* kLower = "0123456789abcdef";
constexpr const char* kUpper = "0123456789ABCDEF";

} // namespace

std::string replyLine(const Command& command, std::string_view value) {
    std::string line = "%";
    line += command.pjClass;
    line += command.body;
    line += '=';
    line += value;
    line += '\r';
    return line;
}

std::string md5Hex(std::string_view text) {
    const Md5 digest = md5(text);
    return hex(digest.data(), digest.size(), kLower, "");
}

// The random is all that keeps a recorded digest from being replayed: without a secure source there is no
// connection rather than a guessable one.
std::string newRandom() {
    std::array<unsigned char, 4> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
            if (n > 0)
                got += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EINTR)
                throw std::system_error(errno, std::generic_category(), "getrandom");
        }
    }
    return hex(bytes.data(), bytes.size(), kLower, "");
}

// Each name goes in with its length in front, so that no two triples of names give the same text.
std::string macAddress(std::string_view bridgeId, std::string_view line, std::string_view projector) {
    std::string text;
    for (std::string_view name : {bridgeId, line, projector}) {
        text += std::to_string(name.size());
        text += ':';
        text += name;
    }
    Md5 digest = md5(text);
    digest[0] = static_cast<unsigned char>((digest[0] | 0x02) & ~0x01);
    return hex(digest.data(), 6, kUpper, ":");
}

bool isSearch(std::string_view datagram) {
    return datagram == "%2SRCH\r" || datagram == "%2SRCH\r\n";
}

std::string searchAnswer(std::string_view mac) {
    return notification("ACKN", mac);
}

std::string notification(std::string_view body, std::string_view value) {
    return replyLine(Command{'2', std::string(body), {}}, value);
}

} // namespace q7::pjlink
