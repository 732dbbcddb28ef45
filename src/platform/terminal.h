// terminal: the text console stand-in, the terminal the program runs in.
//
// terminalOpen takes the terminal (stdout when it is one, else /dev/tty),
// switches to the alternate screen, hides the cursor, turns autowrap off, puts
// input in raw mode (no echo, no line buffering; Ctrl-C still signals) and asks
// for 80 x 50 (160 x 50 with square cells). terminalClose restores all of it, and so do process exit, a
// crash signal (best effort) and Ctrl-Z, which suspends with the terminal
// restored and re-enters with a full redraw on continue. terminalPresent
// sends one 80 x 50 cell frame, only the changed cells, with one write.
// Input is read without blocking, one key at a time (see key_decoder).
// Main thread only; the signal handlers only set flags, except the crash one.
#pragma once

#include "platform/cell_encoder.h"

#include <cstddef>
#include <cstdint>

constexpr int kEscapeTimeoutMs = 50;

bool terminalOpen(const uint32_t palette[16]); // false: no terminal, see terminalFailureReason
void terminalClose();
bool terminalIsOpen();
const char* terminalFailureReason();

void terminalSetTitle(const char* caption);
int terminalPresent(const uint32_t* cells); // bytes written, -1 when closed or failed
// A 160 x 100 picture (top row first) as 160 x 50 half-block cells; as terminalPresent.
int terminalPresentPixels(const uint32_t* pixels);

int terminalKeyPending(); // 1 when a whole key is waiting
int terminalReadKey();    // the key (a byte, kKeyEscape or kKeyIgnored), -1 when none

// For fatal paths (a crash signal, a lost display): puts the terminal's modes
// back if the show holds it, waiting a second at most for a terminal that has
// stopped reading. Async-signal-safe.
void terminalRestoreForExit();
// True once the terminal the show was started from has hung up (its emulator
// or tmux server gone), whether the show holds it or has handed it back.
bool terminalHungUp();

// How colours reach the terminal.
// - kDetect: 24-bit where COLORTERM says truecolor or 24bit, else the
//   terminal's own 16 colours; and the console palette is lent to the
//   terminal (see terminal_palette): once the terminal confirms it, short
//   16-colour codes with exact colours.
// - kSixteen: the terminal's own 16 colours, its palette untouched.
// - kTwentyFour: exact 24-bit colours, its palette untouched.
// - kPalette: the console palette lent without waiting for a confirmation.
// A lent palette is given back on every way out (close, Ctrl-Z, crash).
enum class TerminalColours : uint8_t { kDetect, kSixteen, kTwentyFour, kPalette };
void terminalSetColours(TerminalColours colours);

// How many terminal columns a text cell takes (see chooseCellWidth); auto
// follows resizes and the cell size the terminal reports (its pixel size, or
// the answer to the cell-size question asked at the start), and asks the
// terminal for 160 x 50 where cells are taller than wide.
void terminalSetCellWidth(CellWidthChoice choice);
