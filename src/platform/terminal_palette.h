// terminal_palette: lends the terminal's 16 colours to the console palette
// for the show, so that short 16-colour codes give the exact colours, and
// gives them back afterwards.
//
// Pure: builds the sequences and reads the terminal's answers; the terminal
// code does the I/O. The opening sequence asks for the 16 colours as they
// are (terminals that answer give their originals), asks for the device
// attributes (every terminal answers, and that answer marks the end of the
// originals), sets the 16 colours (OSC 4), asks for one of them again and
// for the attributes once more (that answer: nothing more is coming). An
// answer between the two attribute answers that equals the colour set proves that the
// terminal shows the console palette; until then nothing may rely on it. A
// terminal that ignores all of it is left as it was. The restoring sequence
// sets back each original that was answered and resets (OSC 104) the rest.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kPaletteSequenceCapacity = 16 * 32 + 16;

struct TerminalPalette {
    uint32_t palette[16];  // 0x00RRGGBB as the terminal numbers its colours (ANSI order)
    char original[16][24]; // the terminal's own colour as it answered ("rgb:..."), "" when unknown
    int attributesAnswers; // 0: colours answered are originals; 1: the confirmation; 2: all answered
    bool confirmed;        // the terminal shows the palette set
    char restore[kPaletteSequenceCapacity];
    size_t restoreLength;
};

// palette: the 16 console colours, in console order (bit 0 blue).
void startTerminalPalette(TerminalPalette* state, const uint32_t palette[16]);

// The set alone: OSC 4 for colours 0..15, each console colour at its ANSI number (also for recordings).
size_t paletteSetSequence(const uint32_t palette[16], char* out, size_t capacity);
// Questions, the set, and the question that confirms it.
size_t paletteOpeningSequence(const TerminalPalette& state, char* out, size_t capacity);

// The Linux console knows neither OSC 4 nor the questions, and would print them: it has a
// palette sequence of its own (ESC ] P, index and RRGGBB in hex) and a reset (ESC ] R), which
// the state's restore becomes. It always takes the set, so the state counts as confirmed.
size_t startLinuxConsolePalette(TerminalPalette* state, const uint32_t palette[16], char* out,
                                size_t capacity);

// One input sequence the key decoder returned as ignored (an OSC or CSI
// answer among them). Returns true when it was an answer this state uses.
bool takeTerminalAnswer(TerminalPalette* state, const uint8_t* bytes, size_t count);

// Parses an OSC 4 colour answer: "ESC ] 4 ; [index ;] rgb:R/G/B" ending in
// BEL or ESC \, each channel 1-4 hex digits. *index is -1 when the answer
// names none. *colourText gets the "rgb:..." text (up to 23 bytes and a zero).
bool parseColourAnswer(const uint8_t* bytes, size_t count, int* index, uint32_t* colour, char colourText[24]);
