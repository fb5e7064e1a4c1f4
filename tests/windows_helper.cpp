// The Windows tests' other program, by its first argument:
//   shown FILE          the application the tests associate with .jpg files: notes FILE in
//                       shown.txt (UTF-8), in the current folder;
//   race PROGRAM RUNS   runs PROGRAM that many times at once on choice 5 in the current folder,
//                       and swaps the image with a batch file named after it, back and forth,
//                       from the moment the first run checks it, as a program that wants its
//                       batch file run in the image's place would;
//   anything else       a program planted where none may be looked for (a cmd.exe), or the
//                       system's cmd.exe standing in for Wine's own: leaves planted.txt in the
//                       current folder, with its command line and that folder, "LINE in FOLDER".

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <thread>
#include <vector>

#include <windows.h>

namespace {

constexpr const wchar_t *image = L"ressources\\pic\\picture\\meme.jpg";
constexpr const wchar_t *planted = L"ressources\\pic\\picture\\meme.jpg.bat";

// Whether the first run has said "Easter Egg !": it is then about to open the image.
bool atChoiceFive() {
    std::array<char, 4096> said{};
    std::FILE *output = _wfopen(L"run1.txt", L"rb");
    const std::size_t length = output != nullptr ? std::fread(said.data(), 1, 4095, output) : 0;
    if (output != nullptr) {
        std::fclose(output);
    }
    return std::strstr(said.data(), "Easter Egg") != nullptr && length > 0;
}

// Once the first run is at choice 5, and a moment later, so that it has checked the image but
// a command processor would not have looked for it yet: the image and the batch file trade
// places, back and forth, for as long as no run holds the image.
void swapUntil(const std::atomic<bool> &stop) {
    while (!stop && !atChoiceFive()) {
        Sleep(1);
    }
    Sleep(20);
    while (!stop) {
        if (MoveFileW(image, L"aside.jpg") != 0) {
            MoveFileW(L"aside.bat", planted);
            Sleep(2);
            MoveFileW(planted, L"aside.bat");
            MoveFileW(L"aside.jpg", image);
        }
        Sleep(1);
    }
}

int race(const wchar_t *program, int runs) {
    std::array<wchar_t, 4096> line{};
    std::swprintf(line.data(), line.size(), L"\"%ls\"", program);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    std::vector<PROCESS_INFORMATION> started(static_cast<std::size_t>(runs));
    std::atomic<bool> stop{false};
    std::thread swapper(swapUntil, std::cref(stop));
    int run = 0;
    for (auto &process : started) {
        std::array<wchar_t, 32> output{};
        std::swprintf(output.data(), output.size(), L"run%d.txt", ++run);
        STARTUPINFOW streams{};
        streams.cb = sizeof streams;
        streams.dwFlags = STARTF_USESTDHANDLES;
        streams.hStdInput = CreateFileW(L"choice.txt", GENERIC_READ, FILE_SHARE_READ, &inherited,
                                        OPEN_EXISTING, 0, nullptr);
        streams.hStdOutput = CreateFileW(output.data(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                         CREATE_ALWAYS, 0, nullptr);
        streams.hStdError = streams.hStdOutput;
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &streams,
                       &process);
    }
    for (const auto &process : started) {
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    stop = true;
    swapper.join();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"shown") == 0) {
        std::array<char, 4096> name{};
        const int length = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, name.data(), name.size(),
                                               nullptr, nullptr);
        std::FILE *notes = _wfopen(L"shown.txt", L"ab");
        std::fprintf(notes, "%.*s\n", length - 1, name.data());
        return std::fclose(notes);
    }
    if (argc == 4 && std::wcscmp(argv[1], L"race") == 0) {
        return race(argv[2], _wtoi(argv[3]));
    }
    std::array<wchar_t, MAX_PATH> folder{};
    GetCurrentDirectoryW(MAX_PATH, folder.data());
    std::FILE *notes = _wfopen(L"planted.txt", L"a");
    std::fwprintf(notes, L"%ls in %ls\n", GetCommandLineW(), folder.data());
    return std::fclose(notes);
}
