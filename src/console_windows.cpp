// The console on Windows: the command processor clears, pauses and opens the image, and the
// kernel's Sleep keeps the pauses.

#include "console.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

[[noreturn]] void failWrite(int error) {
    std::fputs("binary-converter: write error: ", stderr);
    std::fputs(std::strerror(error), stderr);
    std::fputs("\n", stderr);
    std::_Exit(1);
}

} // namespace

// The command processor starts its prompt on a fresh line itself.
void consoleBegin() {}
void consoleEnd() {}

// Flushed at every call: nothing waits in a buffer for a newline.
void consoleWrite(std::string_view text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        failWrite(errno != 0 ? errno : EIO);
    }
}

ConsoleClock::time_point consoleNow() {
    return ConsoleClock::now();
}

// Sleep wakes on the system's timer tick (often 15.6 ms), early or late against the deadline:
// sleep again until it has passed, and the next deadline absorbs the lateness.
void consoleSleepUntil(ConsoleClock::time_point deadline) {
    for (auto now = ConsoleClock::now(); now < deadline; now = ConsoleClock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        Sleep(static_cast<DWORD>(left.count()));
    }
}

// These three are what the command processor is for here, with fixed command lines.
void consoleClear() {
    std::system("cls"); // NOLINT(cert-env33-c)
}

// Not every command processor's pause ignores keys typed before it began.
void consolePause() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode) != 0) {
        FlushConsoleInputBuffer(input);
    }
    std::system("pause"); // NOLINT(cert-env33-c)
}

void consoleOpenImage() {
    // NOLINTNEXTLINE(cert-env33-c,modernize-raw-string-literal)
    std::system(".\\ressources\\pic\\picture\\meme.jpg");
}
