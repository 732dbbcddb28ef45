// cell_encoder: turns an 80 x 50 grid of console cells into terminal bytes.
//
// Pure: no I/O. A cell is character (low byte of the low 16 bits, code page
// 437, sent as UTF-8; code 0 is a blank) | attribute << 16 (fg bits 0-3, bg
// bits 4-7, console order: bit 0 blue). In 24-bit colour the 16 console
// colours are sent as the exact palette the encoder was given; in 16-colour
// as ANSI colours. Only cells that differ from the last encoded frame are
// sent, unless the state is marked for a full redraw (after an open, a
// resize, a change of depth). A terminal smaller than the grid shows the
// centred part that fits; a larger one shows the grid centred. Every frame is
// wrapped in synchronized output. Colours are sent only when they change,
// and a skip along a row is a short forward move. Output never exceeds the caller's capacity:
// a frame that would not fit is cut and the next one redraws fully.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kEncoderColumns = 80;
constexpr int kEncoderRows = 50;
constexpr int kEncoderCells = kEncoderColumns * kEncoderRows;
// Worst case per cell: cursor move, both 24-bit colours, a 3-byte glyph.
constexpr size_t kEncoderFrameCapacity = 64 + 16 + size_t{kEncoderCells} * 56;

enum class ColourDepth : uint8_t { k16 = 16, k24 = 24 };

struct CellEncoderState {
    uint32_t shown[kEncoderCells]; // what the terminal shows now
    bool fullRedraw;
    ColourDepth depth;
    int terminalColumns;
    int terminalRows;
    uint32_t palette[16]; // 0x00RRGGBB for console colours 0..15
};

void resetCellEncoder(CellEncoderState* state, ColourDepth depth, int columns, int rows,
                      const uint32_t palette[16]);

// Returns the number of bytes written to out.
size_t encodeCellFrame(CellEncoderState* state, const uint32_t* cells, char* out, size_t capacity);

// UTF-8 of a code page 437 character (0 shows as a space); up to 3 bytes plus a zero.
const char* codePage437Utf8(uint8_t character);

// ANSI colour number (0..7, + 8 bright) of a console colour index.
int ansiColourOf(int consoleColour);
