#pragma once

// The terminal's settings on POSIX, a set for each stage of the dialogue, and which process
// group has the terminal. The program's own flow calls these, never a signal-catching function;
// they wait for nothing, write nothing, and call nothing in the other console files.

// What the terminal's settings are made for, from the ones the program found:
//   line   as found, with a carriage return read as a newline (icrnl on, igncr off);
//   quiet  line without echo, while an announcement stands;
//   key    quiet, in non-canonical (cbreak) mode, a key at a time, for the pause.
enum class TerminalStage { line, quiet, key };

// What becomes of the keys typed ahead and not yet read when the settings change.
enum class TypedAhead { kept, thrownAway };

// Takes the terminal for the run, before the first output: the line stage.
void terminalBegin();

// Whether standard input is a terminal: the pause then waits for a key there.
bool terminalTakesKeys();

// Whether fd is a terminal whose foreground process group is the program's, or is another
// process group: a background one, when fd is the controlling terminal.
bool terminalInForeground(int fd);
bool terminalInBackground(int fd);

// Moves to the stage, with its settings where the program's process group is the foreground
// process group.
void terminalEnter(TerminalStage next, TypedAhead typedAhead);

// Gives the terminal back the settings the program found, if it has the program's own, and
// throws away the keys typed while they were hidden; from the foreground process group alone.
// From a background process group the settings and the keys typed are the shell's: the program
// changes nothing and forgets the settings it made.
void terminalGiveBack();

// Gives the terminal back for good: no stage takes it again, not even after a stop.
void terminalLetGo();

// Takes the stage up again after a continue: its settings made afresh from the terminal's,
// which the shell or the user may have changed meanwhile.
void terminalTakeUp(TypedAhead typedAhead);
