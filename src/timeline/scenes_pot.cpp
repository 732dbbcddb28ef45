// Scenes 1 and 3: the pot with its braided tubes, seen by two cameras and mixed.
#include "display/display_mode.h"
#include "effects/tubes.h"
#include "math/same_math.h"
#include "render/mesh_drawers.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <cmath>

namespace {

constexpr int32_t kScene1 = at(0), kScene3 = at(7);

} // namespace

int potBlendWeight(int32_t P) {
    const double k = 0.00038348388671875; // 3.1415 / 8192: a quarter turn over 16 rows
    int w = 0;
    if (P < 0x1000) w = int(128 - 127 * sameSin(P * k));
    for (int32_t s : {0x3000, 0x7000, 0xB000, 0xF000})
        if (P >= s && P < s + 0x1000) w = int(32 + 96 * sameSin((P - s) * k));
    for (int32_t s : {0x4000, 0x8000, 0xC000, 0x10000})
        if (P >= s && P < s + 0x1000) w = int(96 - 96 * sameSin((P - s) * k));
    if (P >= 0x13000) w = int(128 * sameSin((P - 0x13000) * k));
    return w;
}

// Orders 0-4: two passes blended on the pulses, an opening fade, a row of turning cubes.
HandOver drawScene1(int32_t P) {
    double pathTime = (P - kScene1) * kPathRate;
    const int weight = potBlendWeight(P);
    sceneTarget(sceneBufferA);
    focal(90, 70);
    Matrix4 viewA = view(kPotPath, 2, 3, pathTime);
    // Between the pulses the frame is all view B (weight 0): view A is not drawn then. Nothing else
    // reads it, and B's sky pass sets every depth A would have left; so A's sky is not drawn either
    // where A is then filled with one colour.
    if (weight != 0) {
        if (P < 0x1000) {
            fillArea(sceneBufferA, kSceneBufferPitch, 0);
        } else if (P <= 0x13000) {
            skyPassUnder(viewA, kPot);
            drawTubes(viewA, uint32_t(pathTime));
        } else {
            fillArea(sceneBufferA, kSceneBufferPitch, 0xFFFFFF);
        }
    }
    target(sceneBufferB, kFrameWidth, kFrameHeight, kSceneBufferPitch);
    Matrix4 viewB = view(kPotPath, 0, 1, pathTime);
    skyPassUnder(viewB, kPot);
    drawTubes(viewB, uint32_t(pathTime));

    blendBuffers(weight);
    resetDepth(depthBufferA, kFrameWidth);
    if (P < 0x2000)
        smearRows(uint32_t((0x2000 - P) / 128 + 1), 0);
    else if (P > 0x12000)
        smearRows(uint32_t((P - 0x12000) / 512 + 1), 0);

    frameTarget();
    focal(75, 50);
    // Each step turns every cube a further eighth of a turn, on the blend pulses.
    float c = 0;
    for (int32_t step : {0x4800, 0x5800, 0x7800, 0x8800, 0x9800, 0xB800})
        if (P > step) c += 1;
    if (P > 0x12000) c = 6 + float(P - 0x12000) / 2048.0f;
    for (int i = 0; i < 8; ++i) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(sameSin(i + P / 2048.0)) + kRecipeQuarterPi * c);
        translateMatrix4(&m, 2.3f * i + 15.7f - 1.5f * c - float(P) / 4096.0f, 4.2f, 4.0f);
        rotateMatrix4Y(&m, 0.3f);
        drawMeshFlat(proceduralMesh2, m);
    }
    return kPlainHandOver;
}

void leaveScene1(int32_t) {
    frameTarget();
    focal(75, 50);
    selectTexture(kPot);
}

int potCrossFade(int32_t L) {
    if (L >= rows(56)) return 0;
    int k = L / rows(8), into = (L - rows(8) * k) / 16;
    return k % 2 == 0 ? into : 128 - into;
}

// Order 7: the pot again, cross-fading between the cameras every 8 rows.
HandOver drawScene3(int32_t P) {
    int32_t L = P - kScene3;
    double pathTime = L * kPathRate;
    uint32_t tubeTime = uint32_t(pathTime + 8000);
    sceneTarget(sceneBufferB);
    focal(50, 60);
    Matrix4 viewB = view(kPotPath, 0, 1, pathTime);
    skyPassUnder(viewB, kPot);
    drawTubes(viewB, tubeTime);
    target(sceneBufferA, kFrameWidth, kFrameHeight, kSceneBufferPitch);
    const int weight = potCrossFade(L);
    // In the last eight rows the frame is all view B (weight 0): A is drawn only for the debug
    // picture (mode 8), which shows it. Scene 4 draws all of A before it reads it.
    if (weight != 0 || displayOverlayKind() == 8) {
        Matrix4 viewA = view(kPotPath, 2, 3, pathTime);
        skyPassUnder(viewA, kPot);
        drawTubes(viewA, tubeTime);
    }
    blendBuffers(weight);
    uint32_t n = 1;
    if (L < rows(8))
        n = uint32_t(9 - L / 256);
    else if (L >= rows(56))
        n = uint32_t((L - rows(56)) / 256 + 1);
    smearRows(n, 127);
    return kPlainHandOver;
}

void leaveScene3(int32_t) {
    sceneTarget(sceneBufferA);
    focal(50, 60);
    selectTexture(kPot);
}
