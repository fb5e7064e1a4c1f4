#include "console.hpp"
#include "dialogue.hpp"

int main() {
    consoleBegin();
    const int status = runDialogue();
    consoleEnd();
    return status;
}
