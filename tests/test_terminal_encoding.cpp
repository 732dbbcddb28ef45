#include "display/cell_image.h"
#include "platform/cell_encoder.h"
#include "platform/key_decoder.h"

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
    for (const char* sequence : {"\x1b[A", "\x1b[15~", "\x1b[1;5C", "\x1bOP",
                                 "\x1b"
                                 "a"}) {
        Decoded d = decode(std::string(sequence) + "7", false);
        EXPECT_EQ(d.used, std::string(sequence).size()) << sequence + 1;
        EXPECT_EQ(d.key, kKeyIgnored);
    }
    EXPECT_EQ(decode("\x1b[1;", false).used, 0u); // incomplete: wait
    Decoded cut = decode("\x1b[1;", true);        // ... unless nothing more comes
    EXPECT_EQ(cut.used, 4u);
    EXPECT_EQ(cut.key, kKeyIgnored);
    std::string endless = "\x1b[" + std::string(60, '1');
    EXPECT_EQ(decode(endless, false).used, kLongestSequence);
}

TEST(KeyDecoder, PlainBytesAreKeys) {
    EXPECT_EQ(decode("2", false).key, '2');
    EXPECT_EQ(decode("0x", false).used, 1u);
    EXPECT_EQ(decode("\xc3\xa9", false).key, 0xC3);
    EXPECT_EQ(decode("", true).used, 0u);
}

} // namespace
