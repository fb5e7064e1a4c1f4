// The hidden choice's image on Windows, opened by the shell's own call for documents.
//
// The image is looked up once, by its full path, and held open from then on for the rest of the
// run, sharing reading alone: while the program holds it, no other program can change, rename,
// delete or replace the file, nor rename a folder above it. The shell is then handed that file
// as an item, not a name, to open as a .jpg file, with the application associated with .jpg: it
// never looks for a program to run by the name, as the command processor would (meme.jpg.bat),
// nor reads %NAME% in a folder's name as a variable, and a link is never followed (a link is
// refused), so nothing but the image checked can open.

#include "console_windows.hpp"

#include "console.hpp"

#include <array>
#include <cwchar>
#include <string_view>

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// NOLINTNEXTLINE(modernize-raw-string-literal)
constexpr std::wstring_view imagePath = L".\\ressources\\pic\\picture\\meme.jpg";

using Path = std::array<wchar_t, 4096>;

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The copy beside the program, as the zip has it.
bool besideTheProgram(Path &path) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    const std::wstring_view program(path.data(), length);
    const std::size_t folder = program.rfind(L'\\') + 1;
    const std::wstring_view image = imagePath.substr(2);
    if (length == 0 || length >= path.size() || folder + image.size() >= path.size()) {
        return false;
    }
    path[folder + image.copy(path.data() + folder, image.size())] = L'\0';
    return true;
}

// Opens the file at its full path for reading and holds it, sharing neither writing nor
// deletion; the link itself, if it is one, so that a link is seen as such.
HANDLE hold(const wchar_t *path, DWORD &error) {
    const HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    if (file != INVALID_HANDLE_VALUE &&
        (GetFileInformationByHandle(file, &information) == 0 ||
         (information.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)) {
        CloseHandle(file);
        error = ERROR_BAD_FILE_TYPE;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

} // namespace

// The image relative to the current folder, or else the one beside the program. Kept open until
// the program ends: the application the shell starts opens it after the shell has returned.
void consoleOpenImage() {
    Path here{};
    Path beside{};
    DWORD error = ERROR_SUCCESS;
    const DWORD length =
        GetFullPathNameW(imagePath.data(), static_cast<DWORD>(here.size()), here.data(), nullptr);
    const wchar_t *image = here.data();
    HANDLE file = INVALID_HANDLE_VALUE;
    if (length == 0 || length >= here.size()) {
        error = length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    } else {
        file = hold(image, error);
    }
    const bool elsewhere = besideTheProgram(beside) && _wcsicmp(here.data(), beside.data()) != 0;
    if (isMissing(error) && elsewhere) {
        image = beside.data();
        file = hold(image, error);
    }
    ReasonText text{};
    if (file == INVALID_HANDLE_VALUE) {
        const bool both = isMissing(error) && elsewhere;
        reportError({L"cannot open ", imagePath, both ? L" or " : L"", both ? beside.data() : L"",
                     L": ", reason(error, text)});
        return;
    }
    // Where COM cannot start, the shell still opens what needs none of it, and says when it
    // cannot: the failure needs no word of its own.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // The shell is handed the file itself, as an item, and the type to open it as: no name that
    // it would read again, and where it might expand %NAME%.
    PIDLIST_ABSOLUTE item = nullptr;
    const HRESULT found = SHParseDisplayName(image, nullptr, &item, 0, nullptr);
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask =
        SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_INVOKEIDLIST | SEE_MASK_CLASSNAME;
    open.lpIDList = item;
    open.lpClass = L".jpg";
    open.nShow = SW_SHOWNORMAL;
    const DWORD failure = FAILED(found)                 ? HRESULT_CODE(found)
                          : ShellExecuteExW(&open) == 0 ? GetLastError()
                                                        : ERROR_SUCCESS;
    // The image is held open: a file the shell cannot find is the program it was to start.
    if (isMissing(failure) || failure == ERROR_NO_ASSOCIATION) {
        reportError({L"cannot open ", image, L": no program opens .jpg images"});
    } else if (failure != ERROR_SUCCESS) {
        reportError({L"cannot open ", image, L": ", reason(failure, text)});
    }
    CoTaskMemFree(item);
}
