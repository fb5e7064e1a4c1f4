// The dialogue of one run, over the console seam: the banner and the menu on one schedule, each
// choice's flow, the refusals, and the exit status.

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

constexpr std::string_view notANumberMessage = "Not a number\nexiting...";
constexpr std::string_view notBinaryMessage =
    "Not a binary number (digits must be 0 or 1)\nexiting...";

struct Conversion {
    int mode;
    std::string_view announcement;
    std::string_view prompt;
    std::uint64_t limit;
    bool needsBinaryDigits;
};

// 1048575 is the largest value whose binary digits, twenty ones, fit in 64 bits; the binary limit
// is nineteen ones.
constexpr Conversion decimalToBinary{1, "You have chosen \"Convert Decimal to Binary\"\n",
                                     "enter a number ", 1048575, false};
constexpr Conversion decimalToHexadecimal{2, "You have chosen \"Convert Decimal to Hexadecimal\"\n",
                                          "enter a number ", 1048575, false};
constexpr Conversion binaryToDecimal{3, "You have chosen \"Convert Binary to Decimal\"\n",
                                     "enter a binary number ", 1111111111111111111, true};

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

void sleepFor(milliseconds length) {
    consoleSleepUntil(consoleNow() + length);
}

// Keys typed from now until the clear are thrown away by it, and not shown meanwhile: hidden
// before the announcement shows, so that none typed as it appears slips through.
void announce(std::string_view announcement) {
    consoleHideKeys();
    consoleWrite(announcement);
    sleepFor(announcementPause);
    consoleClear();
}

// Writes the text, the number and the ending as one line, in one call.
void writeWithNumber(std::string_view text, std::uint64_t number, std::string_view ending) {
    // Room for the longest text and ending, and the 20 digits of the largest number.
    std::array<char, 80> line{};
    char *end = line.data();
    end += text.copy(end, text.size());
    end = std::to_chars(end, line.data() + line.size(), number).ptr;
    end += ending.copy(end, ending.size());
    consoleWrite({line.data(), static_cast<std::size_t>(end - line.data())});
}

int refuse(std::string_view message) {
    consoleWrite(message);
    sleepFor(refusalPause);
    return 1;
}

int refuseOverLimit(std::uint64_t limit) {
    writeWithNumber("Too high, limit is ", limit, " (integer overflow)\nexiting...");
    sleepFor(refusalPause);
    return 1;
}

int convert(const Conversion &conversion) {
    announce(conversion.announcement);
    consoleWrite(conversion.prompt);
    const auto value = readValue();
    if (!value || !readEndOfLine()) {
        return refuse(notANumberMessage);
    }
    if (*value > conversion.limit) {
        return refuseOverLimit(conversion.limit);
    }
    if (conversion.needsBinaryDigits && !hasOnlyBinaryDigits(*value)) {
        return refuse(notBinaryMessage);
    }
    writeWithNumber("Number Converted: ", converter(conversion.mode, *value), "\n\n");
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
