#pragma once

// What the Windows console's files share: the error line (error_windows.cpp).

#include <array>
#include <initializer_list>
#include <string_view>

// Writes "binary-converter: " and the parts as one line on stderr: in the console's own
// characters on a console, in UTF-8 elsewhere.
void reportError(std::initializer_list<std::wstring_view> parts);

// Why a call failed, given the system's error code: the C library's words where it has them, as
// on POSIX, else the system's, in text, without the final full stop.
using ReasonText = std::array<wchar_t, 512>;
std::wstring_view reason(unsigned long error, ReasonText &text);
