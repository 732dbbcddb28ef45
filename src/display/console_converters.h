// console_converters: the six text styles, FrameBuffer -> CellBuffer.
//
// Every converter but convertRaw first reduces the FrameBuffer in place to the
// CellImage (makeCellImage), so the picture is lost; then it writes all 4,000
// cells of cellBuffer. They keep no state between calls; only
// convertChannelCycle reads frameNumber. convertDiffused needs the console
// tables (buildConsoleTables) to exist.
#pragma once

#include <cstdint>

constexpr int kAsciiRampLength = 72;
extern const char asciiRamp[kAsciiRampLength];

// index = (v >> 8) + (((v & 0xFF) + ditherMatrix[y & 15][x & 15]) >> 8)
int ditheredLevel(int v, int x, int y);

void convertDiffused(uint32_t* framePixels, uint32_t frameNumber);
void convertAsciiRamp(uint32_t* framePixels, uint32_t frameNumber);
void convertChannelCycle(uint32_t* framePixels, uint32_t frameNumber);
void convertGreyShades(uint32_t* framePixels, uint32_t frameNumber);
void convertHueShades(uint32_t* framePixels, uint32_t frameNumber);
void convertRaw(uint32_t* framePixels, uint32_t frameNumber);
