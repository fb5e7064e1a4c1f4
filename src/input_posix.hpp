#pragma once

// Standard input on POSIX, besides the console's own reads.

// Takes one key press from standard input, all of it: every byte that comes within a moment of
// the one before it, as an arrow or function key sends several, a character several in UTF-8,
// and a paste comes in pieces. The end of the input counts as a key.
void takeOneKey();
