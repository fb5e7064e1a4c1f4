#pragma once

// Output and error lines on POSIX, each written through the writer after a wait that found it
// will not block, and the failure that ends the run.

#include "writer_posix.hpp"

#include <initializer_list>
#include <string_view>

// Writes all of text to the output, after what a stop left owed of the line, or reports why not
// and ends the run; a closed pipe's SIGPIPE, pending meanwhile, ends it by that signal as the
// terminal is let go.
void writeOutput(std::string_view text, Clears clears = Clears::nothing);

// Shows the line a stop left owed to the screen, as far as the terminal takes it. Where the
// program waits for a key or a line, before it waits.
void showOwedLine();

// Writes "binary-converter: " and the parts, then the more, as one line on stderr, cut short if
// very long. A failure to write it goes untold.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});

// Lets the terminal go, reports what failed and why (strerror of error) and ends the run with
// status 1.
[[noreturn]] void fail(std::string_view what, int error);
