#pragma once

// What the POSIX console's files share besides the terminal's own.

#include <initializer_list>
#include <string_view>

// Writes "binary-converter: " and the parts, then the more, as one line on stderr, cut short if
// very long. A failure to write it goes untold.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});

// Lets the terminal go, reports what failed and why (strerror of error) and ends the run with
// status 1.
[[noreturn]] void fail(std::string_view what, int error);

// Takes one key press from standard input, all of it: an arrow or function key sends several
// bytes at once. The end of the input counts as a key.
void takeOneKey();
