#pragma once

// The terminal's state on POSIX: its settings at each stage, and the line the cursor is on. The
// program's own flow calls these, never a signal-catching function; they wait for nothing, and
// they call nothing in the other console files.

#include <string_view>

// What the terminal's settings are made for, from the ones the program found:
//   line   as found, with a carriage return read as a newline;
//   quiet  line without echo, while an announcement stands;
//   key    quiet, a key at a time, for the pause.
enum class TerminalStage { line, quiet, key };

// Takes the terminal for the run, before the first output: the line stage.
void terminalBegin();

// Whether standard input is a terminal: the pause then waits for a key there.
bool terminalTakesKeys();

// Where output goes: on a terminal, a descriptor of the program's own for it, which never
// blocks (a write that cannot be done now fails with EAGAIN); else standard output.
int terminalOutput();

// Whether fd is the program's controlling terminal and another process group has it: the shell.
bool terminalInBackground(int fd);

// Moves to the stage, with its settings where the program is in the foreground; when asked, the
// keys typed ahead are thrown away with the change.
void terminalEnter(TerminalStage next, bool dropTypedAhead);

// Gives the terminal back the settings the program found, if it has the program's own; keys
// typed while they were hidden go too. Never stops the program, even from the background.
void terminalGiveBack();

// Takes the stage up again after a stop (or a continue with none): its settings made afresh
// from the terminal's, and, after a stop, the keys typed meanwhile thrown away and the line the
// cursor was on owed to the screen.
void terminalTakeUp(bool afterStop);

// Whether a line is owed to the screen, and writing what the terminal takes of it now.
bool terminalOwesLine();
void terminalWriteOwedLine();

// Notes what was written to the output: where the cursor is now.
void terminalWritten(std::string_view text, bool clearedTheScreen);

// Ends the line the cursor is on, with a blocking write, if the output is a terminal the
// program is not in the background of and the line holds anything, so that what comes next
// starts on a line of its own. 0, or the errno of the write.
int terminalEndLine();
