// The conversion engine: converter's three modes, and puissanceFunction, the integer power that
// places each binary digit of mode 1.

#include "conversion.hpp"

#include <cmath>

namespace {

constexpr std::uint32_t binaryBase = 2;

// The powers of two come from the floating-point pow, exact for every exponent below 64. From 64
// up, pow's result no longer fits in 64 bits and converting it would be undefined; no value in the
// converter's ranges searches that far, so saturating there only keeps huge inputs defined.
std::uint64_t powerOfTwo(std::uint32_t exponent) {
    constexpr std::uint32_t valueBits = 64;
    if (exponent >= valueBits) {
        return UINT64_MAX;
    }
    return static_cast<std::uint64_t>(
        std::pow(static_cast<double>(binaryBase), static_cast<double>(exponent)));
}

// Searches upward from exponent 0 for the highest power of two not above the remaining value,
// takes it away and adds the matching power of ten, once per set bit.
std::uint64_t decimalToBinaryDigits(std::uint64_t value) {
    std::uint64_t result = 0;
    std::uint32_t exponent = 0;
    while (value != 0) {
        std::uint64_t power = powerOfTwo(exponent);
        if (power == value) {
            value -= power;
            result += puissanceFunction(10, exponent);
            exponent = 0;
        } else if (power < value) {
            ++exponent;
        } else {
            --exponent;
            power = powerOfTwo(exponent);
            value -= power;
            result += puissanceFunction(10, exponent);
            exponent = 0;
        }
    }
    return result;
}

// Each hexadecimal digit (0 to 15) takes two decimal places, so the result stays a plain
// unsigned decimal that reads as the digits' values side by side.
std::uint64_t decimalToHexadecimalGroups(std::uint64_t value) {
    constexpr std::uint32_t hexBase = 16;
    constexpr std::uint32_t groupBase = 100;
    std::uint64_t result = 0;
    std::uint32_t position = 0;
    while (value != 0) {
        result += (value % hexBase) * puissanceFunction(groupBase, position);
        value /= hexBase;
        ++position;
    }
    return result;
}

// The parity of the remaining value is the parity of its last decimal digit.
std::uint64_t binaryDigitsToDecimal(std::uint64_t value) {
    std::uint64_t result = 0;
    std::uint32_t exponent = 0;
    while (value != 0) {
        const std::uint64_t power = powerOfTwo(exponent);
        if (value % 2 == 1) {
            result += power;
        }
        value /= 10;
        ++exponent;
    }
    return result;
}

} // namespace

std::uint64_t converter(int mode, std::uint64_t value) {
    switch (mode) {
    case 1:
        return decimalToBinaryDigits(value);
    case 2:
        return decimalToHexadecimalGroups(value);
    case 3:
        return binaryDigitsToDecimal(value);
    default:
        return 0;
    }
}

std::uint64_t puissanceFunction(std::uint32_t base, std::uint32_t exponent) {
    if (exponent == 0) {
        return 1;
    }
    if (base == 0) {
        return 0;
    }
    return std::uint64_t{base} * puissanceFunction(base, exponent - 1);
}

bool hasOnlyBinaryDigits(std::uint64_t value) {
    for (; value != 0; value /= 10) {
        if (value % 10 > 1) {
            return false;
        }
    }
    return true;
}
