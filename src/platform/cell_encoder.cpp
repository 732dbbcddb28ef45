#include "platform/cell_encoder.h"

#include <cstdint>
#include <cstring>

namespace {

// Code page 437 as Unicode; entry 0 is shown as a blank.
const char16_t kCodePage437[256] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640,
    0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8, 0x2191, 0x2193,
    0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026,
    0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033,
    0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x0040,
    0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D,
    0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A,
    0x005B, 0x005C, 0x005D, 0x005E, 0x005F, 0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074,
    0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302, 0x00C7, 0x00FC,
    0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4,
    0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF,
    0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561,
    0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C,
    0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584,
    0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398,
    0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7,
    0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

struct Utf8Table {
    char bytes[256][4];
    Utf8Table() {
        for (int i = 0; i < 256; ++i) {
            unsigned c = kCodePage437[i];
            char* o = bytes[i];
            if (c < 0x80) {
                *o++ = static_cast<char>(c);
            } else if (c < 0x800) {
                *o++ = static_cast<char>(0xC0 | c >> 6);
                *o++ = static_cast<char>(0x80 | (c & 0x3F));
            } else {
                *o++ = static_cast<char>(0xE0 | c >> 12);
                *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *o++ = static_cast<char>(0x80 | (c & 0x3F));
            }
            *o = '\0';
        }
    }
};
const Utf8Table utf8Table;

const char kSyncBegin[] = "\x1b[?2026h";
const char kSyncEnd[] = "\x1b[?2026l";
const char kClear[] = "\x1b[0m\x1b[2J";

// Appends to a bounded buffer; once something does not fit, nothing more is written.
struct Writer {
    char* out;
    size_t capacity;
    size_t length = 0;
    bool overflow = false;

