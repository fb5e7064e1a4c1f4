// Standard input, read the same way on every platform.

#include "console.hpp"
#include "console_platform.hpp"

#include <cerrno>
#include <cstdio>

int consoleReadChar() {
    const int character = std::getchar();
    if (character != EOF) {
        return character;
    }
    // A closed descriptor, a directory or a failing device is not an empty answer.
    if (std::ferror(stdin) != 0) {
        consoleFail("read error: ", errno);
    }
    return consoleEndOfInput;
}

void consoleUnreadChar(int character) {
    std::ungetc(character, stdin);
}
