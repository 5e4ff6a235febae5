// SPDX-License-Identifier: MIT
#include "display/number_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace q7 {
namespace {

constexpr int kEnd = -1;

// Beyond this many significant digits only whether some later digit is non-zero can still move the nearest
// double, so a longer mantissa keeps this many and one non-zero digit standing for the rest. That keeps the
// work bounded however long the text.
constexpr std::size_t kMaxDigits = 800;
// Powers of ten well past both ends of a double; what lies outside is decided without converting.
constexpr std::int64_t kPowerLimit = 400;
// Exponent digits saturate here, far past kPowerLimit and far from any overflow of the sums below.
constexpr std::int64_t kExponentSaturation = 1'000'000'000;

// The text as it is read: with every blank taken out.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) { skipBlanks(); }
    int peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : kEnd; }
    void advance() {
        ++pos_;
        skipBlanks();
    }

  private:
    void skipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }
    std::string_view text_;
    std::size_t pos_ = 0;
};

int upper(int ch) {
    return ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch;
}

bool isDigit(int ch) {
    return ch >= '0' && ch <= '9';
}

int digitValue(int ch, int radix) {
    int value = -1;
    if (isDigit(ch))
        value = ch - '0';
    else if (upper(ch) >= 'A' && upper(ch) <= 'F')
        value = upper(ch) - 'A' + 10;
    return value < radix ? value : -1;
}

std::optional<double> readRadix(Cursor& in, int radix) {
    std::uint64_t value = 0;
    for (int digit = digitValue(in.peek(), radix); digit >= 0; digit = digitValue(in.peek(), radix)) {
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFF'FFFFu) return std::nullopt;
        in.advance();
    }
    if (value <= 0xFFFFu) return static_cast<double>(static_cast<std::int16_t>(value));
    return static_cast<double>(static_cast<std::int32_t>(value));
}

bool takeSign(Cursor& in) {
    const int ch = in.peek();
    if (ch != '+' && ch != '-') return false;
    in.advance();
    return ch == '-';
}

std::optional<double> readDecimal(Cursor& in) {
    const bool negative = takeSign(in);
    std::string digits;     // significant digits, leading zeros dropped
    std::int64_t scale = 0; // the value is digits x 10^(scale + exponent)
    bool anyDigit = false;
    bool droppedNonZero = false;
    const auto addDigit = [&](int ch, bool fraction) {
        anyDigit = true;
        if (digits.empty() && ch == '0') {
            if (fraction) --scale;
        } else if (digits.size() < kMaxDigits) {
            digits += static_cast<char>(ch);
            if (fraction) --scale;
        } else {
            if (!fraction) ++scale;
            if (ch != '0') droppedNonZero = true;
        }
    };
    for (; isDigit(in.peek()); in.advance())
        addDigit(in.peek(), false);
    if (in.peek() == '.') {
        in.advance();
        for (; isDigit(in.peek()); in.advance())
            addDigit(in.peek(), true);
    }
    if (!anyDigit) return 0.0;

    std::int64_t exponent = 0;
    if (upper(in.peek()) == 'E' || upper(in.peek()) == 'D') {
        in.advance();
        const bool negativeExponent = takeSign(in);
        for (; isDigit(in.peek()); in.advance())
            exponent = std::min(exponent * 10 + (in.peek() - '0'), kExponentSaturation);
        if (negativeExponent) exponent = -exponent;
    }
    if (digits.empty()) return 0.0;
    if (droppedNonZero) {
        digits += '1';
        --scale;
    }

    const std::int64_t power = scale + exponent;
    const std::int64_t magnitude = static_cast<std::int64_t>(digits.size()) - 1 + power;
    if (magnitude > kPowerLimit) return std::nullopt;
    double value = 0.0;
    if (magnitude >= -kPowerLimit) {
        const std::string normalised = digits + 'e' + std::to_string(power);
        const auto [end, error] =
            std::from_chars(normalised.data(), normalised.data() + normalised.size(), value);
        if (error == std::errc::result_out_of_range) {
            if (magnitude > 0) return std::nullopt;
            value = 0.0;
        } else if (error != std::errc() || end != normalised.data() + normalised.size()) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

} // namespace

std::optional<double> readNumber(std::string_view text) {
    Cursor in(text);
    if (in.peek() != '&') return readDecimal(in);
    in.advance();
    const int prefix = upper(in.peek());
    if (prefix != 'H' && prefix != 'O') return 0.0;
    in.advance();
    return readRadix(in, prefix == 'H' ? 16 : 8);
}

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below; // exact wherever it can decide a tie
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

} // namespace q7
