#pragma once

#include <cstdint>
#include <optional>

// Reads one unsigned decimal number from the console's input:
//  1. white space (space, \t, \n, \v, \f, \r) is skipped;
//  2. an optional '+' or '-', then one or more digits 0-9; leading zeros mean nothing;
//  3. the read stops at the first character that is not a digit, which stays unread;
//  4. '-' negates the number modulo 2^32 (readChoice) or 2^64 (readValue);
//  5. digits beyond the range give its largest value, sign or no sign: they never wrap.
// Returns nothing when the text does not begin with a number or the input ends first, having read
// the white space and at most the sign. Input of any length is read in constant memory.
std::optional<std::uint32_t> readChoice();
std::optional<std::uint64_t> readValue();

// Reads the blanks (space, tab, carriage return) that end a line, and its newline, if that is all
// that is left of the line or of the input. Otherwise returns false, with the first other
// character left unread.
bool readEndOfLine();
