// The console on Windows: the system's command processor clears and pauses, the kernel's Sleep
// keeps the pauses, and the C runtime reads and writes.

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

bool isConsole(DWORD stream) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

// Keys typed ahead that no read has taken, where the input is a console; not what the C runtime
// has already read, so the rest of the choice's line is kept for the number.
void dropTypedAhead() {
    if (isConsole(STD_INPUT_HANDLE)) {
        FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    }
}

// A copy of one of the program's standard handles that a program it starts can inherit.
HANDLE inheritable(DWORD stream) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(stream), GetCurrentProcess(), &copy, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

// Runs one command in the system's own command processor, and waits for it to end. It is started
// by its full path, so nothing is looked for in PATH or the current folder, whatever COMSPEC
// says; /d keeps the registry's AutoRun commands from running first; it runs in the system
// folder, a local one, as a network folder would have it say that UNC paths are not supported.
// It writes to the program's output; it reads the program's input where that is a console, else
// NUL, so that the pause goes on at once, as on POSIX.
void runCommand(std::wstring_view command) {
    std::array<wchar_t, MAX_PATH> folder{};
    std::array<wchar_t, MAX_PATH + 8> program{};
    std::array<wchar_t, 32> line{};
    ReasonText text{};
    const UINT length = GetSystemDirectoryW(folder.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        reportError({L"cannot find the system folder: ", reason(GetLastError(), text)});
        return;
    }
    // Each buffer holds the longest text it can be given: neither can be cut short.
    (void)std::swprintf(program.data(), program.size(), L"%ls\\cmd.exe", folder.data());
    (void)std::swprintf(line.data(), line.size(), L"cmd /d /c %.*ls",
                        static_cast<int>(command.size()), command.data());
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = isConsole(STD_INPUT_HANDLE)
                            ? inheritable(STD_INPUT_HANDLE)
                            : CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          &inherited, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = inheritable(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.data(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.data(), &startup, &process) == 0) {
        reportError({L"cannot run ", program.data(), L": ", reason(GetLastError(), text)});
    } else {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (const HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
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

// The console is cleared only where it is the output: cls would write a form feed into a file.
// Then the keys typed while the announcement stood or cls ran are thrown away, as on a POSIX
// terminal.
void consoleClear() {
    if (isConsole(STD_OUTPUT_HANDLE)) {
        runCommand(L"cls");
    }
    dropTypedAhead();
}

// Not every command processor's pause ignores keys typed before it began. Once a key has ended
// it, what is left of it (the rest of a paste, of a word typed) is thrown away: it would go to
// the command processor that started the program.
void consolePause() {
    dropTypedAhead();
    runCommand(L"pause");
    dropTypedAhead();
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

// One byte can always be handed back.
void consoleUnreadChar(int character) {
    (void)std::ungetc(character, stdin);
}
