#include "dialogue.hpp"

#include "fake_console.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using std::chrono::milliseconds;

// The banner and menu as the fake console records them: each mark is followed by its pause.
std::string bannerAndMenu() {
    std::string marks;
    for (int mark = 0; mark < 21; ++mark) {
        marks += "#<sleep 100>";
    }
    return marks + " binary converter " + marks +
           "\n\n\nWhat would you like to do ?\n\n<sleep 150>1.)Convert Decimal to Binary\n"
           "2.)Convert Decimal to Hexadecimal\n3.)Convert Binary to Decimal\n"
           "4.)Convert Hexadecimal to Decimal\nYour Choice: ";
}

struct DialogueRun {
    int status;
    std::string afterMenu;
};

// Runs the dialogue on the input and returns what came after the banner and menu.
DialogueRun runOn(const std::string &input) {
    fakeConsoleStart(input);
    const int status = runDialogue();
    const std::string start = bannerAndMenu();
    const std::string transcript = fakeConsoleTranscript();
    EXPECT_EQ(transcript.substr(0, start.size()), start) << "input \"" << input << '"';
    return {status, transcript.substr(std::min(start.size(), transcript.size()))};
}

TEST(Dialogue, KeepsItsScheduleWhenWritingTakesTime) {
    fakeConsoleStart("", milliseconds{7});
    runDialogue();
    const auto &events = fakeConsoleEvents();
    EXPECT_EQ(events[1], "<sleep 93>");
    // After the last mark come the line ends and the question: two writes before the pause.
    EXPECT_EQ(events[std::size_t{2} * 42 + 3], "<sleep 136>");
    // 4350 ms on schedule, then the four menu lines, the prompt and "Invalid Choice".
    EXPECT_EQ(fakeConsoleElapsed(), milliseconds{4350 + 6 * 7});
}

const std::string announce1 =
    "<hide keys>You have chosen \"Convert Decimal to Binary\"\n<sleep 1500><clear>";
const std::string announce2 =
    "<hide keys>You have chosen \"Convert Decimal to Hexadecimal\"\n<sleep 1500><clear>";
const std::string announce3 =
    "<hide keys>You have chosen \"Convert Binary to Decimal\"\n<sleep 1500><clear>";
const std::string decimalLimit =
    "Too high, limit is 1048575 (integer overflow)\nexiting...<sleep 2800>";
const std::string binaryLimit =
    "Too high, limit is 1111111111111111111 (integer overflow)\nexiting...<sleep 2800>";
const std::string notANumber = "Not a number\nexiting...<sleep 2800>";
const std::string notBinary = "Not a binary number (digits must be 0 or 1)\nexiting...<sleep 2800>";

struct FlowCase {
    std::string input;
    std::string afterMenu;
    int status;
};

TEST(Dialogue, RunsEachChoiceToItsEnd) {
    const FlowCase cases[] = {
        {"1\n10\n", announce1 + "enter a number Number Converted: 1010\n\n<pause>", 0},
        {"1\n0\n", announce1 + "enter a number Number Converted: 0\n\n<pause>", 0},
        {"1\n1048575\n",
         announce1 + "enter a number Number Converted: 11111111111111111111\n\n<pause>", 0},
        {"1\n1048576\n", announce1 + "enter a number " + decimalLimit, 1},
        {"1 10", announce1 + "enter a number Number Converted: 1010\n\n<pause>", 0},
        {"1\nten\n", announce1 + "enter a number " + notANumber, 1},
        {"1\n1,048,575\n", announce1 + "enter a number " + notANumber, 1},
        {"1\n10.9\n", announce1 + "enter a number " + notANumber, 1},
        {"2\n0x10\n", announce2 + "enter a number " + notANumber, 1},
        {"3\n101b\n", announce3 + "enter a binary number " + notANumber, 1},
        {"1\n10 20\n", announce1 + "enter a number " + notANumber, 1},
        {"1\n99999999999999999999x\n", announce1 + "enter a number " + notANumber, 1},
        {"1\n10 \t\r\nmore", announce1 + "enter a number Number Converted: 1010\n\n<pause>", 0},
        {"1\n", announce1 + "enter a number " + notANumber, 1},
        {"2\n255\n", announce2 + "enter a number Number Converted: 1515\n\n<pause>", 0},
        {"2\n1048575\n", announce2 + "enter a number Number Converted: 1515151515\n\n<pause>", 0},
        {"2\n1048576\n", announce2 + "enter a number " + decimalLimit, 1},
        {"3\n101\n", announce3 + "enter a binary number Number Converted: 5\n\n<pause>", 0},
        {"3\n1111111111111111111\n",
         announce3 + "enter a binary number Number Converted: 524287\n\n<pause>", 0},
        {"3\n1111111111111111112\n", announce3 + "enter a binary number " + binaryLimit, 1},
        {"3\n11111111111111111111\n", announce3 + "enter a binary number " + binaryLimit, 1},
        {"3\n12\n", announce3 + "enter a binary number " + notBinary, 1},
        {"3\n9\n", announce3 + "enter a binary number " + notBinary, 1},
        {"4\n",
         "<hide keys>You have chosen \"Convert Hexadecimal to Decimal\"\n<sleep 1500><clear>"
         "Coming soon !\n<pause>",
         0},
        {"5\n", "Easter Egg !\n<image><pause>", 0},
        {"0\n", "Invalid Choice\n", 0},
        {"6\n", "Invalid Choice\n", 0},
        {"", "Invalid Choice\n", 0},
    };
    for (const auto &c : cases) {
        const DialogueRun run = runOn(c.input);
        EXPECT_EQ(run.afterMenu, c.afterMenu) << "input \"" << c.input << '"';
        EXPECT_EQ(run.status, c.status) << "input \"" << c.input << '"';
    }
}

} // namespace
