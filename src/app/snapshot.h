// snapshot: the show rendered headless at chosen music positions.
//
// runSnapshots loads the show as usual (pool, start-up), with no terminal,
// window or sound device, and renders each MusicClock value exactly as
// renderFrame would when the player reports it, in the "mode" setting's
// display mode, as the first frame of a show started at P: the timeline is
// settled at each P and the frame number is 0, so a list's order never
// changes its pictures. The process clock is virtual (the music time of P),
// so every run gives the same bytes. For each P it writes DIR/0xPPPPP.fb (FrameBuffer),
// .cells or .win (what was presented) and .png (what a viewer sees; text
// modes drawn with an 8 x 8 font). Returns the exit status.
#pragma once

#include "platform/show_sizes.h"
#include "timeline/frame_clock.h"

#include <cstdint>
#include <string>
#include <vector>

// Parses "P[,P...]" (decimal or 0x hexadecimal); false with a reason when it is not.
// Positions from 0 to highest (the last the music reaches, unless an end is asked for).
bool parseClockList(const std::string& text, std::vector<int32_t>* clocks, std::string* error,
                    int32_t highest = kMusicEnd - 1);
int runSnapshots(const std::string& commandLine, const std::vector<int32_t>& clocks,
                 const std::string& folder);

// Renders frames at positions spread evenly over orders 0 to 34, each
// converted with every display mode's converter and presented to nothing;
// prints frames per second per scene, per mode, and overall.
int runBenchmark(const std::string& commandLine, int frames);

// What the viewer sees of the presented picture, 640 x 400: cells drawn with
// an 8 x 8 font in the console colours, or the window picture doubled.
constexpr int kGlyphSize = 8;
constexpr int kViewerWidth = kCellColumns * kGlyphSize, kViewerHeight = kCellRows * kGlyphSize;
static_assert(kViewerWidth == 2 * kWindowWidth && kViewerHeight == 2 * kWindowHeight);
void drawViewerPicture(uint32_t* picture);
