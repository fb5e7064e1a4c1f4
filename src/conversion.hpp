#pragma once

#include <cstdint>

// The conversion engine. A "binary-digit number" is a value whose decimal digits are its bits,
// written as usual with the last digit for 2^0: five is 101.
//
// Fixed, not a matter of style: tools outside the program build against this header, so
// converter(int mode, std::uint64_t value) and puissanceFunction keep these signatures, and the
// powers of two keep coming from the floating-point pow.

// Mode 1: value (0 to 1048575) to its binary-digit number; 1048575 gives 20 ones.
// Mode 2: value (0 to 1048575) to its hexadecimal digits written as two-decimal-digit groups,
//         most significant first: 255 (FF) gives 1515, 16 (10) gives 100, 10 (A) gives 10.
// Mode 3: binary-digit number (0 to 1111111111111111111) to the value it denotes. Digits are
//         not checked: an odd digit counts as 1, an even digit as 0, so 12 gives 2.
// Any other mode gives 0. Outside those ranges every call still returns, with a wrapped result.
std::uint64_t converter(int mode, std::uint64_t value);

// base to the power exponent, wrapping modulo 2^64; the exponent-0 case wins, so 0^0 is 1.
std::uint64_t puissanceFunction(std::uint32_t base, std::uint32_t exponent);

// True when every decimal digit of value is 0 or 1.
bool hasOnlyBinaryDigits(std::uint64_t value);
