// Scene 12: the tower climbed behind the craft, pulsing on the beat, the logo laid over it.
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <algorithm>

namespace {

constexpr int32_t kScene12 = at(23);
constexpr int kLogoTop = 24;     // FrameBuffer rows 24..73
constexpr int kLogoCellTop = 12; // cell rows 12..36, over the same picture rows

// In display mode 0 the logo shows as hand-made cells wherever the overlay texture is not see-through.
void towerLogoCells() {
    for (int k = 0; k < 25; ++k)
        for (int j = 0; j < kCellColumns; ++j)
            if (overlayTexture[((12 + 160 * k) / 25) * 256 + (40 + 256 * j) / 80] != kKeyColour)
                cellBuffer[(kLogoCellTop + k) * kCellColumns + j] = logoCells[k * kCellColumns + j];
}

} // namespace

// Orders 23-24.
HandOver drawScene12(int32_t P) {
    int32_t L = P - kScene12;
    int32_t m = P & 0x3FFF;
    int32_t f = 0; // the flash: 0, 1, or a negative value that counts as set
    if ((m >= 0xC00 && m < 0xE00) || (m >= 0x2C00 && m < 0x3000))
        f = 1;
    else if (m >= 0xE00 && m < 0x1000)
        f = 2 * (0x800 - m);
    int w = L < rows(16) ? 0 : (P >> 6) & 0x3F; // a ramp from 0 to 63 every 16 rows
    int32_t r0 = 1052 - L / 32;                 // the view climbs from row 1052 to row 28
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x)
            sceneBufferA[y * kSceneBufferPitch + x] =
                towerImage[std::clamp(r0 + y, 0, 1151) * kFrameWidth + x];
    // A negative f makes no grey: the 32-bit product is kept as it is.
    fillArea(sceneBufferB, kSceneBufferPitch, uint32_t(int32_t(uint32_t(f / 2) * 0x010101u)));
    resetDepth(depthBufferA, kSceneBufferPitch);
    leaveScene12(P);
    Matrix4 mv = identityMatrix;
    rotateMatrix4X(&mv, 0.5f);
    translateMatrix4(&mv, 48 - float(L) / 512, 15, 20);
    rotateMatrix4Z(&mv, -kHalfPi);
    drawLit(kVyn, mv);
    blendBuffers(w);
    for (int k = 0; k < 50; ++k)
        for (int j = 0; j < kFrameWidth; ++j)
            if (overlayTexture[((25 + 160 * k) / 50) * 256 + (80 + 256 * j) / 160] != kKeyColour) {
                uint32_t logo = logoImage[k * kFrameWidth + j];
                frameBuffer[(kLogoTop + k) * kFrameWidth + j] = f != 0 ? ~logo : logo;
            }
    return {false, f == 0 ? towerLogoCells : nullptr};
}

void leaveScene12(int32_t) {
    sceneTarget(sceneBufferA);
    focal(60, 60);
    centre(kFrameWidth / 2, kFrameHeight / 2);
    selectTexture(kVyn);
}
