// Scene 15: the end screen, shown from order 33 for as long as the program runs.
#include "math/same_math.h"
#include "settings/settings.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kScene15 = at(33);

bool darkVeinRow(int y) {
    return y == 31 || y == 34 || y == 35 || (y >= 39 && y <= 49) || y == 53 || y == 54 || y == 57;
}

// Display mode 0: the small logo as hand-made cells over the picture's logo.
void endLogoCells() {
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 43; ++x)
            cellBuffer[(20 + y) * kCellColumns + 19 + x] = smallLogoCells[y * kCellColumns + x];
}

} // namespace

HandOver drawScene15(int32_t P) {
    int32_t L = P - kScene15;
    double tau = L * kPathRate;
    std::fill(frameBuffer, frameBuffer + kFramePixels, 0u);
    if (vemoFlag && L >= 0x1C000) {
        // The end picture slides in from the right edge, then stands at (32, 36).
        int32_t o = L > 0x20000 ? 0 : (at(40) - P) * 128 / 16384 + 128;
        o = std::clamp(o, 0, 128);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128 - o; ++x)
                frameBuffer[(36 + y) * kFrameWidth + 32 + o + x] = theEndImage[y * 128 + x];
    }
    int32_t b = int32_t(64 - 63 * sameCos(tau / 1400));
    for (int y = 0; y < kFrameHeight; ++y) {
        int32_t r =
            int32_t(y / 64.0 + 128 * (sameSin(y / 128.0 + tau / 1590) + sameSin(y / 256.0 + tau / 1775)) +
                    128 * sameSin(tau / 1900)) &
            0xFF;
        uint32_t weight = darkVeinRow(y) ? 0 : uint32_t(b);
        for (int x = 0; x < 64; ++x) {
            uint32_t c = veinsImage[r * 256 + 4 * x];
            if (c == kKeyColour) continue;
            frameBuffer[y * kFrameWidth + x] =
                ((((c & 0xFF00FF) * weight) & 0x7F807F80) | (((c & 0xFF00) * weight) & 0x7F8000)) >> 7;
        }
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 86; ++x)
            frameBuffer[(40 + y) * kFrameWidth + 38 + x] = smallLogoImage[y * 88 + x];
    return {false, endLogoCells};
}

void leaveScene15(int32_t) {} // draws no mesh