    void bytes(const char* s, size_t n) {
        if (overflow || n > capacity - length) {
            overflow = true;
            return;
        }
        std::memcpy(out + length, s, n);
        length += n;
    }
    void text(const char* s) { bytes(s, std::strlen(s)); }
    void number(unsigned v) {
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        char reversed[10];
        for (int i = 0; i < n; ++i) reversed[i] = digits[n - 1 - i];
        bytes(reversed, static_cast<size_t>(n));
    }
};

void writeColour24(Writer& w, int selector, uint32_t colour) {
    w.text(selector == 38 ? "38;2;" : "48;2;");
    w.number((colour >> 16) & 0xFF);
    w.text(";");
    w.number((colour >> 8) & 0xFF);
    w.text(";");
    w.number(colour & 0xFF);
}

// A colour as sent: a console colour index (0..15, shown as ANSI or as the palette's RGB), or an
// exact RGB value (24-bit only). kUnknown: nothing sent yet this frame.
constexpr int64_t kUnknown = -1;
constexpr int64_t kRgb = int64_t{1} << 32;

void writeColour(Writer& w, const CellEncoderState& state, bool foreground, int64_t colour) {
    if (colour & kRgb) {
        writeColour24(w, foreground ? 38 : 48, uint32_t(colour));
    } else if (state.depth == ColourDepth::k24) {
        writeColour24(w, foreground ? 38 : 48, state.palette[colour]);
    } else {
        int a = ansiColourOf(int(colour));
        w.number(static_cast<unsigned>(a < 8 ? (foreground ? 30 : 40) + a : (foreground ? 90 : 100) + a - 8));
    }
}

// Sends only the colours that differ from the current ones.
void writeColours(Writer& w, const CellEncoderState& state, int64_t fg, int64_t bg, int64_t* currentFg,
                  int64_t* currentBg) {
    bool sendFg = fg != *currentFg, sendBg = bg != *currentBg;
    if (!sendFg && !sendBg) return;
    w.text("\x1b[");
    if (sendFg) writeColour(w, state, true, fg);
    if (sendFg && sendBg) w.text(";");
    if (sendBg) writeColour(w, state, false, bg);
    w.text("m");
    *currentFg = fg;
    *currentBg = bg;
}

// The grid walk both encoders share. Source gives the grid's size in cells, the terminal columns
// a cell takes, each cell's value (compared with what is shown) and writes a cell's colours and
// glyphs.
template <typename Source>
size_t encodeGrid(CellEncoderState* state, const Source& source, char* out, size_t capacity) {
    Writer w{out, capacity};
    w.text(kSyncBegin);
    if (state->grid != source.grid) {
        state->grid = source.grid;
        state->fullRedraw = true;
    }
    const int width = source.cellWidth;
    int columns = state->terminalColumns > 0 ? state->terminalColumns : 1;
    int rows = state->terminalRows > 0 ? state->terminalRows : 1;
    int visibleWidth = columns / width < source.columns ? columns / width : source.columns;
    int visibleHeight = rows < source.rows ? rows : source.rows;
    if (visibleWidth < 1) visibleWidth = 0;
    int sourceX = (source.columns - visibleWidth) / 2, sourceY = (source.rows - visibleHeight) / 2;
    int screenX = (columns - visibleWidth * width) / 2 + 1,
        screenY = (rows - visibleHeight) / 2 + 1; // 1-based
    bool full = state->fullRedraw;
    if (full) w.text(kClear);

    int cursorX = -1, cursorY = -1; // unknown; in cells of the grid
    int64_t currentFg = kUnknown, currentBg = kUnknown;
    for (int y = 0; y < visibleHeight; ++y) {
        uint64_t* shownRow = state->shown + (sourceY + y) * source.columns + sourceX;
        for (int x = 0; x < visibleWidth; ++x) {
            uint64_t cell = source.cell(sourceX + x, sourceY + y);
            if (!full && cell == shownRow[x]) continue;
            if (cursorY == y && cursorX >= 0 && cursorX < x) {
                w.text("\x1b["); // forward on the same row: shorter than a full move
                if ((x - cursorX) * width > 1) w.number(static_cast<unsigned>((x - cursorX) * width));
                w.text("C");
            } else if (cursorX != x || cursorY != y) {
                w.text("\x1b[");
                w.number(static_cast<unsigned>(screenY + y));
                w.text(";");
                w.number(static_cast<unsigned>(screenX + x * width));
                w.text("H");
            }
            source.write(w, *state, cell, &currentFg, &currentBg);
            shownRow[x] = cell;
            cursorX = x + 1;
            cursorY = y;
            // Autowrap is off: at the last column the cursor stays put.
            if (screenX + (x + 1) * width > columns) cursorX = -1;
        }
    }
    w.text(kSyncEnd);
    state->fullRedraw = false;
    if (w.overflow) {
        // Cut frame: end synchronized output if it fits, and redraw fully next time.
        size_t end = sizeof kSyncEnd - 1;
        if (capacity >= end) {
            size_t at = w.length <= capacity - end ? w.length : capacity - end;
            std::memcpy(out + at, kSyncEnd, end);
            w.length = at + end;
        }
        state->fullRedraw = true;
    }
    return w.length;
}

struct TextCells {
    static constexpr EncoderGrid grid = EncoderGrid::kText;
    static constexpr int columns = kEncoderColumns, rows = kEncoderRows;
    const uint32_t* cells;
    int cellWidth;
    uint64_t cell(int x, int y) const {
        return cells[y * kEncoderColumns + x] &
               0x00FF00FFu; // the character's high byte and the attribute's are ignored
    }
    void write(Writer& w, const CellEncoderState& state, uint64_t cell, int64_t* fg, int64_t* bg) const {
        uint32_t attribute = uint32_t(cell >> 16);
        writeColours(w, state, attribute & 15, (attribute >> 4) & 15, fg, bg);
        const char* glyph = codePage437Utf8(static_cast<uint8_t>(cell));
        for (int i = 0; i < cellWidth; ++i) w.text(glyph);
    }
};

struct HalfBlocks {
    static constexpr EncoderGrid grid = EncoderGrid::kHalfBlocks;
    static constexpr int columns = kHalfBlockColumns, rows = kHalfBlockRows;
    static constexpr int cellWidth = 1;
    const uint32_t* pixels;
    ColourDepth depth;
    uint64_t cell(int x, int y) const {
        const uint32_t* upper = pixels + 2 * y * kHalfBlockColumns + x;
        return uint64_t{upper[0] & 0xFFFFFFu} << 32 | (upper[kHalfBlockColumns] & 0xFFFFFFu);
    }
    void write(Writer& w, const CellEncoderState& state, uint64_t cell, int64_t* fg, int64_t* bg) const {
        uint32_t upper = uint32_t(cell >> 32), lower = uint32_t(cell);
        if (depth == ColourDepth::k24)
            writeColours(w, state, kRgb | upper, kRgb | lower, fg, bg);
        else
            writeColours(w, state, nearestConsoleColour(state.palette, upper),
                         nearestConsoleColour(state.palette, lower), fg, bg);
        w.text("\xe2\x96\x80"); // U+2580 upper half block
    }
};

} // namespace

