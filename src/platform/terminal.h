// terminal: the text console stand-in, the terminal the program runs in.
//
// terminalOpen takes the terminal (stdout when it is one, else /dev/tty),
// switches to the alternate screen, hides the cursor, turns autowrap off, puts
// input in raw mode (no echo, no line buffering; Ctrl-C still signals) and asks
// for 80 x 50. terminalClose restores all of it, and so do process exit, a
// crash signal (best effort) and Ctrl-Z, which suspends with the terminal
// restored and re-enters with a full redraw on continue. terminalPresent
// sends one 80 x 50 cell frame, only the changed cells, with one write.
// Input is read without blocking, one key at a time (see key_decoder).
// Main thread only; the signal handlers only set flags, except the crash one.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kEscapeTimeoutMs = 50;

bool terminalOpen(const uint32_t palette[16]); // false: no terminal, see terminalFailureReason
void terminalClose();
bool terminalIsOpen();
const char* terminalFailureReason();

void terminalSetTitle(const char* caption);
int terminalPresent(const uint32_t* cells); // bytes written, -1 when closed or failed

int terminalKeyPending(); // 1 when a whole key is waiting
int terminalReadKey();    // the key (a byte, kKeyEscape or kKeyIgnored), -1 when none

// For fatal paths (a crash signal, a lost display): puts the terminal's modes
// back if the show holds it, waiting a second at most for a terminal that has
// stopped reading. Async-signal-safe.
void terminalRestoreForExit();
// True once the terminal the show was started from has hung up (its emulator
// or tmux server gone), whether the show holds it or has handed it back.
bool terminalHungUp();

// 16 or 24 forces a colour depth; 0 detects it from COLORTERM at the next open.
void terminalSetColourDepth(int bits);
