#include "import/LeadingNumber.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

double Parse(const char* text)
{
    double v = -1.0;
    EXPECT_TRUE(ParseLeadingDouble(text, v)) << text;
    return v;
}

TEST(LeadingNumber, DoubleTakesTheLongestDecimalPrefix)
{
    EXPECT_EQ(Parse("1"), 1.0);
    EXPECT_EQ(Parse("+1"), 1.0);
    EXPECT_EQ(Parse("-2.5"), -2.5);
    EXPECT_EQ(Parse("2."), 2.0);
    EXPECT_EQ(Parse(".5"), 0.5);
    EXPECT_EQ(Parse("1e2"), 100.0);
    EXPECT_EQ(Parse("1E2"), 100.0);
    EXPECT_EQ(Parse("2.e01"), 20.0);
    EXPECT_EQ(Parse("3.1+e2"), 3.1);
    EXPECT_EQ(Parse("3.1-e2"), 3.1);
    EXPECT_EQ(Parse("1e"), 1.0);
    EXPECT_EQ(Parse("1e+"), 1.0);
    EXPECT_EQ(Parse("7abc"), 7.0);
    EXPECT_EQ(Parse("1,5"), 1.0); // never a decimal comma
    EXPECT_TRUE(std::signbit(Parse("-0")));
    EXPECT_EQ(Parse("1e-400"), 0.0);
}

TEST(LeadingNumber, DoubleRefusesNonDecimalForms)
{
    for (const char* text :
         {"", "+", "-", ".", "+-1", "--1", "e5", "x1", "inf", "-infinity", "nan", "NAN(1)", " 1"})
        EXPECT_EQ(Parse(text), 0.0) << text;
    EXPECT_EQ(Parse("0x10"), 0.0);
    EXPECT_EQ(Parse("0x1p3"), 0.0);
    double v = 5.0;
    EXPECT_FALSE(ParseLeadingDouble("1e999", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(ParseLeadingDouble("-1e400x", v));
}

TEST(LeadingNumber, DoubleMatchesStrtodOnDecimalText)
{
    // strtod in the C locale is the reference for every decimal spelling.
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937 rng(12345);
    const char alphabet[] = "0123456789012345.eE+-";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int len = 1 + static_cast<int>(rng() % 14);
        for (int k = 0; k < len; ++k)
            text += alphabet[rng() % (sizeof(alphabet) - 1)];
        const double expected = std::strtod(text.c_str(), nullptr);
        double got = 0.0;
        if (std::isinf(expected)) {
            ASSERT_FALSE(ParseLeadingDouble(text, got)) << text;
            continue;
        }
        ASSERT_TRUE(ParseLeadingDouble(text, got)) << text;
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
            << text << " gave " << got << " not " << expected;
    }
}

TEST(LeadingNumber, IntegerIsDecimalAndSaturates)
{
    EXPECT_EQ(ParseLeadingInt("12"), 12);
    EXPECT_EQ(ParseLeadingInt("+7"), 7);
    EXPECT_EQ(ParseLeadingInt("-3/4"), -3);
    EXPECT_EQ(ParseLeadingInt("0x1f"), 0);
    EXPECT_EQ(ParseLeadingInt("08"), 8);
    EXPECT_EQ(ParseLeadingInt("1.9"), 1);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("-"), 0);
    EXPECT_EQ(ParseLeadingInt("x5"), 0);
    EXPECT_EQ(ParseLeadingInt("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParseLeadingInt("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(ParseLeadingInt("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999999"), INT64_MIN);
}

} // namespace
