#include "display/display_mode.h"

#include "display/cell_image.h"
#include "display/console_converters.h"
#include "display/presenters.h"
#include "display/window_converters.h"
#include "platform/terminal.h"
#include "platform/window.h"
#include "settings/settings.h"

namespace {

constexpr int32_t kGroupNone = 0;
constexpr int32_t kGroupConsole = 1;
constexpr int32_t kGroupWindow = 2;

// A pixel style shown in the terminal: no window could be made (no display).
bool pixelsInTerminal = false;

void install(int32_t mode) {
    const DisplayModeEntry& entry = displayModes[mode];
    currentConverter = entry.converter;
    currentPresenter = pixelsInTerminal && isWindowMode(mode) ? presentPixelsInTerminal : entry.presenter;
    displayState = entry.state;
    if (currentPresenter == presentWindow)
        windowSetTitle(entry.caption);
    else
        terminalSetTitle(entry.caption);
}

} // namespace

const DisplayModeEntry displayModes[kDisplayModeCount] = {
    {convertDiffused, presentConsole, 0x10, "-[ CELLRUNE ]-"},
    {convertAsciiRamp, presentConsole, 0x11, "New Text Document.txt - Notepad"},
    {convertChannelCycle, presentConsole, 0x12, "somewhat LATE epileptic warning"},
    {convertGreyShades, presentConsole, 0x13, "gray greys"},
    {convertHueShades, presentConsole, 0x14, "a touch of vrolk"},
    {convertPixelDouble, presentWindow, 0x20, "G D I - powa"},
    {convertSmooth, presentWindow, 0x21, "blur"},
    {convertGreyBlocks, presentWindow, 0x22, "graphical grays"},
    {convertDebugView, presentWindow, 0x23, "the_Zo-Ra debugsor, press '6' NOW"},
    {convertPalettePairs, presentWindow, 0x24, "the famous.."},
    {convertRaw, presentConsole, 0x15, "raw"},
};

int32_t displayState = 0;
Converter currentConverter = nullptr;
Presenter currentPresenter = nullptr;

int32_t clampDisplayMode(int32_t mode) {
    return mode < 0 ? 0 : mode > 10 ? 10 : mode;
}

bool isWindowMode(int32_t mode) {
    return mode >= 5 && mode <= 9;
}

bool showingWindowMode() {
    return (displayState >> 4) == kGroupWindow;
}

int presentNothing() {
    return 0;
}

void installHeadlessMode(int32_t mode, Presenter presenter) {
    mode = clampDisplayMode(mode);
    if (!isWindowMode(mode)) buildConsoleTables();
    currentConverter = displayModes[mode].converter;
    currentPresenter = presenter;
    displayState = displayModes[mode].state;
}

void setDisplayMode(int32_t mode) {
    mode = clampDisplayMode(mode);
    int32_t group = displayState >> 4;
    if (pixelsInTerminal) { // the terminal is open and stays so; a window is tried for each pixel style
        pixelsInTerminal = false;
        group = kGroupConsole;
    }
    if (!isWindowMode(mode)) {
        if (group == kGroupWindow) {
            // Destroying a full-screen window restores the desktop mode first.
            closeWindow();
            openConsole();
        } else if (group == kGroupNone) {
            if (openConsole() != 0) return; // no terminal: nothing installed
        }
        install(mode);
        return;
    }
    if (group == kGroupWindow) {
        install(mode);
        return;
    }
    // Make the window before giving up the console, so a failure loses nothing. Without one the
    // pixels go to the terminal (opened now if the show starts in a pixel style).
    if (openWindow(instanceHandle) != 0) {
        if (group == kGroupNone && openConsole() != 0) return; // neither: nothing installed
        pixelsInTerminal = true;
        install(mode);
        return;
    }
    if (group == kGroupConsole) freeConsole();
    install(mode);
}

int displayOverlayKind() {
    if (displayState == 0x23) return 8;
    if (displayState == 0x10) return 0;
    return displayState & 0xF0;
}

int32_t modeOfKey(ShowKey key) {
    if (key < kShowKeyDigit0 || key > kShowKeyDigit9) return -1;
    return key == kShowKeyDigit0 ? 9 : key - kShowKeyDigit0 - 1;
}

KeyEffect actOnKey(ShowKeyEvent event, KeyAction actsOn) {
    // A stroke (a surface that cannot tell press from release) acts under either rule.
    if (event.action != actsOn && event.action != KeyAction::kStroke) return KeyEffect::kNone;
    if (event.key == kShowKeyEscape) return KeyEffect::kQuit;
    int32_t mode = modeOfKey(event.key);
    if (mode < 0) return KeyEffect::kNone;
    setDisplayMode(mode);
    return KeyEffect::kModeChanged;
}

int handleConsoleInput() {
    ShowKeyEvent event;
    if (!terminalReadKey(&event)) return 1;
    // In the console keys act on release.
    return actOnKey(event, KeyAction::kRelease) == KeyEffect::kQuit ? 0 : 1;
}

void windowProc(const PlatformMessage* message) {
    switch (message->kind) {
    case kMessageClose:
        postQuitMessage(0);
        break;
    case kMessageKeyDown:
        // In the window keys act on press.
        if (actOnKey({ShowKey(message->param), KeyAction::kPress}, KeyAction::kPress) == KeyEffect::kQuit)
            postQuitMessage(0);
        break;
    default:
        break;
    }
}
