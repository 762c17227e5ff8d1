#pragma once
// Baud rate through termios2, kept apart because <asm/termbits.h> clashes with <termios.h>.

// Sets input and output speed of a terminal to any rate (BOTHER where no Bxxx constant exists).
// Returns 0, or -1 with errno set.
int zvSetBaudRate(int fd, unsigned rate);
// Reads the input and output speed of a terminal. Returns 0, or -1 with errno set.
int zvGetBaudRate(int fd, unsigned* inRate, unsigned* outRate);
