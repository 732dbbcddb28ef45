// The text console on Windows: the console the program runs in, or one it
// opens for itself. The show draws in a screen buffer of its own (the user's
// screen is back as it was afterwards), 80 x 50, written whole with the
// console's cell-grid call: a cell's layout (character, then attribute <<
// 16) is the console's own. Keys come as input records, a press and a
// release each. Colours are the console's own 16, in its own palette.
#include "platform/terminal.h"

#include "platform/cell_encoder.h"
#include "platform/user_output.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

static_assert(sizeof(CHAR_INFO) == sizeof(uint32_t), "a cell is the console's CHAR_INFO");

namespace {

constexpr SHORT kColumns = kCellColumns, kRows = kCellRows;
constexpr uint8_t kUpperHalfBlock = 0xDF; // code page 437

struct Console {
    bool open = false;
    HANDLE screen = INVALID_HANDLE_VALUE; // the show's own screen buffer
    HANDLE input = INVALID_HANDLE_VALUE;
    HANDLE userScreen = INVALID_HANDLE_VALUE; // the buffer shown before ours
    DWORD userInputMode = 0;
    bool haveUserInputMode = false;
    char userTitle[512] = "";
    uint32_t palette[16] = {};
    char reason[200] = "";
    CHAR_INFO pixelCells[kCellColumns * kCellRows] = {};
};

Console console;

void fail(const char* what) {
    char text[160] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  GetLastError(), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r' || text[length - 1] == '.'))
        text[--length] = '\0';
    std::snprintf(console.reason, sizeof console.reason, "%s: %s", what, text);
}

HANDLE openConsoleFile(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

void closeHandle(HANDLE* handle) {
    if (*handle != INVALID_HANDLE_VALUE) CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
}

// A console of the show's alone, in a window on the screen (Windows opened it
// when the show was started from Explorer), would stand empty beside the
// pixel window: it is freed then, and a text style opens a new one. The
// console of a shell stays as it was, and so does one with no window on the
// screen (a console in a terminal).
bool consoleIsOnlyOurs() {
    DWORD processes[2];
    HWND window = GetConsoleWindow();
    return window != nullptr && IsWindowVisible(window) && GetConsoleProcessList(processes, 2) == 1;
}

} // namespace

bool terminalOpen(const uint32_t palette[16]) {
    if (console.open) return true;
    std::memcpy(console.palette, palette, sizeof console.palette);
    AllocConsole(); // fails harmlessly when a console is there already
    console.input = openConsoleFile("CONIN$");
    console.userScreen = openConsoleFile("CONOUT$");
    if (console.input == INVALID_HANDLE_VALUE || console.userScreen == INVALID_HANDLE_VALUE) {
        fail("no console");
        closeHandle(&console.input);
        closeHandle(&console.userScreen);
        return false;
    }
    console.screen =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (console.screen == INVALID_HANDLE_VALUE || !SetConsoleActiveScreenBuffer(console.screen)) {
        fail("cannot make the console's screen");
        closeHandle(&console.screen);
        closeHandle(&console.input);
        closeHandle(&console.userScreen);
        return false;
    }
    // The window must fit inside the buffer at every step: shrink it, size the buffer, then
    // open the window over the whole buffer. A console that refuses keeps its size.
    SMALL_RECT tiny = {0, 0, 0, 0}, whole = {0, 0, kColumns - 1, kRows - 1};
    SetConsoleWindowInfo(console.screen, TRUE, &tiny);
    SetConsoleScreenBufferSize(console.screen, COORD{kColumns, kRows});
    SetConsoleWindowInfo(console.screen, TRUE, &whole);
    CONSOLE_CURSOR_INFO cursor = {100, FALSE};
    SetConsoleCursorInfo(console.screen, &cursor);
    // Mouse input on, everything else off: single key records, no echo, Ctrl-C as an event.
    console.haveUserInputMode = GetConsoleMode(console.input, &console.userInputMode) != 0;
    SetConsoleMode(console.input, ENABLE_MOUSE_INPUT | ENABLE_PROCESSED_INPUT);
    if (!GetConsoleTitleA(console.userTitle, sizeof console.userTitle)) console.userTitle[0] = '\0';
    console.open = true;
    return true;
}

void terminalClose() {
    if (!console.open) return;
    console.open = false;
    SetConsoleActiveScreenBuffer(console.userScreen);
    if (console.haveUserInputMode) SetConsoleMode(console.input, console.userInputMode);
    FlushConsoleInputBuffer(console.input); // the show's keys are not the shell's
    if (console.userTitle[0]) SetConsoleTitleA(console.userTitle);
    closeHandle(&console.screen);
    closeHandle(&console.input);
    closeHandle(&console.userScreen);
    flushUserOutput(); // messages kept back while the picture was up
    if (consoleIsOnlyOurs()) FreeConsole();
}

bool terminalIsOpen() {
    return console.open;
}

const char* terminalFailureReason() {
    return console.reason;
}

void terminalSetTitle(const char* caption) {
    if (console.open) SetConsoleTitleA(caption);
}

int terminalPresent(const uint32_t* cells) {
    if (!console.open) return -1;
    SMALL_RECT region = {0, 0, kColumns - 1, kRows - 1};
    if (!WriteConsoleOutputA(console.screen, reinterpret_cast<const CHAR_INFO*>(cells),
                             COORD{kColumns, kRows}, COORD{0, 0}, &region))
        return -1;
    return int(sizeof(CHAR_INFO)) * kColumns * kRows;
}

// The console has 80 columns: every other column of the picture, a pixel pair a cell.
int terminalPresentPixels(const uint32_t* pixels) {
    if (!console.open) return -1;
    for (int row = 0; row < kRows; ++row) {
        const uint32_t* upper = pixels + (2 * row) * kFrameWidth;
        const uint32_t* lower = upper + kFrameWidth;
        for (int column = 0; column < kColumns; ++column) {
            CHAR_INFO& cell = console.pixelCells[row * kColumns + column];
            cell.Char.AsciiChar = char(kUpperHalfBlock);
            cell.Attributes = WORD(nearestConsoleColour(console.palette, upper[2 * column]) |
                                   nearestConsoleColour(console.palette, lower[2 * column]) << 4);
        }
    }
    return terminalPresent(reinterpret_cast<const uint32_t*>(console.pixelCells));
}

int terminalKeyPending() {
    if (!console.open) return 0;
    INPUT_RECORD record;
    DWORD count = 0;
    if (!PeekConsoleInputA(console.input, &record, 1, &count)) return 0;
    return count > 0 ? 1 : 0;
}

bool terminalReadKey(ShowKeyEvent* event) {
    if (!console.open) return false;
    INPUT_RECORD record;
    DWORD count = 0;
    if (!ReadConsoleInputA(console.input, &record, 1, &count) || count == 0) return false;
    if (record.EventType != KEY_EVENT) {
        *event = {kShowKeyOther, KeyAction::kPress}; // mouse, focus, sizes: taken without effect
        return true;
    }
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    // Judged by the character; Escape by its key code too, as some consoles give it no character.
    ShowKey showKey = key.wVirtualKeyCode == VK_ESCAPE
                          ? kShowKeyEscape
                          : showKeyOfCharacter(static_cast<uint8_t>(key.uChar.AsciiChar));
    *event = {showKey, key.bKeyDown ? KeyAction::kPress : KeyAction::kRelease};
    return true;
}

// The console shows its own 16 colours in 80 columns: nothing to choose.
void terminalSetColours(TerminalColours) {}
void terminalSetCellWidth(CellWidthChoice) {}
