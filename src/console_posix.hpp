#pragma once

// What the POSIX console's files share besides the terminal's own.

#include <initializer_list>
#include <string_view>

// Writes "binary-converter: " and the parts, then the more, as one line on stderr in one call,
// cut short if very long.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});
