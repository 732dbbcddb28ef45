#include "display/cell_image.h"
#include "platform/cell_encoder.h"
#include "platform/key_decoder.h"
#include "platform/terminal_palette.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kBegin = "\x1b[?2026h";
const std::string kEnd = "\x1b[?2026l";

class CellEncoder : public ::testing::Test {
  protected:
    CellEncoderState state;
    std::vector<uint32_t> cells = std::vector<uint32_t>(kEncoderCells, makeCell(' ', 0x07));
    std::vector<char> out = std::vector<char>(kEncoderFrameCapacity);

    std::string encode() {
        size_t n = encodeCellFrame(&state, cells.data(), out.data(), out.size());
        return std::string(out.data(), n);
    }
    // A 2 x 1 terminal shows the two middle cells of row 24: (39, 24) and (40, 24).
    void smallTerminal(ColourDepth depth) {
        resetCellEncoder(&state, depth, 2, 1, consolePalette);
        cells[24 * 80 + 39] = makeCell(0xB0, 0x1E); // light shade, yellow on blue
        cells[24 * 80 + 40] = makeCell('A', 0x1E);
    }
};

TEST_F(CellEncoder, ExactBytesIn16Colours) {
    smallTerminal(ColourDepth::k16);
    // Console yellow (14) is ANSI bright yellow (93); console blue (1) is ANSI blue (44).
    EXPECT_EQ(encode(), kBegin + "\x1b[0m\x1b[2J" + "\x1b[1;1H\x1b[93;44m\xe2\x96\x91" + "A" + kEnd);
}

TEST_F(CellEncoder, ExactBytesIn24BitColour) {
    smallTerminal(ColourDepth::k24);
    EXPECT_EQ(encode(), kBegin + "\x1b[0m\x1b[2J" + "\x1b[1;1H\x1b[38;2;255;255;0;48;2;0;0;160m\xe2\x96\x91" +
                            "A" + kEnd);
}

TEST_F(CellEncoder, UnchangedFrameWritesOnlyTheWrapper) {
    resetCellEncoder(&state, ColourDepth::k16, 80, 50, consolePalette);
    std::string first = encode();
    EXPECT_GT(first.size(), 4000u);
    EXPECT_EQ(encode(), kBegin + kEnd);
}

TEST_F(CellEncoder, OneChangedCellIsOneMoveAndOneCell) {
    resetCellEncoder(&state, ColourDepth::k16, 80, 50, consolePalette);
    encode();
    cells[10 * 80 + 5] = makeCell(0xDB, 0x0C);
    EXPECT_EQ(encode(), kBegin + "\x1b[11;6H\x1b[91;40m\xe2\x96\x88" + kEnd);
    // Two neighbours in a row need one move; the attribute is sent once.
    cells[3 * 80 + 0] = makeCell('x', 0x70);
    cells[3 * 80 + 1] = makeCell('y', 0x70);
    EXPECT_EQ(encode(), kBegin + "\x1b[4;1H\x1b[30;47mxy" + kEnd);
}

TEST_F(CellEncoder, IgnoredBitsDoNotCountAsChanges) {
    resetCellEncoder(&state, ColourDepth::k16, 80, 50, consolePalette);
    encode();
    for (auto& c : cells) c |= 0xFF00u; // the character field's high byte
    EXPECT_EQ(encode(), kBegin + kEnd);
}

TEST_F(CellEncoder, LargerTerminalCentresThePicture) {
    resetCellEncoder(&state, ColourDepth::k16, 100, 60, consolePalette);
    std::string frame = encode();
    EXPECT_NE(frame.find("\x1b[6;11H"), std::string::npos); // (100-80)/2+1, (60-50)/2+1
    EXPECT_EQ(frame.find("\x1b[1;1H"), std::string::npos);
}

TEST_F(CellEncoder, ResizeAndDepthChangeRedrawFully) {
    resetCellEncoder(&state, ColourDepth::k16, 80, 50, consolePalette);
    encode();
    state.fullRedraw = true;
    std::string again = encode();
    EXPECT_NE(again.find("\x1b[2J"), std::string::npos);
    EXPECT_GT(again.size(), 4000u);
}

