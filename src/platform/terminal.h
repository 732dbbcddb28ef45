// terminal: the text console, the terminal the program runs in (Linux: the
// terminal it was started from; Windows: its console; the browser: a terminal
// on the page).
//
// terminalOpen takes the terminal, gives the show a screen of its own (the
// user's is back as it was afterwards), hides the cursor, turns autowrap off,
// takes keys one at a time without echo and asks for 80 x 50 (160 x 50 with
// square cells). terminalClose restores all of it, and every way the program
// ends or is put aside (exit, a crash, being suspended) restores it too; a
// show taken up again redraws in full. terminalPresent sends one 80 x 50 cell
// frame, only the changed cells, at once. Input is read without blocking, one
// key at a time (see key_decoder). Main thread only.
#pragma once

#include "platform/cell_encoder.h"
#include "platform/show_keys.h"

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

int terminalKeyPending(); // 1 when a whole key (or a sequence to drop) is waiting
// Takes the next one: false when none was waiting. A keystroke is a kStroke; a sequence that is no
// key (an arrow, the terminal's own answers) is kShowKeyOther.
bool terminalReadKey(ShowKeyEvent* event);

// How colours reach the terminal.
// - kDetect: 24-bit where the terminal says it shows them, else the
//   terminal's own 16 colours; and the console palette is lent to the
//   terminal (see terminal_palette): once the terminal confirms it, short
//   16-colour codes with exact colours.
// - kSixteen: the terminal's own 16 colours, its palette untouched.
// - kTwentyFour: exact 24-bit colours, its palette untouched.
// - kPalette: the console palette lent without waiting for a confirmation.
// A lent palette is given back on every way out (close, suspension, crash).
enum class TerminalColours : uint8_t { kDetect, kSixteen, kTwentyFour, kPalette };
void terminalSetColours(TerminalColours colours);

// How many terminal columns a text cell takes (see chooseCellWidth); auto
// follows resizes and the cell size the terminal reports (its pixel size, or
// the answer to the cell-size question asked at the start), and asks the
// terminal for 160 x 50 where cells are taller than wide.
void terminalSetCellWidth(CellWidthChoice choice);
