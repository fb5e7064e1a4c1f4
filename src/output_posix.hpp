#pragma once

// Output on POSIX and the error lines, which wait where signals are answered.

#include <initializer_list>
#include <string_view>

// Writes all of text to the output, or reports why not and ends the run; a closed pipe's
// SIGPIPE, pending meanwhile, ends it by that signal as the terminal is let go. Tell when the
// text clears the screen: the cursor is then at the top.
void writeOutput(std::string_view text, bool clearsTheScreen = false);

// Writes "binary-converter: " and the parts, then the more, as one line on stderr, cut short if
// very long. A failure to write it goes untold.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});

// Lets the terminal go, reports what failed and why (strerror of error) and ends the run with
// status 1.
[[noreturn]] void fail(std::string_view what, int error);