TEST_F(CellEncoder, NeverWritesPastTheCapacity) {
    resetCellEncoder(&state, ColourDepth::k24, 80, 50, consolePalette);
    for (int i = 0; i < kEncoderCells; ++i) cells[i] = makeCell(0xB1, static_cast<uint32_t>(i % 256));
    std::vector<char> small(1000, '\x55');
    size_t n = encodeCellFrame(&state, cells.data(), small.data(), 900);
    EXPECT_LE(n, 900u);
    EXPECT_EQ(small[900], '\x55');
    EXPECT_EQ(std::string(small.data() + n - kEnd.size(), kEnd.size()), kEnd);
    EXPECT_TRUE(state.fullRedraw); // the cut frame is drawn again in full
    // The worst case fits the advertised capacity.
    EXPECT_LE(encode().size(), kEncoderFrameCapacity);
}

TEST_F(CellEncoder, SquareCellsTakeTwoColumnsAndMovesCountColumns) {
    // 160 columns: cell (x, y) starts at column 2x + 1; a changed cell is sent once with its glyph twice.
    struct Case {
        int columns;
        int x;              // the changed cell
        std::string move;   // the move to it
        std::string second; // the move to the next changed cell, three cells on
    } cases[] = {
        {160, 5, "\x1b[11;11H",
         "\x1b[4C"}, // after cell 5 the cursor is at cell 6: two cells, four columns on
        {170, 5, "\x1b[11;16H", "\x1b[4C"},  // centred: 5 blank columns on the left
        {120, 20, "\x1b[11;21H", "\x1b[4C"}, // 60 cells fit: cells 10..69 shown, cell 20 at column 21
    };
    for (const Case& c : cases) {
        resetCellEncoder(&state, ColourDepth::k16, c.columns, 50, consolePalette);
        state.cellWidth = 2;
        encode();
        cells[10 * 80 + c.x] = makeCell('a', 0x0C);
        cells[10 * 80 + c.x + 3] = makeCell('b', 0x0C);
        EXPECT_EQ(encode(), kBegin + c.move + "\x1b[91;40maa" + c.second + "bb" + kEnd) << c.columns;
        cells[10 * 80 + c.x] = cells[10 * 80 + c.x + 3] = makeCell(' ', 0x07);
    }
}

TEST_F(CellEncoder, HalfBlocksCarryTheUpperAndLowerPixel) {
    resetCellEncoder(&state, ColourDepth::k16, 160, 50, consolePalette);
    std::vector<uint32_t> pixels(160 * 100, 0);
    encodeHalfBlockFrame(&state, pixels.data(), ColourDepth::k24, out.data(), out.size());
    pixels[6 * 160 + 7] = 0x123456; // cell (7, 3): upper pixel
    pixels[7 * 160 + 7] = 0xFFFFFE; // and lower
    size_t n = encodeHalfBlockFrame(&state, pixels.data(), ColourDepth::k24, out.data(), out.size());
    EXPECT_EQ(std::string(out.data(), n),
              kBegin + "\x1b[4;8H\x1b[38;2;18;52;86;48;2;255;255;254m\xe2\x96\x80" + kEnd);
    // In 16 colours the nearest console colours: white (15) over black (0) is bright white on black.
    pixels[6 * 160 + 7] = 0xF0F0F0;
    pixels[7 * 160 + 7] = 0x101010;
    n = encodeHalfBlockFrame(&state, pixels.data(), ColourDepth::k16, out.data(), out.size());
    EXPECT_EQ(std::string(out.data(), n), kBegin + "\x1b[4;8H\x1b[97;40m\xe2\x96\x80" + kEnd);
    // Back to text cells: a full redraw, as the grid changed.
    EXPECT_NE(encode().find("\x1b[2J"), std::string::npos);
}

