#include "fake_console.hpp"

#include "console.hpp"

#include <optional>

namespace {

struct FakeConsole {
    std::string input;
    std::size_t nextInput = 0;
    std::optional<int> unread;
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
    std::string rest;
    if (fake.unread) {
        rest += static_cast<char>(*fake.unread);
    }
    return rest + fake.input.substr(fake.nextInput);
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
    if (fake.unread) {
        const int character = *fake.unread;
        fake.unread.reset();
        return character;
    }
    if (fake.nextInput == fake.input.size()) {
        return consoleEndOfInput;
    }
    return static_cast<unsigned char>(fake.input[fake.nextInput++]);
}

void consoleUnreadChar(int character) {
    fake.unread = character;
}
