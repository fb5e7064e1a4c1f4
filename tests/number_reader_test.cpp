#include "number_reader.hpp"

#include "fake_console.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr std::uint64_t largestValue = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint32_t largestChoice = std::numeric_limits<std::uint32_t>::max();

template <typename Number> struct ReadCase {
    std::string input;
    std::optional<Number> expected;
    std::string unread;
};

TEST(ReadValue, FollowsTheReadingRules) {
    const std::string largest = std::to_string(largestValue);
    const ReadCase<std::uint64_t> cases[] = {
        {"10\n", 10, "\n"},
        {" \t\n\v\f\r42x", 42, "x"},
        {"+7 ", 7, " "},
        {"0101", 101, ""},
        {"000000000000000000000000000000001", 1, ""},
        {"0x1F", 0, "x1F"},
        {std::string("12\0", 3), 12, std::string("\0", 1)},
        {"-1", largestValue, ""},
        {"-" + largest, 1, ""},
        {largest, largestValue, ""},
        {"18446744073709551616", largestValue, ""},
        {"99999999999999999999 5", largestValue, " 5"},
        {"-18446744073709551616", largestValue, ""},
        {" \n ", std::nullopt, ""},
        {"abc", std::nullopt, "abc"},
        {"+", std::nullopt, ""},
        {"--1", std::nullopt, "-1"},
        {"\xff 1", std::nullopt, "\xff 1"},
    };
    for (const auto &c : cases) {
        fakeConsoleStart(c.input);
        EXPECT_EQ(readValue(), c.expected) << '"' << c.input << '"';
        EXPECT_EQ(fakeConsoleUnread(), c.unread) << '"' << c.input << '"';
    }
}

TEST(ReadChoice, WorksModulo2To32AndClamps) {
    const ReadCase<std::uint32_t> cases[] = {
        {"1\n", 1, "\n"},
        {std::to_string(largestChoice), largestChoice, ""},
        {"4294967297", largestChoice, ""},
        {"-1", largestChoice, ""},
        {"-4294967295", 1, ""},
        {"-4294967296", largestChoice, ""},
    };
    for (const auto &c : cases) {
        fakeConsoleStart(c.input);
        EXPECT_EQ(readChoice(), c.expected) << '"' << c.input << '"';
        EXPECT_EQ(fakeConsoleUnread(), c.unread) << '"' << c.input << '"';
    }
}

// Modulo 2^64 only the last 64 digits count (2^64 divides 10^64): a million nines would wrap to
// the largest value itself, a million ones to 8198552921648689607.
TEST(ReadValue, TakesAMillionDigitsWithoutWrapping) {
    fakeConsoleStart(std::string(1000000, '1') + "\n");
    EXPECT_EQ(readValue(), largestValue);
    EXPECT_EQ(fakeConsoleUnread(), "\n");
}

} // namespace