TEST(CellWidth, ChoiceAndTheCellSizeAnswer) {
    struct Case {
        CellWidthChoice choice;
        int columns, cellWidth, cellHeight, expected;
    } cases[] = {
        {CellWidthChoice::kAuto, 160, 0, 0, 2},   // size unknown: the usual 1:2
        {CellWidthChoice::kAuto, 159, 0, 0, 1},   // no room for 160 columns
        {CellWidthChoice::kAuto, 200, 10, 10, 1}, // square cells
        {CellWidthChoice::kAuto, 200, 10, 9, 1},  // wider than tall
        {CellWidthChoice::kAuto, 200, 7, 15, 2},  {CellWidthChoice::kOne, 300, 7, 15, 1},
        {CellWidthChoice::kTwo, 80, 10, 10, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseCellWidth(c.choice, c.columns, c.cellWidth, c.cellHeight), c.expected)
            << c.columns << " " << c.cellWidth << "x" << c.cellHeight;
    struct Answer {
        std::string bytes;
        bool ok;
        int width, height;
    } answers[] = {
        {"\x1b[6;20;10t", true, 10, 20}, {"\x1b[6;7;15t", true, 15, 7},    {"\x1b[6;20t", false, 0, 0},
        {"\x1b[6;;10t", false, 0, 0},    {"\x1b[4;20;10t", false, 0, 0},   {"\x1b[6;20;10x", false, 0, 0},
        {"\x1b[6;2a;10t", false, 0, 0},  {"\x1b[6;20;10;5t", false, 0, 0},
    };
    for (const Answer& a : answers) {
        int width = 0, height = 0;
        EXPECT_EQ(parseCellSizeAnswer(reinterpret_cast<const uint8_t*>(a.bytes.data()), a.bytes.size(),
                                      &width, &height),
                  a.ok)
            << a.bytes.substr(1);
        if (a.ok) {
            EXPECT_EQ(std::pair(width, height), std::pair(a.width, a.height)) << a.bytes.substr(1);
        }
    }
}

TEST(CodePage437, GlyphsAndColours) {
    EXPECT_STREQ(codePage437Utf8(0), " ");
    EXPECT_STREQ(codePage437Utf8('A'), "A");
    EXPECT_STREQ(codePage437Utf8(0xB0), "\xe2\x96\x91");
    EXPECT_STREQ(codePage437Utf8(0xB1), "\xe2\x96\x92");
    EXPECT_STREQ(codePage437Utf8(0xB2), "\xe2\x96\x93");
    EXPECT_STREQ(codePage437Utf8(0xDB), "\xe2\x96\x88");
    EXPECT_STREQ(codePage437Utf8(0x82), "\xc3\xa9"); // e acute
    EXPECT_EQ(ansiColourOf(1), 4);                   // blue
    EXPECT_EQ(ansiColourOf(4), 1);                   // red
    EXPECT_EQ(ansiColourOf(6), 3);                   // brown is ANSI yellow
    EXPECT_EQ(ansiColourOf(9), 12);                  // bright blue
    EXPECT_EQ(ansiColourOf(7), 7);
}

struct Decoded {
    size_t used;
    int key;
};
Decoded decode(const std::string& bytes, bool timedOut) {
    int key = -1;
    size_t used = decodeKey(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), timedOut, &key);
    return {used, key};
}

TEST(KeyDecoder, LoneEscapeWaitsForItsTimeout) {
    EXPECT_EQ(decode("\x1b", false).used, 0u);
    Decoded d = decode("\x1b", true);
    EXPECT_EQ(d.used, 1u);
    EXPECT_EQ(d.key, kKeyEscape);
    d = decode("\x1b\x1b", false); // Escape twice
    EXPECT_EQ(d.used, 1u);
    EXPECT_EQ(d.key, kKeyEscape);
}

TEST(KeyDecoder, SequencesAreOneIgnoredKey) {
    // Keys, and a terminal's colour answers (their digits must not become keys).
    for (const char* sequence :
         {"\x1b[A", "\x1b[15~", "\x1b[1;5C", "\x1bOP",
          "\x1b"
          "a",
          "\x1b]4;1;rgb:aaaa/0000/0000\x07", "\x1b]4;12;rgb:ff/00/00\x1b\\",
          "\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c", // xterm's device attributes, 36 bytes
          "\x1b[6;17;8t"}) {
        Decoded d = decode(std::string(sequence) + "7", false);
        EXPECT_EQ(d.used, std::string(sequence).size()) << sequence + 1;
        EXPECT_EQ(d.key, kKeyIgnored);
    }
    EXPECT_EQ(decode("\x1b[1;", false).used, 0u); // incomplete: wait
    Decoded cut = decode("\x1b[1;", true);        // ... unless nothing more comes
    EXPECT_EQ(cut.used, 4u);
    EXPECT_EQ(cut.key, kKeyIgnored);
    std::string endless = "\x1b[" + std::string(120, '1');
    EXPECT_EQ(decode(endless, false).used, kLongestSequence);
    EXPECT_EQ(decode("\x1b]4;1;rgb:aa", false).used, 0u); // an answer not all here yet
    EXPECT_EQ(decode("\x1b]" + std::string(200, '4'), false).used, kLongestSequence);
}

