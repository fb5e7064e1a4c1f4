#include "dialogue.hpp"

#include "console.hpp"
#include "conversion.hpp"
#include "number_reader.hpp"

#include <array>
#include <charconv>
#include <cstdint>
#include <string_view>

namespace {

using std::chrono::milliseconds;

constexpr unsigned bannerMarksPerSide = 21;
constexpr milliseconds markPause{100};
constexpr milliseconds questionPause{150};
constexpr milliseconds announcementPause{1500};
constexpr milliseconds refusalPause{2800};

constexpr std::uint64_t decimalLimit = 1048575;
constexpr std::uint64_t binaryLimit = 1111111111111111111;

constexpr std::string_view decimalLimitMessage =
    "Too high, limit is 1048575 (integer overflow)\nexiting...";
constexpr std::string_view binaryLimitMessage =
    "Too high, limit is 1111111111111111111 (integer overflow)\nexiting...";
constexpr std::string_view notANumberMessage = "Not a number\nexiting...";
constexpr std::string_view notBinaryMessage =
    "Not a binary number (digits must be 0 or 1)\nexiting...";

struct Conversion {
    int mode;
    std::string_view announcement;
    std::string_view prompt;
    std::uint64_t limit;
    std::string_view limitMessage;
    bool needsBinaryDigits;
};

constexpr Conversion decimalToBinary{1, "You have chosen \"Convert Decimal to Binary\"\n",
                                     "enter a number ", decimalLimit, decimalLimitMessage, false};
constexpr Conversion decimalToHexadecimal{
    2, "You have chosen \"Convert Decimal to Hexadecimal\"\n", "enter a number ",
    decimalLimit, decimalLimitMessage, false};
constexpr Conversion binaryToDecimal{3, "You have chosen \"Convert Binary to Decimal\"\n",
                                     "enter a binary number ", binaryLimit, binaryLimitMessage,
                                     true};

// The banner and menu keep one schedule from the first mark, so the time spent writing and
// waking up is absorbed by the next deadline instead of adding up.
void showBannerAndMenu() {
    auto deadline = consoleNow();
    const auto drawMarks = [&deadline] {
        for (unsigned mark = 0; mark < bannerMarksPerSide; ++mark) {
            consoleWrite("#");
            deadline += markPause;
            consoleSleepUntil(deadline);
        }
    };
    drawMarks();
    consoleWrite(" binary converter ");
    drawMarks();
    consoleWrite("\n\n\n");
    consoleWrite("What would you like to do ?\n\n");
    consoleSleepUntil(deadline + questionPause);
    consoleWrite("1.)Convert Decimal to Binary\n");
    consoleWrite("2.)Convert Decimal to Hexadecimal\n");
    consoleWrite("3.)Convert Binary to Decimal\n");
    consoleWrite("4.)Convert Hexadecimal to Decimal\n");
    consoleWrite("Your Choice: ");
}

void pauseFor(milliseconds length) {
    consoleSleepUntil(consoleNow() + length);
}

void announce(std::string_view announcement) {
    consoleWrite(announcement);
    pauseFor(announcementPause);
    consoleClear();
}

int refuse(std::string_view message) {
    consoleWrite(message);
    pauseFor(refusalPause);
    return 1;
}

void showResult(std::uint64_t converted) {
    constexpr std::string_view label = "Number Converted: ";
    constexpr std::string_view ending = "\n\n";
    // The label, the 20 digits of the largest Value and the ending.
    std::array<char, label.size() + 20 + ending.size()> line{};
    char *end = line.data();
    end += label.copy(end, label.size());
    end = std::to_chars(end, line.data() + line.size(), converted).ptr;
    end += ending.copy(end, ending.size());
    consoleWrite({line.data(), static_cast<std::size_t>(end - line.data())});
}

int convert(const Conversion &conversion) {
    announce(conversion.announcement);
    consoleWrite(conversion.prompt);
    const auto value = readValue();
    if (!value) {
        return refuse(notANumberMessage);
    }
    if (*value > conversion.limit) {
        return refuse(conversion.limitMessage);
    }
    if (conversion.needsBinaryDigits && !hasOnlyBinaryDigits(*value)) {
        return refuse(notBinaryMessage);
    }
    showResult(converter(conversion.mode, *value));
    consolePause();
    return 0;
}

} // namespace

int runDialogue() {
    showBannerAndMenu();
    const auto choice = readChoice();
    switch (choice.value_or(0)) {
    case 1:
        return convert(decimalToBinary);
    case 2:
        return convert(decimalToHexadecimal);
    case 3:
        return convert(binaryToDecimal);
    case 4:
        announce("You have chosen \"Convert Hexadecimal to Decimal\"\n");
        consoleWrite("Coming soon !\n");
        consolePause();
        return 0;
    case 5:
        consoleWrite("Easter Egg !\n");
        consoleOpenImage();
        consolePause();
        return 0;
    default:
        consoleWrite("Invalid Choice\n");
        return 0;
    }
}
