#pragma once

// The whole conversation of one run: banner, menu, one choice and its flow. Returns the process
// exit status: 1 when a number is refused, 0 for every other end.
int runDialogue();
