#pragma once

// The one writer of the program's output and error lines on POSIX, the final newline and the
// line shown again after a stop among them. It never waits: each call writes what the descriptor
// takes now, and its callers wait for that descriptor (writerDescriptor) between calls.

#include <string_view>

enum class Stream { output, errors };

// What a text does to the line the cursor is on: goes on with it, or clears the screen, which
// puts the cursor at the top left corner.
enum class Clears { nothing, screen };

// Opens the program's own descriptors for its controlling terminal. Descriptors 0 to 2 must be
// open.
void writerBegin();

// The descriptor that the next writerWrite to the stream writes to: the output's while a line is
// owed to the screen.
int writerDescriptor(Stream stream);

// Writes what the descriptor takes now, of the line owed first, then of the text: the count of
// the text's bytes written, 0 also when it wrote only of the line owed; or -1 with errno (EAGAIN
// when the descriptor takes nothing now).
long writerWrite(Stream stream, std::string_view text, Clears clears = Clears::nothing);

// After a stop, where the output is the terminal and the program's process group has it in the
// foreground, the line the cursor was on is owed to the screen, on a line of its own: a newline,
// then the line. Whether any of it is still owed.
void writerOweLine();
bool writerOwes();

// Ends the line the cursor is on, if the output is a terminal, the program's process group is
// not a background process group of it and the line holds anything, so that what comes next
// starts on a line of its own. A newline that the terminal cannot take now is dropped. 0, or the
// errno of the write.
int writerEndLine();
