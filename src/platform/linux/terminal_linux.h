// terminal_linux: what the Linux side adds to the terminal for its own
// signal and display-loss paths.
#pragma once

// For fatal paths (a crash signal, a lost display): puts the terminal's modes
// back if the show holds it, waiting a second at most for a terminal that has
// stopped reading. Async-signal-safe.
void terminalRestoreForExit();
// True once the terminal the show was started from has hung up (its emulator
// or tmux server gone), whether the show holds it or has handed it back.
bool terminalHungUp();
