// Runs the whole dialogue on arbitrary input through the fake console. It must end with status
// 0 or 1, and every line it prints must be one of its own texts or a correct result.

#include "dialogue.hpp"
#include "fake_console.hpp"
#include "number_reader.hpp"
#include "oracle.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

constexpr std::string_view ownLines[] = {
    "##################### binary converter #####################",
    "",
    "What would you like to do ?",
    "1.)Convert Decimal to Binary",
    "2.)Convert Decimal to Hexadecimal",
    "3.)Convert Binary to Decimal",
    "4.)Convert Hexadecimal to Decimal",
    "You have chosen \"Convert Decimal to Binary\"",
    "You have chosen \"Convert Decimal to Hexadecimal\"",
    "You have chosen \"Convert Binary to Decimal\"",
    "You have chosen \"Convert Hexadecimal to Decimal\"",
    "Coming soon !",
    "Easter Egg !",
    "Invalid Choice",
};

constexpr std::string_view refusals[] = {
    "Too high, limit is 1048575 (integer overflow)",
    "Too high, limit is 1111111111111111111 (integer overflow)",
    "Not a number",
    "Not a binary number (digits must be 0 or 1)",
};

bool isOneOf(std::string_view line, const std::string_view *begin, const std::string_view *end) {
    return std::find(begin, end, line) != end;
}

// Prompts are not followed by a newline, so the text after one shares its line.
std::string_view afterPrompts(std::string_view line) {
    for (const std::string_view prompt :
         {"Your Choice: ", "enter a number ", "enter a binary number "}) {
        if (line.substr(0, prompt.size()) == prompt) {
            line.remove_prefix(prompt.size());
        }
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string input(reinterpret_cast<const char *>(data), size);

    // What the dialogue will have read, from the reader that is fuzzed on its own.
    fakeConsoleStart(input);
    const std::uint32_t choice = readChoice().value_or(0);
    const std::optional<std::uint64_t> value = readValue();

    fakeConsoleStart(input);
    const int status = runDialogue();
    check(status == 0 || status == 1);

    std::string shown;
    for (const auto &event : fakeConsoleEvents()) {
        if (event.front() != '<') {
            shown += event;
        }
    }
    bool refused = false;
    std::size_t start = 0;
    while (start <= shown.size()) {
        const std::size_t end = std::min(shown.find('\n', start), shown.size());
        const std::string_view line =
            afterPrompts(std::string_view(shown).substr(start, end - start));
        start = end + 1;
        if (line.substr(0, 18) == "Number Converted: ") {
            check(value.has_value());
            const std::uint64_t expected = expectedConversion(static_cast<int>(choice), *value);
            check(line == "Number Converted: " + std::to_string(expected));
        } else if (isOneOf(line, std::begin(refusals), std::end(refusals))) {
            refused = true;
        } else if (line == "exiting...") {
            check(refused);
        } else if (line != "Press any key") {
            check(isOneOf(line, std::begin(ownLines), std::end(ownLines)));
        }
    }
    check(refused == (status == 1));
    return 0;
}
