#include "platform/terminal_palette.h"

#include "platform/cell_encoder.h"

#include <cstdio>
#include <cstring>

namespace {

// ANSI blue, the console's 0x0000A0: no terminal's default blue is that by chance.
constexpr int kConfirmIndex = 4;

struct Out {
    char* out;
    size_t capacity;
    size_t length = 0;
    void text(const char* s) {
        size_t n = std::strlen(s);
        if (n > capacity - length) n = capacity - length; // callers size for the worst case
        std::memcpy(out + length, s, n);
        length += n;
    }
};

int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One channel of 1-4 hex digits, scaled to 8 bits as X11 colour names are.
bool parseChannel(const uint8_t*& p, const uint8_t* end, uint32_t* value) {
    uint32_t v = 0;
    int digits = 0;
    while (p < end && hexValue(*p) >= 0 && digits < 5) {
        v = v * 16 + static_cast<uint32_t>(hexValue(*p++));
        ++digits;
    }
    if (digits < 1 || digits > 4) return false;
    uint32_t max = (1u << (4 * digits)) - 1;
    *value = (v * 255 + max / 2) / max;
    return true;
}

void rebuildRestore(TerminalPalette* state) {
    Out o{state->restore, sizeof state->restore};
    char unknown[64] = "";
    size_t unknownLength = 0;
    int unknownCount = 0;
    bool anyKnown = false;
    for (int i = 0; i < 16; ++i) {
        if (state->original[i][0]) {
            char part[40];
            std::snprintf(part, sizeof part, "%s%d;%s", anyKnown ? ";" : "\x1b]4;", i, state->original[i]);
            o.text(part);
            anyKnown = true;
        } else {
            ++unknownCount;
            unknownLength += static_cast<size_t>(
                std::snprintf(unknown + unknownLength, sizeof unknown - unknownLength, ";%d", i));
        }
    }
    if (anyKnown) o.text("\x07");
    if (unknownCount == 16) { // none answered: reset the whole palette
        o.text("\x1b]104\x07");
    } else if (unknownLength > 0) {
        o.text("\x1b]104");
        o.text(unknown);
        o.text("\x07");
    }
    state->restoreLength = o.length;
}

} // namespace

void startTerminalPalette(TerminalPalette* state, const uint32_t palette[16]) {
    std::memset(state, 0, sizeof *state);
    for (int i = 0; i < 16; ++i) state->palette[ansiColourOf(i)] = palette[i];
    rebuildRestore(state);
}

size_t paletteSetSequence(const uint32_t palette[16], char* out, size_t capacity) {
    Out o{out, capacity};
    o.text("\x1b]4");
    for (int i = 0; i < 16; ++i) {
        char part[32];
        uint32_t c = palette[i];
        std::snprintf(part, sizeof part, ";%d;rgb:%02x/%02x/%02x", ansiColourOf(i), (c >> 16) & 0xFF,
                      (c >> 8) & 0xFF, c & 0xFF);
        o.text(part);
    }
    o.text("\x07");
    return o.length;
}

size_t paletteOpeningSequence(const TerminalPalette& state, char* out, size_t capacity) {
    Out o{out, capacity};
    o.text("\x1b]4");
    for (int i = 0; i < 16; ++i) {
        char part[8];
        std::snprintf(part, sizeof part, ";%d;?", i);
        o.text(part);
    }
    o.text("\x07\x1b[c");
    uint32_t console[16];
    for (int i = 0; i < 16; ++i) console[ansiColourOf(i)] = state.palette[i];
    o.length += paletteSetSequence(console, out + o.length, capacity - o.length);
    char confirm[20];
    std::snprintf(confirm, sizeof confirm, "\x1b]4;%d;?\x07\x1b[c", kConfirmIndex);
    o.text(confirm);
    return o.length;
}

size_t startLinuxConsolePalette(TerminalPalette* state, const uint32_t palette[16], char* out,
                                size_t capacity) {
    startTerminalPalette(state, palette);
    state->confirmed = true;
    state->attributesAnswers = 2; // nothing was asked
    std::memcpy(state->restore, "\x1b]R", 3);
    state->restoreLength = 3;
    Out o{out, capacity};
    for (int i = 0; i < 16; ++i) {
        char part[16];
        std::snprintf(part, sizeof part, "\x1b]P%x%06x", i, state->palette[i] & 0xFFFFFF);
        o.text(part);
    }
    return o.length;
}

bool parseColourAnswer(const uint8_t* bytes, size_t count, int* index, uint32_t* colour,
                       char colourText[24]) {
    const uint8_t* p = bytes;
    const uint8_t* end = bytes + count;
    // The terminator: BEL, or ESC backslash.
    if (count >= 1 && end[-1] == 0x07) {
        end -= 1;
    } else if (count >= 2 && end[-2] == 0x1b && end[-1] == '\\') {
        end -= 2;
    } else {
        return false;
    }
    if (end - p < 4 || std::memcmp(p, "\x1b]4;", 4) != 0) return false;
    p += 4;
    *index = -1;
    if (p < end && *p >= '0' && *p <= '9') {
        int n = 0;
        while (p < end && *p >= '0' && *p <= '9' && n < 1000) n = n * 10 + (*p++ - '0');
        if (p >= end || *p != ';') return false;
        ++p;
        *index = n;
    }
    const uint8_t* textStart = p;
    if (end - p < 4 || std::memcmp(p, "rgb:", 4) != 0) return false;
    p += 4;
    uint32_t r, g, b;
    if (!parseChannel(p, end, &r) || p >= end || *p++ != '/') return false;
    if (!parseChannel(p, end, &g) || p >= end || *p++ != '/') return false;
    if (!parseChannel(p, end, &b) || p != end) return false;
    *colour = r << 16 | g << 8 | b;
    size_t length = static_cast<size_t>(end - textStart);
    if (length > 23) return false;
    std::memcpy(colourText, textStart, length);
    colourText[length] = '\0';
    return true;
}

bool takeTerminalAnswer(TerminalPalette* state, const uint8_t* bytes, size_t count) {
    // The device attributes: ESC [ ? ... c
    if (count >= 4 && bytes[0] == 0x1b && bytes[1] == '[' && bytes[2] == '?' && bytes[count - 1] == 'c') {
        ++state->attributesAnswers;
        return true;
    }
    int index;
    uint32_t colour;
    char colourText[24];
    if (!parseColourAnswer(bytes, count, &index, &colour, colourText)) return false;
    if (state->attributesAnswers == 0) {
        if (index < 0 || index > 15) return false;
        std::memcpy(state->original[index], colourText, sizeof colourText);
        rebuildRestore(state);
        return true;
    }
    if (state->attributesAnswers > 1) return false;
    // Some terminals leave the index out of their answer; the confirming question names only one.
    if ((index == kConfirmIndex || index < 0) && colour == state->palette[kConfirmIndex])
        state->confirmed = true;
    return true;
}
