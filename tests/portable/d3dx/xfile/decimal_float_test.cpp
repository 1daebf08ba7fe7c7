// The fast decimal reader: whenever it takes a number it must give the same
// float as the full parser (std::from_chars), bit for bit, and it must leave
// every other form to the full parser.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "platform/portable/d3dx/xfile/decimal_float.h"

using namespace portable;

namespace {

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Checks one string; returns whether the fast path took it.
bool AgreesWithFromChars(const std::string& text)
{
    float fast = 0.0f;
    const char* next = nullptr;
    const bool taken = decimal_float::Parse(text.data(), text.data() + text.size(), fast, next);
    if (!taken) return false;
    EXPECT_EQ(next, text.data() + text.size()) << text;
    const char* begin = text.data();
    if (*begin == '+') ++begin; // from_chars takes no plus sign
    float full = 0.0f;
    const auto parsed = std::from_chars(begin, text.data() + text.size(), full);
    EXPECT_EQ(parsed.ec, std::errc()) << text;
    EXPECT_EQ(Bits(fast), Bits(full)) << text << ": " << fast << " vs " << full;
    return true;
}

TEST(DecimalFloat, PlainFormsAreTakenAndExact)
{
    const char* const kTaken[] = {
        "0",
        "-0",
        "0.0",
        "-0.000000",
        "+1",
        "1.",
        ".5",
        "-.25",
        "500.000000",
        "-3.5080495",
        "0.092297435",
        "1e-1",
        "2.5E+0",
        "1e10",
        "123456789",
        "16777216",
        "16777218",
        "0.1",
        "0.2",
        "0.3",
        "1.5e-7",
        "3.4028234e21",
        "000000000000000001",
        "-2.225073858507201",
    };
    for (const char* text : kTaken) EXPECT_TRUE(AgreesWithFromChars(text)) << text;
}

TEST(DecimalFloat, OtherFormsAreLeftToTheFullParser)
{
    struct Case {
        const char* text;
        int stopsAt; // where a taken number ends; -1 when it is not taken
    };
    const Case kCases[] = {
        {"", -1},
        {"-", -1},
        {"+", -1},
        {".", -1},
        {"-.", -1},
        {"e5", -1},
        {"1e", -1},
        {"1e+", -1},
        {"inf", -1},
        {"nan", -1},
        {"--1", -1},
        {"12345678901234567890", -1}, // 20 digits
        {"9007199254740993", -1},     // beyond 2^53
        {"1e23", -1},
        {"1e-23", -1},
        {"3.5e38", -1},
        {"1e-39", -1},
        {"16777217", -1},
        {"-16777217", -1}, // halfway between two floats
        // A number followed by more of the word: the caller sees the word go on.
        {"0x10", 1},
        {"1..2", 2},
        {"2.5f", 3},
    };
    for (const Case& test : kCases) {
        float value = 7.0f;
        const char* next = nullptr;
        const std::string text = test.text;
        const bool taken = decimal_float::Parse(text.data(), text.data() + text.size(), value, next);
        EXPECT_EQ(taken, test.stopsAt >= 0) << test.text;
        if (taken) {
            EXPECT_EQ(next, text.data() + test.stopsAt) << test.text;
        } else {
            EXPECT_EQ(value, 7.0f) << test.text;
        }
    }
}

TEST(DecimalFloat, ShortestAndFixedPrintsOfRandomFloatsReadBackExactly)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<uint32_t> anyBits;
    int taken = 0;
    char text[64];
    for (int i = 0; i < 200000; ++i) {
        uint32_t bits = anyBits(random);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        // Mostly the magnitudes models use.
        if (i % 4 != 0) value = std::ldexp(value - std::trunc(value), static_cast<int>(bits % 24) - 8);
        for (const char* format : {"%.9g", "%.6f", "%.17g", "%.7e", "%.3f"}) {
            std::snprintf(text, sizeof text, format, static_cast<double>(value));
            taken += AgreesWithFromChars(text) ? 1 : 0;
        }
    }
    EXPECT_GT(taken, 500000); // the fast path is the common one
}

TEST(DecimalFloat, DecimalsNearHalfwayPointsRoundAsTheFullParserDoes)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> magnitudes(1.0f, 1000.0f);
    char text[64];
    int taken = 0;
    for (int i = 0; i < 50000; ++i) {
        const float low = magnitudes(random);
        const float high = std::nextafter(low, std::numeric_limits<float>::infinity());
        const double halfway = (static_cast<double>(low) + static_cast<double>(high)) / 2.0;
        // The halfway point itself and decimals a hair either side of it.
        for (int digits = 8; digits <= 19; ++digits) {
            std::snprintf(text, sizeof text, "%.*g", digits, halfway);
            taken += AgreesWithFromChars(text) ? 1 : 0;
            std::snprintf(text, sizeof text, "%.*g", digits, std::nextafter(halfway, 0.0));
            taken += AgreesWithFromChars(text) ? 1 : 0;
            std::snprintf(text, sizeof text, "%.*g", digits, std::nextafter(halfway, 2e3));
            taken += AgreesWithFromChars(text) ? 1 : 0;
        }
    }
    EXPECT_GT(taken, 100000);
}

TEST(DecimalFloat, IntegersFollowTheTextRules)
{
    struct Case {
        const char* text;
        bool taken;
        uint32_t value;
    };
    const Case kCases[] = {
        {"0", true, 0},           {"4294967295", true, 0xffffffffu},
        {"4294967296", false, 0}, {"-1", true, 0xffffffffu},
        {"+7", true, 7},          {"00000000001", false, 0}, // more than ten digits
        {"0000000001", true, 1},  {"-", false, 0},
        {"", false, 0},           {"x1", false, 0},
    };
    for (const Case& test : kCases) {
        const std::string text = test.text;
        uint32_t value = 12345;
        const char* next = nullptr;
        EXPECT_EQ(decimal_float::ParseInteger(text.data(), text.data() + text.size(), value, next), test.taken)
            << test.text;
        if (test.taken) {
            EXPECT_EQ(value, test.value) << test.text;
            EXPECT_EQ(next, text.data() + text.size()) << test.text;
        }
    }
}

} // namespace
