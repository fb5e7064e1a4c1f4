// The program: the dialogue, with the console taken for the run and given back at its end.

#include "console.hpp"
#include "dialogue.hpp"

int main() {
    consoleBegin();
    const int status = runDialogue();
    consoleEnd();
    return status;
}
