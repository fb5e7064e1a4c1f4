#include "dialogue.hpp"

#include "fake_console.hpp"
#include "texts.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using std::string;
using std::chrono::milliseconds;

// The banner and menu as the fake console records them: each mark is followed by its pause.
std::string bannerAndMenu() {
    std::string marks;
    for (int mark = 0; mark < 21; ++mark) {
        marks += "#<sleep 100>";
    }
    return marks + string(text::title) + marks + "\n\n\n" + string(text::question) + "<sleep 150>" +
           string(text::menu) + string(text::choicePrompt);
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

// The time writing takes comes off the next sleep: no sleep lasts its whole pause (100 ms after
// each of the 42 marks, 150 ms after the question), and the menu comes on time.
TEST(Dialogue, KeepsItsScheduleWhenWritingTakesTime) {
    fakeConsoleStart("", milliseconds{7});
    runDialogue();
    int sleeps = 0;
    for (const auto &event : fakeConsoleEvents()) {
        if (event.rfind("<sleep ", 0) == 0) {
            ++sleeps;
            EXPECT_LT(std::stoi(event.substr(7)), sleeps <= 42 ? 100 : 150) << "sleep " << sleeps;
        }
    }
    EXPECT_EQ(sleeps, 43);
    // 4350 ms on schedule, then the four menu lines, the prompt and "Invalid Choice".
    EXPECT_EQ(fakeConsoleElapsed(), milliseconds{4350 + 6 * 7});
}

// What the fake console records of an announcement, a prompt, a result and a refusal.
string announced(std::string_view announcement) {
    return "<hide keys>" + string(announcement) + "<sleep 1500><clear>";
}
const string announce1 = announced(text::chosen1);
const string announce2 = announced(text::chosen2);
const string announce3 = announced(text::chosen3);
const string number(text::numberPrompt);
const string binary(text::binaryPrompt);
string converted(const char *value) {
    return string(text::result) + value + "\n\n<pause>";
}
string refused(std::string_view message) {
    return string(message) + "<sleep 2800>";
}
const string decimalLimit = refused(text::decimalLimit);
const string binaryLimit = refused(text::binaryLimit);
const string notANumber = refused(text::notANumber);
const string notBinary = refused(text::notBinary);

struct FlowCase {
    std::string input;
    std::string afterMenu;
    int status;
};

TEST(Dialogue, RunsEachChoiceToItsEnd) {
    const FlowCase cases[] = {
        {"1\n10\n", announce1 + number + converted("1010"), 0},
        {"1\n0\n", announce1 + number + converted("0"), 0},
        {"1\n1048575\n", announce1 + number + converted("11111111111111111111"), 0},
        {"1\n1048576\n", announce1 + number + decimalLimit, 1},
        {"1 10", announce1 + number + converted("1010"), 0},
        {"1\nten\n", announce1 + number + notANumber, 1},
        {"1\n1,048,575\n", announce1 + number + notANumber, 1},
        {"1\n10.9\n", announce1 + number + notANumber, 1},
        {"2\n0x10\n", announce2 + number + notANumber, 1},
        {"3\n101b\n", announce3 + binary + notANumber, 1},
        {"1\n10 20\n", announce1 + number + notANumber, 1},
        {"1\n99999999999999999999x\n", announce1 + number + notANumber, 1},
        {"1\n10 \t\r\nmore", announce1 + number + converted("1010"), 0},
        {"1\n", announce1 + number + notANumber, 1},
        {"2\n255\n", announce2 + number + converted("1515"), 0},
        {"2\n1048575\n", announce2 + number + converted("1515151515"), 0},
        {"2\n1048576\n", announce2 + number + decimalLimit, 1},
        {"3\n101\n", announce3 + binary + converted("5"), 0},
        {"3\n1111111111111111111\n", announce3 + binary + converted("524287"), 0},
        {"3\n1111111111111111112\n", announce3 + binary + binaryLimit, 1},
        {"3\n11111111111111111111\n", announce3 + binary + binaryLimit, 1},
        {"3\n12\n", announce3 + binary + notBinary, 1},
        {"3\n9\n", announce3 + binary + notBinary, 1},
        {"4\n", announced(text::chosen4) + string(text::comingSoon) + "<pause>", 0},
        {"5\n", string(text::easterEgg) + "<image><pause>", 0},
        {"0\n", string(text::invalidChoice), 0},
        {"6\n", string(text::invalidChoice), 0},
        {"", string(text::invalidChoice), 0},
    };
    for (const auto &c : cases) {
        const DialogueRun run = runOn(c.input);
        EXPECT_EQ(run.afterMenu, c.afterMenu) << "input \"" << c.input << '"';
        EXPECT_EQ(run.status, c.status) << "input \"" << c.input << '"';
    }
}

} // namespace