// The console colour nearest to a pixel (squared distance, the first of equals).
int nearestConsoleColour(const uint32_t palette[16], uint32_t rgb) {
    int best = 0;
    int32_t bestDistance = INT32_MAX;
    for (int i = 0; i < 16; ++i) {
        int32_t dr = int32_t((rgb >> 16) & 0xFF) - int32_t((palette[i] >> 16) & 0xFF);
        int32_t dg = int32_t((rgb >> 8) & 0xFF) - int32_t((palette[i] >> 8) & 0xFF);
        int32_t db = int32_t(rgb & 0xFF) - int32_t(palette[i] & 0xFF);
        int32_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

const char* codePage437Utf8(uint8_t character) {
    return utf8Table.bytes[character];
}

int ansiColourOf(int consoleColour) {
    // The console puts blue in bit 0 and red in bit 2; ANSI the other way round.
    return (consoleColour & 8) | (consoleColour & 1) << 2 | (consoleColour & 2) | (consoleColour & 4) >> 2;
}

void resetCellEncoder(CellEncoderState* state, ColourDepth depth, int columns, int rows,
                      const uint32_t palette[16]) {
    std::memset(state->shown, 0, sizeof state->shown);
    state->fullRedraw = true;
    state->depth = depth;
    state->grid = EncoderGrid::kText;
    state->cellWidth = 1;
    state->terminalColumns = columns;
    state->terminalRows = rows;
    std::memcpy(state->palette, palette, sizeof state->palette);
}

size_t encodeCellFrame(CellEncoderState* state, const uint32_t* cells, char* out, size_t capacity) {
    int width = state->cellWidth == 2 ? 2 : 1;
    return encodeGrid(state, TextCells{cells, width}, out, capacity);
}

size_t encodeHalfBlockFrame(CellEncoderState* state, const uint32_t* pixels, ColourDepth depth, char* out,
                            size_t capacity) {
    return encodeGrid(state, HalfBlocks{pixels, depth}, out, capacity);
}

int chooseCellWidth(CellWidthChoice choice, int terminalColumns, int cellPixelWidth, int cellPixelHeight) {
    if (choice != CellWidthChoice::kAuto) return choice == CellWidthChoice::kTwo ? 2 : 1;
    bool tall = cellPixelWidth <= 0 || cellPixelHeight <= 0 || cellPixelHeight > cellPixelWidth;
    return terminalColumns >= 2 * kEncoderColumns && tall ? 2 : 1;
}

bool parseCellSizeAnswer(const uint8_t* bytes, size_t count, int* width, int* height) {
    if (count < 7 || bytes[0] != 0x1B || bytes[1] != '[' || bytes[2] != '6' || bytes[3] != ';' ||
        bytes[count - 1] != 't')
        return false;
    int values[2] = {0, 0}, field = 0;
    bool digits = false;
    for (size_t i = 4; i + 1 < count; ++i) {
        if (bytes[i] == ';' && field == 0 && digits) {
            ++field;
            digits = false;
        } else if (bytes[i] >= '0' && bytes[i] <= '9' && values[field] < 100000) {
            values[field] = values[field] * 10 + (bytes[i] - '0');
            digits = true;
        } else {
            return false;
        }
    }
    if (field != 1 || !digits) return false;
    *height = values[0];
    *width = values[1];
    return true;
}
