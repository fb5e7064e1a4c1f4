#include "fake_console.hpp"

#include "console.hpp"

#include <cstdio>
#include <cstdlib>

namespace {

struct FakeConsole {
    std::string input;
    std::size_t nextInput = 0;
    bool justRead = false; // the byte before nextInput may be handed back
    std::chrono::milliseconds costOfWrite{0};
    ConsoleClock::time_point now{};
    std::vector<std::string> events;
};

FakeConsole fake;

} // namespace

void fakeConsoleStart(std::string_view input, std::chrono::milliseconds costOfWrite) {
    fake = FakeConsole{};
    fake.input = input;
    fake.costOfWrite = costOfWrite;
}

const std::vector<std::string> &fakeConsoleEvents() {
    return fake.events;
}

std::string fakeConsoleTranscript() {
    std::string text;
    for (const auto &event : fake.events) {
        text += event;
    }
    return text;
}

std::string fakeConsoleUnread() {
    return fake.input.substr(fake.nextInput);
}

std::chrono::milliseconds fakeConsoleElapsed() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(fake.now.time_since_epoch());
}

void consoleWrite(std::string_view text) {
    fake.events.emplace_back(text);
    fake.now += fake.costOfWrite;
}

ConsoleClock::time_point consoleNow() {
    return fake.now;
}

void consoleSleepUntil(ConsoleClock::time_point deadline) {
    const auto pause = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - fake.now);
    fake.events.push_back("<sleep " + std::to_string(pause.count()) + ">");
    if (deadline > fake.now) {
        fake.now = deadline;
    }
}

void consoleHideKeys() {
    fake.events.emplace_back("<hide keys>");
}

void consoleClear() {
    fake.events.emplace_back("<clear>");
}

void consolePause() {
    fake.events.emplace_back("<pause>");
}

void consoleOpenImage() {
    fake.events.emplace_back("<image>");
}

int consoleReadChar() {
    fake.justRead = fake.nextInput < fake.input.size();
    if (!fake.justRead) {
        return consoleEndOfInput;
    }
    return static_cast<unsigned char>(fake.input[fake.nextInput++]);
}

// As the console's own, it steps back over the byte just read: the only one it can hand back.
// A caller that breaks the contract ends the test, or the fuzzing run, at once.
void consoleUnreadChar(int character) {
    if (!fake.justRead || static_cast<unsigned char>(fake.input[fake.nextInput - 1]) != character) {
        std::fputs("consoleUnreadChar: only the byte just read can be handed back\n", stderr);
        std::abort();
    }
    fake.justRead = false;
    --fake.nextInput;
}
