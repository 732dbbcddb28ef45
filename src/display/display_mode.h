// display_mode: DisplayMode selection and live input.
//
// setDisplayMode is the one place that opens and closes output surfaces; it
// installs the converter and presenter renderFrame calls for the live show
// (installHeadlessMode does so without a surface, and the snapshot recorder
// wraps the installed converter). Console modes 0..4
// and 10 (any mode of 10 or more) show cells in the terminal; window modes
// 5..9 show pixels in the window; where the window cannot be made (no
// display) they show them in the terminal instead, as half blocks, the
// terminal kept open. A negative mode selects mode 0. displayState stays 0 when nothing could be
// opened at all. Keys reach the show in one vocabulary (show_keys.h): the
// digits '1'..'9' select modes 0..8 and '0' mode 9, Escape ends the show; in
// the console they act on release, in the window on press. handleConsoleInput
// consumes one console key: 0 ends the program. windowProc handles one window
// message (Escape and closing post the quit message).
#pragma once

#include "platform/messages.h"
#include "platform/show_keys.h"

#include <cstdint>

using Converter = void (*)(uint32_t* framePixels, uint32_t frameNumber);
using Presenter = int (*)();

constexpr int kDisplayModeCount = 11;

struct DisplayModeEntry {
    Converter converter;
    Presenter presenter;
    int32_t state;
    const char* caption;
};

extern const DisplayModeEntry displayModes[kDisplayModeCount];
extern int32_t displayState;
extern Converter currentConverter;
extern Presenter currentPresenter;

void setDisplayMode(int32_t mode);
int displayOverlayKind();

// Any number as a display mode: below 0 is 0, above 10 is 10.
int32_t clampDisplayMode(int32_t mode);
bool isWindowMode(int32_t mode); // 5..9
bool showingWindowMode();        // the installed mode is one of them
// Installs a mode's converter (with its tables) and the given presenter, no
// terminal or window opened: the headless display of snapshots, export, the
// benchmark and the tests.
void installHeadlessMode(int32_t mode, Presenter presenter);
int presentNothing(); // the null presenter
// The mode a key selects, -1 for none.
int32_t modeOfKey(ShowKey key);
enum class KeyEffect : uint8_t { kNone, kModeChanged, kQuit };
// Applies a key under a surface's rule (the action that acts there); a quit is left to the caller.
KeyEffect actOnKey(ShowKeyEvent event, KeyAction actsOn);
int handleConsoleInput();
void windowProc(const PlatformMessage* message);
