#pragma once

// What the Windows console's files share.

#include <initializer_list>
#include <string_view>

// Writes "binary-converter: " and the parts as one line on stderr: in the console's own
// characters on a console, in UTF-8 elsewhere.
void reportError(std::initializer_list<std::wstring_view> parts);
