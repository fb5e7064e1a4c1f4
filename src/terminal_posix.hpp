#pragma once

// The terminal's state on POSIX: the descriptors the program writes through, its settings at
// each stage, and the line the cursor is on. The program's own flow calls these, never a
// signal-catching function; they wait for nothing, and they call nothing in the other console
// files.

#include <string_view>

// What the terminal's settings are made for, from the ones the program found:
//   line   as found, with a carriage return read as a newline;
//   quiet  line without echo, while an announcement stands;
//   key    quiet, a key at a time, for the pause.
enum class TerminalStage { line, quiet, key };

// Opens the program's own descriptors for the terminal and takes it for the run, before the
// first output: the line stage. Descriptors 0 to 2 must be open.
void terminalBegin();

// Whether standard input is a terminal: the pause then waits for a key there.
bool terminalTakesKeys();

// Where output and error lines go: on a terminal, a descriptor of the program's own for it,
// which never blocks (a write that cannot be done now fails with EAGAIN), where one can be
// opened; else standard output and standard error.
int terminalOutput();
int terminalErrors();

// Whether fd is the controlling terminal and the program's process group is a background
// process group of it.
bool terminalInBackground(int fd);

// Moves to the stage, with its settings where the program's process group is the foreground
// process group; when asked, the keys typed ahead are thrown away with the change.
void terminalEnter(TerminalStage next, bool dropTypedAhead);

// Gives the terminal back the settings the program found, if it has the program's own, and
// throws away the keys typed while they were hidden; from the foreground process group alone.
// From a background process group the settings and the keys typed are the shell's: the program
// changes nothing and forgets the settings it made.
void terminalGiveBack();

// Gives the terminal back for good: no stage takes it again, not even after a stop.
void terminalLetGo();

// Takes the stage up again after a stop (or a continue with none): its settings made afresh
// from the terminal's, and, after a stop, the keys typed meanwhile thrown away and the line the
// cursor was on owed to the screen.
void terminalTakeUp(bool afterStop);

// Whether a line is owed to the screen, and writing what the terminal takes of it now.
bool terminalOwesLine();
void terminalWriteOwedLine();

// Notes what was written to the output: where the cursor is now.
void terminalWritten(std::string_view text, bool clearedTheScreen);

// Ends the line the cursor is on, if the output is a terminal, the program's process group is
// not a background process group of it and the line holds anything, so that what comes next starts
// on a line of its own. Never waits: a newline that the terminal cannot take now is dropped. 0, or
// the errno of the write.
int terminalEndLine();
