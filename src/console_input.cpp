// Standard input, read the same way on every platform.

#include "console.hpp"

#include <cstdio>

int consoleReadChar() {
    const int character = std::getchar();
    return character == EOF ? consoleEndOfInput : character;
}

void consoleUnreadChar(int character) {
    std::ungetc(character, stdin);
}
