// cell_encoder: turns a grid of cells into terminal bytes.
//
// Pure: no I/O. Two grids:
// - Text: 80 x 50 console cells. A cell is character (low byte of the low 16
//   bits, code page 437, sent as UTF-8; code 0 is a blank) | attribute << 16
//   (fg bits 0-3, bg bits 4-7, console order: bit 0 blue). Each cell takes
//   cellWidth terminal columns (1, or 2 for square cells with the usual 1:2
//   font): the character and its colours are sent once and the character
//   repeated.
// - Half blocks: a 160 x 100 picture as 160 x 50 upper-half-block cells, the
//   foreground the upper pixel and the background the lower one.
// In 24-bit colour the 16 console colours are sent as the exact palette the
// encoder was given; in 16-colour as ANSI colours. Pixels are sent in the
// depth the caller gives: as they are, or as the nearest console colour. Only cells that differ from the last
// encoded frame are sent, unless the state is marked for a full redraw
// (after an open, a resize, a change of depth, width or grid). A terminal
// smaller than the grid shows the centred part that fits; a larger one shows
// the grid centred. Every frame is wrapped in synchronized output. Colours
// are sent only when they change, and a skip along a row is a short forward
// move. Output never exceeds the caller's capacity: a frame that would not
// fit is cut and the next one redraws fully.
#pragma once

#include "platform/show_sizes.h"

#include <cstddef>
#include <cstdint>

constexpr int kEncoderColumns = kCellColumns;
constexpr int kEncoderRows = kCellRows;
constexpr int kEncoderCells = kEncoderColumns * kEncoderRows;
constexpr int kHalfBlockColumns = kFrameWidth, kHalfBlockRows = kFrameHeight / 2; // a pixel pair a cell
constexpr int kEncoderShownCells = kHalfBlockColumns * kHalfBlockRows;
// Worst case per terminal cell: cursor move, both 24-bit colours, a 3-byte glyph.
constexpr size_t kEncoderFrameCapacity = 64 + 16 + size_t{kEncoderShownCells} * 56;

// The terminal modes a picture is shown in (cursor hidden, no line wrap) and
// those a terminal is handed back in (attributes reset, line wrap on, cursor
// shown): the live terminal and the recordings send the same. Literals, so
// each side sends them within its own sequences in one write.
#define CELLRUNE_PICTURE_MODES "\x1b[?25l\x1b[?7l"
#define CELLRUNE_USER_MODES "\x1b[0m\x1b[?7h\x1b[?25h"

enum class ColourDepth : uint8_t { k16 = 16, k24 = 24 };
enum class EncoderGrid : uint8_t { kText, kHalfBlocks };

struct CellEncoderState {
    uint64_t shown[kEncoderShownCells]; // what the terminal shows now, cell by cell of the grid shown
    bool fullRedraw;
    ColourDepth depth;
    EncoderGrid grid; // the grid last encoded
    int cellWidth;    // terminal columns a text cell takes: 1 or 2
    int terminalColumns;
    int terminalRows;
    uint32_t palette[16]; // 0x00RRGGBB for console colours 0..15
};

// Starts with cell width 1 and a full redraw.
void resetCellEncoder(CellEncoderState* state, ColourDepth depth, int columns, int rows,
                      const uint32_t palette[16]);

// Each returns the number of bytes written to out.
size_t encodeCellFrame(CellEncoderState* state, const uint32_t* cells, char* out, size_t capacity);
// pixels: 160 x 100, 0x00RRGGBB, the top row first; depth: exact 24-bit, or the nearest console
// colours (whatever the text cells use).
size_t encodeHalfBlockFrame(CellEncoderState* state, const uint32_t* pixels, ColourDepth depth, char* out,
                            size_t capacity);

// How many terminal columns a text cell takes.
// - kAuto: 2 when the terminal has room for 160 columns and its cells are
//   taller than wide (unknown pixel sizes, 0, count as the usual 1:2), else 1.
// - kOne, kTwo: as said.
enum class CellWidthChoice : uint8_t { kAuto, kOne, kTwo };
int chooseCellWidth(CellWidthChoice choice, int terminalColumns, int cellPixelWidth, int cellPixelHeight);
// The answer to the cell-size question (CSI 16 t): ESC [ 6 ; height ; width t.
bool parseCellSizeAnswer(const uint8_t* bytes, size_t count, int* width, int* height);

// UTF-8 of a code page 437 character (0 shows as a space); up to 3 bytes plus a zero.
const char* codePage437Utf8(uint8_t character);

// The console colour nearest to a pixel (squared distance, the first of equals).
int nearestConsoleColour(const uint32_t palette[16], uint32_t rgb);

// ANSI colour number (0..7, + 8 bright) of a console colour index.
int ansiColourOf(int consoleColour);
