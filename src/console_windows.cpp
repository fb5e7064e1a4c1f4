// The console on Windows: the command processor clears, pauses and opens the image, and the
// kernel's Sleep keeps the pauses.

#include "console.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// NOLINTNEXTLINE(modernize-raw-string-literal)
constexpr const char *imagePath = ".\\ressources\\pic\\picture\\meme.jpg";

// The C runtime calls a pipe whose reader has gone an invalid argument; the system knows better.
int writeError() {
    const DWORD system = GetLastError();
    if (system == ERROR_NO_DATA || system == ERROR_BROKEN_PIPE ||
        system == ERROR_PIPE_NOT_CONNECTED) {
        return EPIPE;
    }
    return errno != 0 ? errno : EIO;
}

// Why the image cannot be handed to the command processor, or 0 when it can.
int imageMissing() {
    const DWORD attributes = GetFileAttributesA(imagePath);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EISDIR : 0;
}

// One line on stderr: the program's name, the parts, and the reason for error.
void reportError(std::initializer_list<std::string_view> parts, int error) {
    std::fputs("binary-converter: ", stderr);
    for (const std::string_view part : parts) {
        std::fwrite(part.data(), 1, part.size(), stderr);
    }
    std::fprintf(stderr, "%s\n", std::strerror(error));
}

[[noreturn]] void fail(std::string_view what, int error) {
    reportError({what}, error);
    std::_Exit(1);
}

} // namespace

void consoleBegin() {}

// The shell's prompt starts on a line of its own, after a last line that has no newline.
void consoleEnd() {
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &screen) != 0 &&
        screen.dwCursorPosition.X != 0) {
        consoleWrite("\n");
    }
}

// Flushed at every call: nothing waits in a buffer for a newline.
void consoleWrite(std::string_view text) {
    errno = 0;
    SetLastError(ERROR_SUCCESS);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        fail("write error: ", writeError());
    }
}

ConsoleClock::time_point ConsoleClock::now() noexcept {
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    // In two parts, so that the product cannot overflow.
    const long long perSecond = frequency.QuadPart;
    const long long seconds = counter.QuadPart / perSecond;
    const long long rest = counter.QuadPart % perSecond;
    return time_point{std::chrono::seconds{seconds} +
                      std::chrono::nanoseconds{rest * 1000000000 / perSecond}};
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

// The console shows keys typed ahead only once a read takes them.
void consoleHideKeys() {}

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

// Given a name that is not a file, the command processor looks for a program of that name with
// .com, .exe, .bat or .cmd added, and runs it: the line goes to it only for the image itself.
void consoleOpenImage() {
    const int missing = imageMissing();
    if (missing != 0) {
        reportError({"cannot open ", imagePath, ": "}, missing);
        return;
    }
    std::system(imagePath); // NOLINT(cert-env33-c)
}

int consoleReadChar() {
    const int character = std::getchar();
    if (character != EOF) {
        return character;
    }
    // A closed descriptor, a directory or a failing device is not an empty answer.
    if (std::ferror(stdin) != 0) {
        fail("read error: ", errno);
    }
    return consoleEndOfInput;
}

void consoleUnreadChar(int character) {
    std::ungetc(character, stdin);
}
