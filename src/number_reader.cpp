// Reading a number from the console's input by the rules in number_reader.hpp: the program's own
// code, in constant memory, so that every platform reads alike, which C's scanf does not.

#include "number_reader.hpp"

#include "console.hpp"

#include <limits>

namespace {

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// largest is 2^n - 1, so masking with it reduces modulo 2^n.
std::optional<std::uint64_t> readUnsigned(std::uint64_t largest) {
    int c = consoleReadChar();
    while (isSpace(c)) {
        c = consoleReadChar();
    }
    const bool negative = c == '-';
    if (c == '+' || c == '-') {
        c = consoleReadChar();
    }
    if (!isDigit(c)) {
        if (c != consoleEndOfInput) {
            consoleUnreadChar(c);
        }
        return std::nullopt;
    }
    std::uint64_t value = 0;
    bool tooLarge = false;
    for (; isDigit(c); c = consoleReadChar()) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (largest - digit) / 10) {
            tooLarge = true;
        } else {
            value = value * 10 + digit;
        }
    }
    if (c != consoleEndOfInput) {
        consoleUnreadChar(c);
    }
    if (tooLarge) {
        return largest;
    }
    return negative ? (~value + 1) & largest : value;
}

} // namespace

std::optional<std::uint32_t> readChoice() {
    constexpr std::uint32_t largest = std::numeric_limits<std::uint32_t>::max();
    const auto choice = readUnsigned(largest);
    if (!choice) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*choice);
}

std::optional<std::uint64_t> readValue() {
    return readUnsigned(std::numeric_limits<std::uint64_t>::max());
}

bool readEndOfLine() {
    int c = consoleReadChar();
    while (c == ' ' || c == '\t' || c == '\r') {
        c = consoleReadChar();
    }
    if (c == '\n' || c == consoleEndOfInput) {
        return true;
    }
    consoleUnreadChar(c);
    return false;
}
