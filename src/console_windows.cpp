// The console on Windows: the command processor clears and pauses, the kernel's Sleep keeps the
// pauses, and the C runtime reads and writes.

#include "console_windows.hpp"

#include "console.hpp"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include <windows.h>

namespace {

// The C runtime calls a pipe whose reader has gone an invalid argument; the system knows better.
int writeError() {
    const DWORD system = GetLastError();
    if (system == ERROR_NO_DATA || system == ERROR_BROKEN_PIPE ||
        system == ERROR_PIPE_NOT_CONNECTED) {
        return EPIPE;
    }
    return errno != 0 ? errno : EIO;
}

[[noreturn]] void fail(std::wstring_view what, int error) {
    reportError({what, _wcserror(error)});
    std::_Exit(1);
}

bool isFullPathOfAFile(const wchar_t *path) {
    const bool full = (path[0] != L'\0' && path[1] == L':' && path[2] == L'\\') ||
                      (path[0] == L'\\' && path[1] == L'\\');
    const DWORD attributes = GetFileAttributesW(path);
    return full && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The command processor that system() starts for cls and pause: COMSPEC, when it names an
// existing file by its full path, or else the system's own. Without COMSPEC, the C runtime
// would start a cmd.exe from the current folder.
void settleTheCommandProcessor() {
    std::array<wchar_t, MAX_PATH> named{};
    const DWORD length = GetEnvironmentVariableW(L"COMSPEC", named.data(), MAX_PATH);
    if (length > 0 && length < MAX_PATH && isFullPathOfAFile(named.data())) {
        return;
    }
    std::array<wchar_t, MAX_PATH + 8> own{};
    const UINT folder = GetSystemDirectoryW(own.data(), MAX_PATH);
    if (folder > 0 && folder < MAX_PATH) {
        std::wcscpy(own.data() + folder, L"\\cmd.exe");
        _wputenv_s(L"COMSPEC", own.data());
    }
}

} // namespace

void consoleBegin() {
    settleTheCommandProcessor();
}

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
        fail(L"write error: ", writeError());
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

// The two that the command processor is for here, with fixed command lines.
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

int consoleReadChar() {
    const int character = std::getchar();
    if (character != EOF) {
        return character;
    }
    // A closed descriptor, a directory or a failing device is not an empty answer.
    if (std::ferror(stdin) != 0) {
        fail(L"read error: ", errno);
    }
    return consoleEndOfInput;
}

void consoleUnreadChar(int character) {
    std::ungetc(character, stdin);
}
