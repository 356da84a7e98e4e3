#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/values.h"

namespace rv720 {
namespace {

TEST(MilliEncoding, SinglePrecisionStepThenTruncation) {
    struct Case {
        double typed;
        std::int32_t stored;
    } cases[] = {{0.7, 699},   {2.675, 2674},           {12.5, 12500}, {1.1, 1100},
                 {2.3, 2299},  {31234.74, 31234740},    {-1.5, -1500}, {0, 0},
                 {-0.7, -699}, {543263.8125, 543263812}};
    for (auto c : cases)
        EXPECT_EQ(toMilli(float(c.typed)), c.stored) << c.typed;
}

TEST(MilliEncoding, DisplayHasTwoDecimalsAndTheCallersSeparator) {
    EXPECT_EQ(formatMilli(699, '.'), "0.70");
    EXPECT_EQ(formatMilli(12500, '.'), "12.50");
    EXPECT_EQ(formatMilli(12500, ','), "12,50");
    EXPECT_EQ(formatMilli(-1500, '.'), "-1.50");
    EXPECT_EQ(formatMilli(2000, '.'), "2.00");
    EXPECT_EQ(formatMilli(500, '.'), "0.50");
    EXPECT_EQ(formatMilli(0, '.'), "0.00");
    EXPECT_EQ(formatMilli(31234740, '.'), "31234.74");
    EXPECT_EQ(formatMilli(2674, '.'), "2.67");
    EXPECT_EQ(formatMilli(125, '.'), "0.13") << "half away from zero";
    EXPECT_EQ(formatMilli(-1, '.'), "0.00") << "no minus sign on a zero result";
}

TEST(MilliEncoding, SevenSignificantDigitsLimitTheDecimals) {
    // 543263.8125 keeps one decimal of its seven digits, then pads to two.
    EXPECT_EQ(formatMilli(543263812, '.'), "543263.80");
    EXPECT_EQ(formatMilli(2147483647, '.'), "2147484.00");
    EXPECT_EQ(formatMilli(-2147483647 - 1, '.'), "-2147484.00");
}

// The listing formats in integers; formatFixed, which rounds the exact decimal
// expansion, is what it must equal. A sample: values at and beside the ties of each
// number of kept decimals (two below 100000 rev/s, one below a million, none above),
// the borders between them, the ends of the range and random ones. bench/ sweeps
// every tie.
TEST(MilliEncoding, IntegerRoundingEqualsTheExactDecimalExpansion) {
    std::mt19937 random(720);
    std::vector<std::int32_t> sample;
    const auto around = [&](std::int64_t centre, int reach) {
        for (std::int64_t m = centre - reach; m <= centre + reach; ++m)
            if (m >= INT32_MIN && m <= INT32_MAX) {
                sample.push_back(std::int32_t(m));
                if (m > INT32_MIN) sample.push_back(std::int32_t(-m));
            }
    };
    for (int k = 0; k < 3000; ++k)
        around(10 * k + 5, 1);
    struct Region {
        std::int64_t from, to, spacing;
    } regions[] = {
        {0, 100'000'000, 10}, {100'000'000, 1'000'000'000, 100}, {1'000'000'000, INT32_MAX, 1000}};
    for (const Region& r : regions) {
        std::uniform_int_distribution<std::int64_t> tie(r.from / r.spacing, r.to / r.spacing - 1);
        for (int k = 0; k < 8000; ++k)
            around(tie(random) * r.spacing + r.spacing / 2, 1);
        around(r.from, 50);
    }
    around(INT32_MAX - 50, 50);
    around(INT32_MIN + 50, 50);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    for (int k = 0; k < 20000; ++k)
        sample.push_back(any(random));
    ASSERT_GT(sample.size(), 100'000u);

    int mismatches = 0;
    for (const std::int32_t m : sample) {
        const char separator = m % 2 ? ',' : '.';
        const std::string exact = formatFixed(fromMilli(m), 7, 2, separator);
        if (formatMilli(m, separator) != exact && ++mismatches <= 10)
            ADD_FAILURE() << m << ": " << formatMilli(m, separator) << " instead of " << exact;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(FixedFormat, ElapsedTimesAndMonitorValues) {
    EXPECT_EQ(formatFixed(123 * 0.1L, 7, 1, '.'), "12.3");
    EXPECT_EQ(formatFixed(123 * 0.1L, 7, 1, ','), "12,3");
    EXPECT_EQ(formatFixed(0, 7, 1, '.'), "0.0");
    EXPECT_EQ(formatFixed(0.9537f + 0.0005f, 7, 3, '.'), "0.954");
}

TEST(GeneralFormat, FifteenSignificantDigits) {
    EXPECT_EQ(formatGeneral(double(0.7f), '.'), "0.699999988079071");
    EXPECT_EQ(formatGeneral(12.5, ','), "12,5");
    EXPECT_EQ(formatGeneral(31234.740234375, '.'), "31234.740234375");
    EXPECT_EQ(formatGeneral(-5000, '.'), "-5000");
    EXPECT_EQ(formatGeneral(0, '.'), "0");
    EXPECT_EQ(formatGeneral(1e-6, '.'), "1E-6");
}

TEST(DecimalParsing, FollowsTheUsersSeparator) {
    EXPECT_EQ(parseDecimal("0.7", '.'), 0.7);
    EXPECT_EQ(parseDecimal("0,7", ','), 0.7);
    EXPECT_EQ(parseDecimal("  -12.5 ", '.'), -12.5);
    EXPECT_EQ(parseDecimal("40000", '.'), 40000.0);
    EXPECT_EQ(parseDecimal("1E-6", '.'), 1e-6);
    EXPECT_EQ(parseDecimal(".5", '.'), 0.5);
    EXPECT_FALSE(parseDecimal("0.7", ','));
    EXPECT_FALSE(parseDecimal("0,7", '.'));
    EXPECT_FALSE(parseDecimal("abc", '.'));
    EXPECT_FALSE(parseDecimal("", '.'));
    EXPECT_FALSE(parseDecimal("-", '.'));
    EXPECT_FALSE(parseDecimal("1e", '.'));
    EXPECT_FALSE(parseDecimal("1.2.3", '.'));
}

TEST(IntegerParsing, Signed32BitOnly) {
    EXPECT_EQ(parseInteger("1000000000"), 1000000000);
    EXPECT_EQ(parseInteger("-3"), -3);
    EXPECT_EQ(parseInteger(" 42"), 42);
    EXPECT_EQ(parseInteger("$FF"), 255);
    EXPECT_EQ(parseInteger("-2147483648"), INT32_MIN);
    EXPECT_FALSE(parseInteger("2147483648"));
    EXPECT_FALSE(parseInteger("12.5"));
    EXPECT_FALSE(parseInteger("12 "));
    EXPECT_FALSE(parseInteger(""));
    EXPECT_FALSE(parseInteger("x"));
}

}  // namespace
}  // namespace rv720
