// The Windows console's error line, which the viewer writes too.

#include "console_windows.hpp"

#include <cerrno>
#include <cwchar>

#include <windows.h>

void reportError(std::initializer_list<std::wstring_view> parts) {
    constexpr std::size_t longest = 2048;
    std::array<wchar_t, longest> line{};
    std::size_t used = std::wstring_view{L"binary-converter: "}.copy(line.data(), line.size());
    for (const std::wstring_view part : parts) {
        used += part.copy(line.data() + used, line.size() - 2 - used);
    }
    used += std::wstring_view{L"\r\n"}.copy(line.data() + used, 2);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(error, &mode) != 0) {
        WriteConsoleW(error, line.data(), static_cast<DWORD>(used), &written, nullptr);
        return;
    }
    // Three bytes at most for each UTF-16 unit.
    std::array<char, 3 * longest> bytes{};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(used), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    WriteFile(error, bytes.data(), static_cast<DWORD>(length), &written, nullptr);
}

std::wstring_view reason(unsigned long error, ReasonText &text) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_ACCESS_DENIED) {
        return _wcserror(error == ERROR_ACCESS_DENIED ? EACCES : ENOENT);
    }
    if (error == ERROR_BAD_FILE_TYPE) {
        return L"not a plain file";
    }
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    while (length > 0 && std::wcschr(L" .\r\n", text[length - 1]) != nullptr) {
        --length;
    }
    return {text.data(), length};
}
