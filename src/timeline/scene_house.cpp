// Scene 5: the house over the rippling water, shifted on the beats, then pixelated away.
#include "effects/water.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

namespace {

constexpr int32_t kScene5 = at(10);

} // namespace

// Orders 10-12. The camera cuts jump along the path by 500 at a time.
HandOver drawScene5(int32_t P) {
    int32_t L = P - kScene5;
    double pathTime = L * kPathRate;
    for (int32_t cut : {0xC00, 0x3C00, 0x4000, 0x4C00, 0x8000})
        if (L > cut) pathTime -= 500;
    if (L > 0x7C00) pathTime += 500;
    Matrix4 v = view(kHousePath, 0, 1, pathTime);
    leaveScene5(P);
    skyPassUnder(v, kHouse);
    if (L < 0xB000) drawWaterSurface(v, 0.0f);
    if (L >= 0x3C00 && L < 0x4000)
        wrapShiftHorizontal(40);
    else if (L >= 0x4000 && L < 0x4400)
        wrapShiftHorizontal(80);
    else if (L >= 0x4400 && L < 0x4800)
        wrapShiftHorizontal(120);
    else if (L >= 0x7C00 && L < 0x8000)
        wrapShiftVertical(25);
    else if (L >= 0x8000 && L < 0x8400)
        wrapShiftVertical(50);
    else if (L >= 0x8400 && L < 0x8800)
        wrapShiftVertical(75);
    else if (L >= 0xB000)
        pixelate((P - at(12, 48)) * 16 / 4096); // one level a row, 0 to 15
    else
        copyToFrame(sceneBufferA);
    return kPlainHandOver;
}

void leaveScene5(int32_t) {
    sceneTarget(sceneBufferA);
    centre(kFrameWidth / 2, kFrameHeight / 2);
    focal(100, 75);
    selectTexture(kHouse);
}
