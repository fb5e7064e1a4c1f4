#include "conversion.hpp"

#include "oracle.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::uint64_t largestDecimal = 1048575;
constexpr std::uint64_t largestValue = std::numeric_limits<std::uint64_t>::max();

struct PowerCase {
    std::uint32_t base;
    std::uint32_t exponent;
    std::uint64_t expected;
};

TEST(PuissanceFunction, RaisesAndWrapsModulo2To64) {
    const PowerCase cases[] = {
        {10, 0, 1},
        {0, 0, 1},
        {0, 3, 0},
        {2, 64, 0},
        {10, 20, 7766279631452241920u},
        {std::numeric_limits<std::uint32_t>::max(), 2, 18446744065119617025u},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(puissanceFunction(c.base, c.exponent), c.expected)
            << c.base << " to the " << c.exponent;
    }
}

struct ConversionCase {
    int mode;
    std::uint64_t value;
    std::uint64_t expected;
};

TEST(Converter, ReadsDigitsByParityAndGivesZeroForOtherModes) {
    const ConversionCase cases[] = {
        // Digits are not checked: odd counts as 1, even as 0.
        {3, 1234567890, 682},
        {0, 10, 0},
        {4, 10, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(converter(c.mode, c.value), c.expected)
            << "mode " << c.mode << ", value " << c.value;
    }
}

TEST(Converter, IsRightForEveryValueTheMenuAccepts) {
    for (std::uint64_t value = 0; value <= largestDecimal; ++value) {
        const std::uint64_t binary = converter(1, value);
        ASSERT_EQ(binary, expectedConversion(1, value)) << "mode 1, value " << value;
        ASSERT_EQ(converter(3, binary), value) << "mode 3, value " << binary;
        ASSERT_EQ(converter(2, value), expectedConversion(2, value)) << "mode 2, value " << value;
    }
}

// Beyond the ranges the results wrap, but each call must end without undefined behaviour
// (the sanitizer build checks that): the power search of mode 1 goes past 2^63 here.
TEST(Converter, ReturnsForValuesBeyondItsRanges) {
    const std::uint64_t values[] = {largestValue, largestValue - 1, std::uint64_t{1} << 63,
                                    (std::uint64_t{1} << 63) + 1};
    for (const std::uint64_t value : values) {
        for (const int mode : {1, 2, 3}) {
            static_cast<void>(converter(mode, value));
        }
    }
}

TEST(HasOnlyBinaryDigits, AcceptsZerosAndOnesOnly) {
    const std::uint64_t binary[] = {0, 101, 11111111111111111111u};
    const std::uint64_t notBinary[] = {2, 9, 21};
    for (const std::uint64_t value : binary) {
        EXPECT_TRUE(hasOnlyBinaryDigits(value)) << value;
    }
    for (const std::uint64_t value : notBinary) {
        EXPECT_FALSE(hasOnlyBinaryDigits(value)) << value;
    }
}

} // namespace
