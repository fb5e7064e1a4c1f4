#pragma once

// The program's texts as the tests expect them: the one copy that every test reads, CMake's
// through tests/texts.cmake. They are not the program's own constants, so that a typo in the
// program fails a test. One text a line, as tests/texts.cmake reads them.

#include <string_view>

namespace text {

// clang-format off
constexpr std::string_view title = " binary converter ";
constexpr std::string_view question = "What would you like to do ?\n\n";
constexpr std::string_view menu = "1.)Convert Decimal to Binary\n2.)Convert Decimal to Hexadecimal\n3.)Convert Binary to Decimal\n4.)Convert Hexadecimal to Decimal\n";
constexpr std::string_view choicePrompt = "Your Choice: ";
constexpr std::string_view chosen1 = "You have chosen \"Convert Decimal to Binary\"\n";
constexpr std::string_view chosen2 = "You have chosen \"Convert Decimal to Hexadecimal\"\n";
constexpr std::string_view chosen3 = "You have chosen \"Convert Binary to Decimal\"\n";
constexpr std::string_view chosen4 = "You have chosen \"Convert Hexadecimal to Decimal\"\n";
constexpr std::string_view numberPrompt = "enter a number ";
constexpr std::string_view binaryPrompt = "enter a binary number ";
constexpr std::string_view result = "Number Converted: ";
constexpr std::string_view decimalLimit = "Too high, limit is 1048575 (integer overflow)\nexiting...";
constexpr std::string_view binaryLimit = "Too high, limit is 1111111111111111111 (integer overflow)\nexiting...";
constexpr std::string_view notANumber = "Not a number\nexiting...";
constexpr std::string_view notBinary = "Not a binary number (digits must be 0 or 1)\nexiting...";
constexpr std::string_view comingSoon = "Coming soon !\n";
constexpr std::string_view easterEgg = "Easter Egg !\n";
constexpr std::string_view invalidChoice = "Invalid Choice\n";
// The pause's prompt on POSIX, and how it begins on Windows too, where it is the command
// processor's own.
constexpr std::string_view pause = "Press any key to continue . . . ";
constexpr std::string_view pauseStart = "Press any key";
// How each line on stderr begins.
constexpr std::string_view error = "binary-converter: ";
// clang-format on

} // namespace text
