#pragma once

// Standard input on POSIX, besides the console's own reads.

// Takes one key press from standard input, all of it: an arrow or function key sends several
// bytes at once. The end of the input counts as a key.
void takeOneKey();
