// Runs the whole dialogue on arbitrary input through the fake console. It must end with status
// 0 or 1, and every line it prints must be one of its own texts or a correct result.

#include "dialogue.hpp"
#include "fake_console.hpp"
#include "number_reader.hpp"
#include "oracle.hpp"
#include "texts.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Whether line is a line of one of the texts.
bool isLineOf(std::string_view line, std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts) {
        for (std::size_t end = text.find('\n'); !text.empty(); end = text.find('\n')) {
            if (text.substr(0, end) == line) {
                return true;
            }
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        }
    }
    return false;
}

// The first line of each refusal, which "exiting..." follows.
bool isRefusal(std::string_view line) {
    return line != "exiting..." && isLineOf(line, {text::decimalLimit, text::binaryLimit,
                                                   text::notANumber, text::notBinary});
}

bool isOwnLine(std::string_view line) {
    const std::string marks(21, '#');
    return line.empty() || line == marks + std::string(text::title) + marks ||
           isLineOf(line, {text::question, text::menu, text::chosen1, text::chosen2, text::chosen3,
                           text::chosen4, text::comingSoon, text::easterEgg, text::invalidChoice});
}

// Prompts are not followed by a newline, so the text after one shares its line.
std::string_view afterPrompts(std::string_view line) {
    for (const std::string_view prompt :
         {text::choicePrompt, text::numberPrompt, text::binaryPrompt}) {
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
        if (line.substr(0, text::result.size()) == text::result) {
            check(value.has_value());
            const std::uint64_t expected = expectedConversion(static_cast<int>(choice), *value);
            check(line == std::string(text::result) + std::to_string(expected));
        } else if (isRefusal(line)) {
            refused = true;
        } else if (line == "exiting...") {
            check(refused);
        } else {
            check(isOwnLine(line));
        }
    }
    check(refused == (status == 1));
    return 0;
}