TEST(KeyDecoder, PlainBytesAreKeys) {
    EXPECT_EQ(decode("2", false).key, '2');
    EXPECT_EQ(decode("0x", false).used, 1u);
    EXPECT_EQ(decode("\xc3\xa9", false).key, 0xC3);
    EXPECT_EQ(decode("", true).used, 0u);
}

std::string sequenceOf(size_t (*build)(const TerminalPalette&, char*, size_t), const TerminalPalette& p) {
    char out[2 * kPaletteSequenceCapacity];
    return std::string(out, build(p, out, sizeof out));
}

bool answer(TerminalPalette* state, const std::string& bytes) {
    return takeTerminalAnswer(state, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(TerminalPalette, TheSetPutsEachConsoleColourAtItsAnsiNumber) {
    char out[kPaletteSequenceCapacity];
    std::string set(out, paletteSetSequence(consolePalette, out, sizeof out));
    // Console 1 (blue, 0x0000A0) is ANSI 4; console 4 (red) is ANSI 1; 14 (yellow) is ANSI 11.
    EXPECT_NE(set.find(";4;rgb:00/00/a0;"), std::string::npos) << set;
    EXPECT_NE(set.find(";1;rgb:a0/00/00;"), std::string::npos) << set;
    EXPECT_NE(set.find(";11;rgb:ff/ff/00;"), std::string::npos) << set;
    EXPECT_EQ(set.back(), '\x07'); // whole within its capacity
    TerminalPalette state;
    startTerminalPalette(&state, consolePalette);
    std::string opening = sequenceOf(paletteOpeningSequence, state);
    // Questions, attributes, the set, the confirming question, attributes: in that order.
    size_t questions = opening.find(";15;?\x07\x1b[c"), setAt = opening.find(set),
           confirm = opening.find("\x1b]4;4;?\x07\x1b[c");
    EXPECT_TRUE(questions < setAt && setAt < confirm && confirm != std::string::npos) << opening;
}

TEST(TerminalPalette, TheLinuxConsoleGetsItsOwnSequencesAndNoQuestions) {
    TerminalPalette state;
    char out[kPaletteSequenceCapacity];
    std::string set(out, startLinuxConsolePalette(&state, consolePalette, out, sizeof out));
    // ANSI 4 is console blue 0x0000A0, ANSI 11 console yellow; sixteen sets of 10 bytes, nothing else.
    EXPECT_NE(set.find("\x1b]P40000a0"), std::string::npos) << set.substr(1);
    EXPECT_NE(set.find("\x1b]Pbffff00"), std::string::npos) << set.substr(1);
    EXPECT_EQ(set.size(), 16u * 10u);
    EXPECT_EQ(set.find('?'), std::string::npos);
    EXPECT_TRUE(state.confirmed);
    EXPECT_EQ(std::string(state.restore, state.restoreLength), "\x1b]R");
}

TEST(TerminalPalette, ColourAnswersInEveryFormTerminalsUse) {
    struct Case {
        const char* bytes;
        bool parsed;
        int index;
        uint32_t colour;
    } cases[] = {
        {"\x1b]4;4;rgb:0000/0000/a0a0\x07", true, 4, 0x0000A0}, // xterm, 16 bits a channel
        {"\x1b]4;15;rgb:ff/ff/ff\x1b\\", true, 15, 0xFFFFFF},   // 8 bits, ended by ST
        {"\x1b]4;rgb:1212/3434/5656\x07", true, -1, 0x123456},  // no index (tmux 3.3)
        {"\x1b]4;2;rgb:f/8/0\x07", true, 2, 0xFF8800},          // 4 bits: scaled, not shifted
        {"\x1b]4;2;rgb:fff/800/000\x07", true, 2, 0xFF8000},    // 12 bits
        {"\x1b]4;2;rgb:ff/00\x07", false, 0, 0},                // a channel missing
        {"\x1b]4;2;rgb:fffff/0/0\x07", false, 0, 0},            // too many digits
        {"\x1b]4;2;rgb:ff/00/00", false, 0, 0},                 // not ended
        {"\x1b]4;200;rgb:ff/00/00\x07", true, 200, 0xFF0000},   // parses; the caller checks the range
        {"\x1b]10;rgb:ff/00/00\x07", false, 0, 0},              // another OSC
        {"\x1b]4;2;#ff0000\x07", false, 0, 0},
    };
    for (const Case& c : cases) {
        int index = 99;
        uint32_t colour = 0;
        char colourText[24];
        std::string bytes = c.bytes;
        bool parsed = parseColourAnswer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &index,
                                        &colour, colourText);
        EXPECT_EQ(parsed, c.parsed) << bytes.substr(1);
        if (!parsed || !c.parsed) continue;
        EXPECT_EQ(index, c.index) << bytes.substr(1);
        EXPECT_EQ(colour, c.colour) << bytes.substr(1);
        EXPECT_EQ(std::string(colourText).substr(0, 4), "rgb:");
    }
}

TEST(TerminalPalette, ConfirmedOnlyByTheAnswerAfterTheSetAndGivenBackAsFoundTable) {
    const std::string da = "\x1b[?62;22c";
    std::string originals;
    for (int i = 0; i < 16; ++i) originals += "\x1b]4;" + std::to_string(i) + ";rgb:1111/2222/3333\x07";
    struct Terminal {
        const char* name;
        std::vector<std::string> answers;
        bool confirmed;
        const char* restoreHas;
        const char* restoreLacks;
    } terminals[] = {
        {"answers everything",
         {originals, da, "\x1b]4;4;rgb:0000/0000/a0a0\x07", da},
         true,
         "15;rgb:1111/2222/3333\x07",
         "\x1b]104"},
        {"answers only colours it was given, without index",
         {da, "\x1b]4;rgb:00/00/a0\x07", da},
         true,
         "\x1b]104\x07",
         "\x1b]4;"},
        {"ignores the palette", {da, da}, false, "\x1b]104\x07", "\x1b]4;"},
        {"answers but kept its own blue",
         {originals, da, "\x1b]4;4;rgb:1111/2222/3333\x07", da},
         false,
         "",
         "104"},
        {"a late colour answer is not a confirmation",
         {da, da, "\x1b]4;4;rgb:0000/0000/a0a0\x07"},
         false,
         "",
         ""},
        {"the blue answered before the set is an original",
         {"\x1b]4;4;rgb:0000/0000/a0a0\x07", da, da},
         false,
         "\x1b]4;4;rgb:0000/0000/a0a0\x07\x1b]104;0;1;2;3;5;",
         "3;4;5"},
    };
    for (const Terminal& t : terminals) {
        TerminalPalette state;
        startTerminalPalette(&state, consolePalette);
        for (const std::string& a : t.answers) {
            // A burst of answers arrives as one read; the key decoder splits it.
            for (size_t at = 0; at < a.size();) {
                int key;
                size_t used =
                    decodeKey(reinterpret_cast<const uint8_t*>(a.data()) + at, a.size() - at, true, &key);
                ASSERT_GT(used, 0u);
                answer(&state, a.substr(at, used));
                at += used;
            }
        }
        EXPECT_EQ(state.confirmed, t.confirmed) << t.name;
        std::string restore(state.restore, state.restoreLength);
        EXPECT_NE(restore.find(t.restoreHas), std::string::npos) << t.name << ": " << restore.substr(1);
        if (*t.restoreLacks) {
            EXPECT_EQ(restore.find(t.restoreLacks), std::string::npos) << t.name << ": " << restore.substr(1);
        }
    }
}

} // namespace
