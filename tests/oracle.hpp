#pragma once

#include <cstdint>
#include <string>

// What converter(mode, value) gives for modes 1 to 3, worked out from the bits of the value and
// the digits of its decimal text rather than from powers.
inline std::uint64_t expectedConversion(int mode, std::uint64_t value) {
    std::uint64_t result = 0;
    if (mode == 1 || mode == 2) {
        // Each bit becomes one decimal digit (mode 1), each 4-bit group two (mode 2).
        const int width = mode == 1 ? 1 : 4;
        const std::uint64_t place = mode == 1 ? 10 : 100;
        for (int shift = 64 - width; shift >= 0; shift -= width) {
            result = result * place + ((value >> shift) & ((1U << width) - 1));
        }
    } else if (mode == 3) {
        for (const char digit : std::to_string(value)) {
            result = result * 2 + static_cast<std::uint64_t>(digit - '0') % 2;
        }
    }
    return result;
}
