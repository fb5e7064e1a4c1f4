#pragma once

#include <cstdint>
#include <optional>

// Reads one unsigned decimal number from the console's input:
//  1. white space (space, \t, \n, \v, \f, \r) is skipped;
//  2. an optional '+' or '-', then one or more digits 0-9; leading zeros mean nothing;
//  3. the read stops at the first character that is not a digit, which stays unread;
//  4. '-' negates the number modulo 2^32 (readChoice) or 2^64 (readValue);
//  5. digits beyond the range give its largest value, sign or no sign: they never wrap.
// Returns nothing, having read at most the sign, when the text does not begin with a number or
// the input ends first. Input of any length is read in constant memory.
std::optional<std::uint32_t> readChoice();
std::optional<std::uint64_t> readValue();
