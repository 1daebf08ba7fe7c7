// Fast, exactly rounded reading of plain decimal numbers into a float, for
// the common case: up to 19 significant digits and a power of ten that a
// double holds exactly. Anything else is left to the caller's full parser.
#pragma once

#include <cstdint>
#include <cstring>

namespace portable {

namespace decimal_float {

inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Reads [+-]digits[.digits][(e|E)[+-]digits] at `p` (at least one digit in
// the mantissa). On success sets `value` and `next` (the first character
// after the number) and returns true. Returns false, touching nothing, for
// any other form and for values this path cannot round exactly; the caller
// then parses the text the slow way.
[[gnu::always_inline]] inline bool Parse(const char* p, const char* end, float& value, const char*& next)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    // Leading zeros count as digits too: a number with over 19 digits in all
    // takes the slow path.
    uint64_t mantissa = 0;
    const char* digits = s;
    while (s < end && IsDigit(*s)) mantissa = mantissa * 10 + static_cast<uint64_t>(*s++ - '0');
    size_t count = static_cast<size_t>(s - digits);
    int exponent = 0;
    if (s < end && *s == '.') {
        const char* fraction = ++s;
        while (s < end && IsDigit(*s)) mantissa = mantissa * 10 + static_cast<uint64_t>(*s++ - '0');
        exponent = -static_cast<int>(s - fraction);
        count += static_cast<size_t>(s - fraction);
    }
    if (count == 0 || count > 19) return false;
    if (s < end && (*s == 'e' || *s == 'E')) {
        ++s;
        bool negativeExponent = false;
        if (s < end && (*s == '-' || *s == '+')) {
            negativeExponent = *s == '-';
            ++s;
        }
        if (s >= end || !IsDigit(*s)) return false;
        int written = 0;
        for (; s < end && IsDigit(*s); ++s) {
            if (written > 1000) return false;
            written = written * 10 + (*s - '0');
        }
        exponent += negativeExponent ? -written : written;
    }
    if (mantissa == 0) {
        value = negative ? -0.0f : 0.0f;
        next = s;
        return true;
    }
    // Clinger's fast path: both operands exact, so the double is the
    // correctly rounded value of the decimal.
    if (mantissa > (uint64_t{1} << 53) || exponent < -22 || exponent > 22) return false;
    double wide = static_cast<double>(mantissa);
    wide = exponent < 0 ? wide / kPowers[-exponent] : wide * kPowers[exponent];
    // Rounding that double to float is exact unless it lies halfway between
    // two floats (then the decimal may lie on either side), or outside the
    // range of normal floats, where the halfway points are elsewhere.
    if (!(wide >= 1.1754943508222875e-38 && wide <= 3.4028234663852886e38)) return false;
    uint64_t bits;
    std::memcpy(&bits, &wide, sizeof bits);
    if ((bits & ((uint64_t{1} << 29) - 1)) == (uint64_t{1} << 28)) return false;
    const float narrow = static_cast<float>(wide);
    value = negative ? -narrow : narrow;
    next = s;
    return true;
}

// Reads [+-]digits into 32 bits as the .x text form does: at most 10 digits,
// at most 0xffffffff, a minus sign giving the two's complement.
[[gnu::always_inline]] inline bool ParseInteger(const char* p, const char* end, uint32_t& value, const char*& next)
{
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    const char* digits = s;
    uint64_t result = 0;
    for (; s < end && IsDigit(*s); ++s) {
        if (s - digits >= 10) return false;
        result = result * 10 + static_cast<uint64_t>(*s - '0');
    }
    if (s == digits || result > 0xffffffffull) return false;
    value = negative ? 0u - static_cast<uint32_t>(result) : static_cast<uint32_t>(result);
    next = s;
    return true;
}

} // namespace decimal_float

} // namespace portable
