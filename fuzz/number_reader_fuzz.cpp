// Reads a value and then a choice from arbitrary bytes, and checks both reads, and what each
// leaves unread, against a model of the reading rules that works on the text as a whole.

#include "fake_console.hpp"
#include "number_reader.hpp"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

struct Expected {
    std::optional<std::uint64_t> value;
    std::size_t unreadFrom;
};

Expected model(std::string_view input, std::size_t at, std::string_view largestDigits,
               std::uint64_t largest) {
    constexpr std::string_view space(" \t\n\v\f\r");
    while (at < input.size() && space.find(input[at]) != std::string_view::npos) {
        ++at;
    }
    bool negative = false;
    if (at < input.size() && (input[at] == '+' || input[at] == '-')) {
        negative = input[at] == '-';
        ++at;
    }
    const std::size_t first = at;
    while (at < input.size() && input[at] >= '0' && input[at] <= '9') {
        ++at;
    }
    if (at == first) {
        return {std::nullopt, first};
    }
    std::string_view digits = input.substr(first, at - first);
    while (digits.size() > 1 && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits.size() > largestDigits.size() ||
        (digits.size() == largestDigits.size() && digits > largestDigits)) {
        return {largest, at};
    }
    std::uint64_t value = 0;
    for (const char digit : digits) {
        value = value * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    if (negative && value != 0) {
        value = largest - value + 1;
    }
    return {value, at};
}

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);
    fakeConsoleStart(input);

    const Expected value = model(input, 0, "18446744073709551615", UINT64_MAX);
    check(readValue() == value.value);
    check(fakeConsoleUnread() == input.substr(value.unreadFrom));

    const Expected choice = model(input, value.unreadFrom, "4294967295", UINT32_MAX);
    const std::optional<std::uint32_t> read = readChoice();
    check(read.has_value() == choice.value.has_value());
    check(!read || *read == *choice.value);
    check(fakeConsoleUnread() == input.substr(choice.unreadFrom));
    return 0;
}
