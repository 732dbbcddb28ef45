// Scenes 6-9: the city (zilm) under a rising fog, then frozen and shaking, then straight into the frame.
#include "math/same_math.h"
#include "render/mesh_drawers.h"
#include "settings/settings.h"
#include "timeline/scene_kit.h"
#include "timeline/scenes.h"

#include <cmath>

namespace {

constexpr int32_t kScene6 = at(13), kScene7 = at(17, 48), kScene9 = at(18, 48);
constexpr int32_t kScene8Clock = at(14); // scene 8 runs one order ahead on scene 6's shot pattern
constexpr uint32_t kFogColour = 0x882211;

} // namespace

CityShot cityShot(int32_t L) {
    CityShot s;
    s.shot = L / rows(32);
    s.pathTime = L * kPathRate - 1000.0 * s.shot;
    bool even = s.shot % 2 == 0;
    s.eye = even ? 0 : 2;
    s.look = even ? 1 : 3;
    s.focalX = even ? 60 : 100;
    s.focalY = even ? 37 : 75;
    return s;
}

namespace {

// The text moves left one pixel every 96 clock units; 0 leaves a pixel, v < 128 darkens, v >= 128 lightens.
void drawScroller(int32_t L) {
    for (int r = 0; r < 32; ++r)
        for (int x = 0; x < kFrameWidth; ++x) {
            int column = x + L / 96;
            if (column >= 1024) continue;
            int value = scrollerIndices[r * 1024 + column];
            if (value == 0) continue;
            uint32_t& p = frameBuffer[(68 + r) * kFrameWidth + x];
            p = addClamped(p, value < 128 ? -value : value - 128);
        }
}

} // namespace

// Orders 13-17 (to row 47): two cameras alternating every 32 rows, fog by depth, a beat smear.
HandOver drawScene6(int32_t P) {
    int32_t L = P - kScene6;
    double tau = L * kPathRate;
    CityShot shot = cityShot(L);
    Matrix4 v = view(kZilmPath, shot.eye, shot.look, shot.pathTime);
    focal(shot.focalX, shot.focalY);
    sceneTarget(sceneBufferA);
    skyPassUnder(v, kZilm);
    for (int k = 0; k < 16; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Z(&m, float(k));
        translateMatrix4(&m, 0, -16, -40.0f + 5 * k);
        drawMeshFlat(proceduralMesh2, then(m, v));
    }
    for (int k = 0; k < 8; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, float(7 * k));
        rotateMatrix4Y(&m, float(13 * k) + float(tau / 411));
        rotateMatrix4Z(&m, float(29 * k));
        translateMatrix4(&m, 3, -1, float(15 * sameSin(tau / 1911)));
        drawMeshTextured(proceduralMesh1, then(m, v));
    }
    // Only the fog plane's depth is used, not its pixels.
    target(sceneBufferB, kFrameWidth, kFrameHeight, kSceneBufferPitch);
    renderTarget.depthBuffer = depthBufferB;
    resetDepth(depthBufferB, kSceneBufferPitch);
    drawMeshTextured2(v, float(sameSin(tau / 1500) + 0.5));
    fogByDepth(sceneBufferA, depthBufferA, depthBufferB, kFogColour);
    frameTarget();
    focal(120, 75);
    // n jumps to 8 a quarter into each shot and falls by one every four rows.
    smearRows(uint32_t((((0x800 - P) >> 10) & 7) + 1), 255);
    if (vemoFlag) drawScroller(L);
    for (int k = 0; k < 8; ++k) {
        Matrix4 m = identityMatrix;
        rotateMatrix4X(&m, 37.1f * k);
        rotateMatrix4Y(&m, 13.2f * k);
        rotateMatrix4Z(&m, 29.3f * k);
        rotateMatrix4X(&m, float(tau / 911));
        rotateMatrix4Z(&m, float(tau / 411));
        translateMatrix4(&m, float(tau / 2048 - 4), -1.35f, 4.0f);
        drawMeshInvertBlend(proceduralMesh1, m);
    }
    return kPlainHandOver;
}

void leaveScene6(int32_t) {
    frameTarget();
    focal(120, 75);
    selectTexture(kZilm);
}

namespace {

// Scenes 7 and 9: the path frozen at 10000, the pitch shaking, the roll turning from start.
void drawFrozenCity(int32_t P, int32_t start) {
    CameraPose pose = sampleCameraPose(cameraPaths[kZilmPath], 2, 3, 10000.0);
    Matrix4 v =
        viewOf(pose, 0, true, float(P % 16) / 32, true, pose.angle + float((P - start) * kPathRate / 2048));
    leaveScene7(P);
    skyPassUnder(v, kZilm);
    jitterCopy(P);
}

} // namespace

// Order 17, rows 48-63.
HandOver drawScene7(int32_t P) {
    drawFrozenCity(P, kScene7);
    return kPlainHandOver;
}

void leaveScene7(int32_t) {
    sceneTarget(sceneBufferA);
    focal(90, 70);
    selectTexture(kZilm);
}

// Order 18, rows 0-47: the city straight into the FrameBuffer.
HandOver drawScene8(int32_t P) {
    CityShot shot = cityShot(P - kScene8Clock);
    Matrix4 v = view(kZilmPath, shot.eye, shot.look, shot.pathTime);
    leaveScene8(P);
    skyPassUnder(v, kZilm);
    return kPlainHandOver;
}

void leaveScene8(int32_t) {
    frameTarget();
    // Inherited: the vertical focal length stays as the last scene left it (70 after scene 7).
    renderTarget.focalX = 90;
    selectTexture(kZilm);
}

// Order 18, rows 48-63: frozen again, its edges crushed from both sides.
HandOver drawScene9(int32_t P) {
    drawFrozenCity(P, kScene9);
    edgeCrush((P - kScene9) / 64);
    return kPlainHandOver;
}
