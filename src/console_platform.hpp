#pragma once

#include <string_view>

// What the console's shared files need from each platform's own.

// Gives the console back, writes "binary-converter: ", what and the reason for error as one line
// on stderr, and ends the program with status 1.
[[noreturn]] void consoleFail(std::string_view what, int error);
