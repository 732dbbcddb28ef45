// The text styles in the browser: a terminal on the page (xterm.js, 160 x 50:
// two columns a cell, so the picture keeps its shape), fed the bytes the
// portable cell encoder makes in 24-bit colour. A frame that comes while the
// terminal is still taking in the last one is left out (the next sends every
// change since), so the terminal never falls behind the music and the page
// keeps time for its sound. Keys come from the page as whole keystrokes.
#include "platform/terminal.h"

#include "platform/cell_encoder.h"
#include "platform/user_output.h"
#include "platform/web/page.h"

#include <emscripten.h>

namespace {

constexpr int kPageColumns = 2 * kCellColumns, kPageRows = kCellRows;

bool open = false;
CellEncoderState encoder;
char frameBytes[kEncoderFrameCapacity];

EM_JS(int, pageTerminalOpen, (), { return Module.cellrune.terminalOpen() ? 1 : 0; });
EM_JS(void, pageTerminalClose, (), { Module.cellrune.terminalClose(); });
EM_JS(void, pageTerminalWrite, (const char* bytes, int length),
      { Module.cellrune.terminalWrite(HEAPU8.slice(bytes, bytes + length)); });
EM_JS(int, pageTerminalBusy, (), { return Module.cellrune.terminalBusy() ? 1 : 0; });
EM_JS(void, pageSetTitle, (const char* caption), { document.title = UTF8ToString(caption); });

int send(size_t length) {
    pageTerminalWrite(frameBytes, int(length));
    return int(length);
}

} // namespace

bool terminalOpen(const uint32_t palette[16]) {
    if (open) return true;
    if (!pageTerminalOpen()) return false;
    resetCellEncoder(&encoder, ColourDepth::k24, kPageColumns, kPageRows, palette);
    encoder.cellWidth = 2;
    static const char kEnter[] = CELLRUNE_PICTURE_MODES "\x1b[2J";
    pageTerminalWrite(kEnter, int(sizeof kEnter - 1));
    open = true;
    return true;
}

void terminalClose() {
    if (!open) return;
    open = false;
    pageTerminalClose();
    flushUserOutput();
}

bool terminalIsOpen() {
    return open;
}

const char* terminalFailureReason() {
    return "the page has no terminal";
}

void terminalSetTitle(const char* caption) {
    pageSetTitle(caption);
}

int terminalPresent(const uint32_t* cells) {
    if (!open) return -1;
    if (pageTerminalBusy()) return 0;
    return send(encodeCellFrame(&encoder, cells, frameBytes, sizeof frameBytes));
}

int terminalPresentPixels(const uint32_t* pixels) {
    if (!open) return -1;
    if (pageTerminalBusy()) return 0;
    return send(encodeHalfBlockFrame(&encoder, pixels, ColourDepth::k24, frameBytes, sizeof frameBytes));
}

int terminalKeyPending() {
    return open && pageKeyWaiting() ? 1 : 0;
}

bool terminalReadKey(ShowKeyEvent* event) {
    if (!open || !pageKeyWaiting()) return false;
    *event = {takePageKey(), KeyAction::kStroke}; // the page reports keystrokes
    return true;
}

// The page's terminal shows exact colours and has room for square cells: nothing to choose.
void terminalSetColours(TerminalColours) {}
void terminalSetCellWidth(CellWidthChoice) {}
